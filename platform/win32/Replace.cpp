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

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
    return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
    return false;
  throw base::SystemError("Rename", to, error, win32::DescribeError(error));
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
         !(attributes &
           (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
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

std::string ProcessIdentity(unsigned long id) {
  // PROCESS_QUERY_LIMITED_INFORMATION reaches other users' processes too; Windows XP lacks
  // it and takes the older right.
  constexpr DWORD kQueryLimited = 0x1000;
  win32::Handle process(OpenProcess(kQueryLimited | SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  if (!process.valid())
    process.reset(
        OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  // A process that lets nobody look (a protected one) is none of ours.
  if (!process.valid())
    return GetLastError() == ERROR_ACCESS_DENIED ? "running" : "";
  if (WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT)
    return std::string();
  // The creation time, to a tenth of a microsecond, tells an id used again from the first.
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process.get(), &created, &exited, &kernel, &user))
    return "running";
  return std::to_string((static_cast<unsigned long long>(created.dwHighDateTime) << 32) |
                        created.dwLowDateTime);
}

} // namespace platform
