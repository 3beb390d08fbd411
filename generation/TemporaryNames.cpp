#include "generation/TemporaryNames.h"

namespace generation {

namespace {
constexpr char kPrefix[] = "~themefold-";
constexpr std::size_t kPrefixSize = sizeof kPrefix - 1;
constexpr std::size_t kHexDigits = 16;
} // namespace

std::string TemporaryStem(unsigned long processId, std::uint64_t random) {
  std::string hex(kHexDigits, '0');
  for (std::size_t i = kHexDigits; i-- > 0; random >>= 4)
    hex[i] = "0123456789abcdef"[random & 15];
  return kPrefix + std::to_string(processId) + "-" + hex;
}

unsigned long TemporaryOwner(const std::string& name) {
  if (name.compare(0, kPrefixSize, kPrefix) != 0)
    return 0;
  std::size_t i = kPrefixSize;
  std::uint64_t id = 0;
  const std::size_t digitsStart = i;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - digitsStart < 10)
    id = id * 10 + static_cast<std::uint64_t>(name[i++] - '0');
  // Process ids are 32-bit; unsigned long on Windows would wrap a larger one onto another's.
  if (i == digitsStart || id > 0xFFFFFFFFu || i >= name.size() || name[i] != '-' ||
      name.size() < i + 1 + kHexDigits)
    return 0;
  for (std::size_t k = i + 1; k < i + 1 + kHexDigits; ++k) {
    const char c = name[k];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return 0;
  }
  return static_cast<unsigned long>(id);
}

} // namespace generation
