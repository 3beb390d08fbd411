#include <algorithm>
#include <cstdio>

#include "base/AppTitle.h"
#include "platform/BraskDetail.h"

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

platform::FileDialogRecord MakeFileDialogRecord(const std::string& filter, WindowHandle ownerWindow,
                                                const std::string& initialFolder,
                                                const std::string& title, std::uint32_t flags,
                                                bool save, int filterIndex,
                                                const std::string& defaultName) {
  platform::FileDialogRecord record;
  record.ownerWindow = ownerWindow;
  record.filterList = filter;
  for (char& c : record.filterList)
    if (c == '|')
      c = '\0';
  // The platform reads items up to an empty one: the list ends in two NULs.
  record.filterList.append(2, '\0');
  record.filterIndex = filterIndex;
  // A longer default name is cut rather than allowed to overrun the buffer. The rest is
  // NULs, not the customary spaces: Wine's dialog joins the whole padded name to the
  // current folder, and once that passes MAX_PATH it crashes. Windows reads the name up to
  // the first NUL either way.
  const std::size_t room = kFileBufferSize - 1;
  record.fileBuffer = defaultName.substr(0, room);
  record.fileBuffer.resize(kFileBufferSize, '\0');
  record.fileTitleBuffer = std::string(room, ' ') + '\0';
  record.initialFolder = initialFolder;
  record.title = title.empty() ? THEMEFOLD_APP_TITLE : title;
  record.flags = flags;
  record.save = save;
  return record;
}

std::string ChosenPath(const std::string& fileBuffer) {
  std::string text = fileBuffer.substr(0, fileBuffer.find('\0'));
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos)
    return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace detail

std::string RegReadString(RegistryKey rootKey, const std::string& subKey,
                          const std::string& valueName) {
  return detail::FormatRegistryValue(
      platform::QueryRegistryValue(rootKey, subKey, valueName, detail::kRegistryBufferSize));
}

std::string ShowFileDialog(const std::string& filter, WindowHandle ownerWindow,
                           const std::string& initialFolder, const std::string& title,
                           std::uint32_t flags, bool save, int& filterIndex,
                           const std::string& defaultName) {
  platform::FileDialogRecord record = detail::MakeFileDialogRecord(
      filter, ownerWindow, initialFolder, title, flags, save, filterIndex, defaultName);
  const bool confirmed = platform::RunFileDialog(record);
  filterIndex = record.filterIndex;
  return confirmed ? detail::ChosenPath(record.fileBuffer) : "";
}

} // namespace brask
