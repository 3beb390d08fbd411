// Win32 only: a file's modification time set to now, whether another process holds it, and a
// second name for a file.
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Error.h"

namespace platform {

void TouchFile(const std::string& path) {
  win32::Handle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid())
    win32::ThrowLastError("Set the time stamp of", path);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  if (!SetFileTime(file.get(), nullptr, nullptr, &now))
    win32::ThrowLastError("Set the time stamp of", path);
}

bool InUse(const std::string& path) {
  // A running program, or one another process has open without sharing, cannot be opened
  // for writing alone; the open changes nothing.
  win32::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.valid())
    return false;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

} // namespace platform

namespace platform {

bool LinkFile(const std::string& from, const std::string& to) {
  return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) != 0;
}

} // namespace platform
