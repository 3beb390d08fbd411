#include "base/AppTitle.h"
#include "util/BraskDetail.h"

namespace brask {
namespace detail {

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
