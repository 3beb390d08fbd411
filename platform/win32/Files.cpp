// Win32 only: files and the program's own location, through the ANSI API.
#include <windows.h>

#include "base/Path.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Error.h"

namespace platform {
namespace win32 {

std::string DescribeError(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string description = length ? std::string(text, length) : "Unknown error";
  LocalFree(text);
  while (!description.empty() &&
         (description.back() == '\n' || description.back() == '\r' || description.back() == ' '))
    description.pop_back();
  return description;
}

} // namespace win32

std::string ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

char PathSeparator() { return '\\'; }

base::SystemError InvalidName(const std::string& operation, const std::string& name) {
  return base::SystemError(operation, path::Visible(name), ERROR_INVALID_NAME,
                           win32::DescribeError(ERROR_INVALID_NAME));
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  win32::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid())
    win32::ThrowLastError("Create", path);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    win32::ThrowLastError("Write", path);
  if (!CloseHandle(file.release()))
    win32::ThrowLastError("Close", path);
}

} // namespace platform
