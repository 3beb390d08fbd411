// Win32 only: the current directory, attributes and deletion, through the ANSI API.
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Error.h"

namespace platform {

bool ChangeDirectory(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

// SetCurrentDirectory opens the folder for traversal; so does this, and closes it again.
bool CanEnterFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  const HANDLE folder = CreateFileA(path.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(folder);
  return true;
}

std::string CurrentDirectory() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(path.size()), path.data());
    if (n == 0)
      return "";
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n);
  }
}

bool HasAttributes(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void SetNormalAttributes(const std::string& path) {
  if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL))
    win32::ThrowLastError("Set attributes of", path);
}

void CopyPermissions(const std::string& from, const std::string& to) {
  const DWORD attributes = GetFileAttributesA(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    win32::ThrowLastError("Read the attributes of", from);
  // What the user may set; the rest (compressed, encrypted, ...) is the file system's.
  const DWORD kept = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  if (!SetFileAttributesA(to.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL))
    win32::ThrowLastError("Set attributes of", to);
}

void RemoveFile(const std::string& path) {
  if (!DeleteFileA(path.c_str()))
    win32::ThrowLastError("Delete", path);
}

} // namespace platform
