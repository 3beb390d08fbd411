// Win32 only: the current directory, attributes and deletion, through the ANSI API.
#include <windows.h>

#include <vector>

#include "platform/Platform.h"
#include "platform/Stopping.h"
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
  const DWORD kept =
      attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  if (!SetFileAttributesA(to.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL))
    win32::ThrowLastError("Set attributes of", to);
}

void RemoveFile(const std::string& path) {
  if (!DeleteFileA(path.c_str()))
    win32::ThrowLastError("Delete", path);
}

// Where the system cannot say (no security on the volume, a call that fails), the answer is
// yes: the write itself then tells what stands in its way.
bool CanCreateIn(const std::string& folder, std::string& why) {
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    why = win32::DescribeError(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError()
                                                                     : ERROR_DIRECTORY);
    return false;
  }
  char volume[MAX_PATH + 1];
  if (GetVolumePathNameA(folder.c_str(), volume, sizeof volume)) {
    const UINT drive = GetDriveTypeA(volume);
    // A server decides by the share's rights and its own accounts, which this token does
    // not show.
    if (drive == DRIVE_REMOTE)
      return true;
    // A CD or a locked card takes nothing, whatever the folder's security allows. Other
    // drives are not asked: Wine answers for its own with a warning on the console.
    DWORD flags = 0;
    if ((drive == DRIVE_CDROM || drive == DRIVE_REMOVABLE) &&
        GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME)) {
      why = win32::DescribeError(ERROR_WRITE_PROTECT);
      return false;
    }
  }
  const SECURITY_INFORMATION parts =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  GetFileSecurityA(folder.c_str(), parts, nullptr, 0, &size);
  std::vector<char> security(size);
  HANDLE processToken = nullptr;
  if (size == 0 || !GetFileSecurityA(folder.c_str(), parts, security.data(), size, &size) ||
      !OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &processToken))
    return true;
  const win32::Handle process(processToken);
  // AccessCheck takes an impersonation token only.
  HANDLE token = nullptr;
  if (!DuplicateToken(process.get(), SecurityImpersonation, &token))
    return true;
  const win32::Handle impersonation(token);
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                          FILE_ALL_ACCESS};
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!AccessCheck(security.data(), impersonation.get(), FILE_ADD_FILE, &mapping, &privileges,
                   &privilegesSize, &granted, &allowed) ||
      allowed)
    return true;
  why = win32::DescribeError(ERROR_ACCESS_DENIED);
  return false;
}

// The user's temporary folder is the user's own; a new folder in it inherits that.
std::string MakePrivateFolder() {
  std::string temporary(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD n = GetTempPathA(static_cast<DWORD>(temporary.size()), temporary.data());
    if (n == 0)
      win32::ThrowLastError("Find", "the temporary folder");
    if (n < temporary.size()) {
      temporary.resize(n);
      break;
    }
    temporary.resize(n);
  }
  for (int attempt = 0;; ++attempt) {
    const std::string path = temporary + TemporaryStem(ProcessId(), RandomBits());
    if (CreateDirectoryA(path.c_str(), nullptr))
      return path + '\\';
    if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 3)
      win32::ThrowLastError("Create", path);
  }
}

void RemoveFolder(const std::string& path) {
  if (!RemoveDirectoryA(path.c_str()))
    win32::ThrowLastError("Delete", path);
}

} // namespace platform
