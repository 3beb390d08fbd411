// Win32 only: a file's modification time set to now, whether another process holds it, and a
// second name for a file and how many it has.
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

// Not the change time: the backup's second name changes it.
std::string FileStamp(const std::string& path) {
  win32::Handle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION i;
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &i))
    win32::ThrowLastError("Read the time stamp of", path);
  const auto join = [](DWORD high, DWORD low) {
    return std::to_string((std::uint64_t{high} << 32) | low);
  };
  return std::to_string(i.dwVolumeSerialNumber) + ' ' + join(i.nFileIndexHigh, i.nFileIndexLow) +
         ' ' + join(i.nFileSizeHigh, i.nFileSizeLow) + ' ' +
         join(i.ftLastWriteTime.dwHighDateTime, i.ftLastWriteTime.dwLowDateTime);
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

unsigned LinkCount(const std::string& path) {
  win32::Handle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION i;
  if (!file.valid() || !GetFileInformationByHandle(file.get(), &i) || i.nNumberOfLinks == 0)
    return 1;
  return i.nNumberOfLinks;
}

} // namespace platform
