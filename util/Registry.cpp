#include <algorithm>
#include <cstdio>

#include "util/BraskDetail.h"

namespace brask {
namespace detail {

std::string FormatRegistryValue(const platform::RegistryQuery& query) {
  if (query.status != 0)
    return "";
  const std::string& buffer = query.buffer;
  const std::size_t size = std::min<std::size_t>(query.dataSize, buffer.size());
  if (query.type == kRegDword) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < buffer.size(); ++i)
      number |= static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[i])) << (8 * i);
    char text[16];
    std::snprintf(text, sizeof text, "%03lu", static_cast<unsigned long>(number));
    return text;
  }
  if (query.type == kRegBinary) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
      const auto byte = static_cast<unsigned char>(buffer[i]);
      text += digits[byte >> 4];
      text += digits[byte & 0x0F];
    }
    return text;
  }
  // Trimmed before the cut: trailing spaces of the value itself stand before its NUL and stay.
  const std::size_t first = buffer.find_first_not_of(' ');
  if (first == std::string::npos)
    return "";
  std::string text = buffer.substr(first, buffer.find_last_not_of(' ') - first + 1);
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos)
    text.resize(nul);
  return text;
}

} // namespace detail

std::string RegReadString(RegistryKey rootKey, const std::string& subKey,
                          const std::string& valueName) {
  return detail::FormatRegistryValue(
      platform::QueryRegistryValue(rootKey, subKey, valueName, detail::kRegistryBufferSize));
}

} // namespace brask
