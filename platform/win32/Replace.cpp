// Win32 only: exclusive creation, replacement by rename, and what a stop request cleans up.
// The console's stop handler runs on a thread of its own, so it may call anything that
// takes no lock the interrupted thread could hold: no heap, no C runtime.
#include <windows.h>

#include <random>

#include "platform/Platform.h"
#include "platform/TrackedFiles.h"
#include "platform/win32/Stopping.h"
#include "platform/win32/Win32Error.h"

namespace platform {

namespace win32 {
HANDLE volatile runningChild = nullptr;
} // namespace win32

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

} // namespace

bool CreateNewFile(const std::string& path, const std::string& bytes) {
  // CREATE_NEW also refuses a name held by a link, dangling or not.
  win32::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
      return false;
    win32::ThrowLastError("Create", path);
  }
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    win32::ThrowLastError("Write", path);
  if (!FlushFileBuffers(file.get()))
    win32::ThrowLastError("Write", path);
  if (!CloseHandle(file.release()))
    win32::ThrowLastError("Close", path);
  return true;
}

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

std::uint64_t RandomBits() {
  std::random_device device;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  // mingw's random_device may be a fixed sequence: the clock and the process id vary it.
  return ((static_cast<std::uint64_t>(device()) << 32) ^ device()) ^
         static_cast<std::uint64_t>(now.QuadPart) * 0x9E3779B97F4A7C15ull ^
         (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40);
}

void StopChildAndRemoveTrackedFiles() {
  const HANDLE child = win32::runningChild;
  if (child) {
    // The compiler shares the console and had Ctrl-C too; half a second for it to end.
    if (WaitForSingleObject(child, 500) == WAIT_TIMEOUT)
      TerminateProcess(child, 130);
    WaitForSingleObject(child, 500);
  }
  for (char* slot : tracked::slots)
    if (slot[0] != '\0')
      DeleteFileA(slot);
}

} // namespace platform
