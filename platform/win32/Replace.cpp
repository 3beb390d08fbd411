// Win32 only: replacement by rename, and what a folder holds.
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Error.h"

namespace platform {

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

} // namespace

void RenameOver(const std::string& from, const std::string& to) {
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    win32::ThrowLastError("Replace", to);
}

bool IsLink(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsPlainFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                         FILE_ATTRIBUTE_DEVICE));
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder.empty() ? std::string(".") : folder;
  if (pattern.back() != '\\' && pattern.back() != '/')
    pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  const win32::FindHandle search(FindFirstFileA(pattern.c_str(), &found));
  if (!search.valid())
    return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(search.get(), &found));
  return names;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(unsigned long id) {
  win32::Handle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  if (!process.valid())
    return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

} // namespace platform
