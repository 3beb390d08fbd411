#pragma once
// Win32 only. Turns GetLastError() into the program's SystemError, and closes handles and
// searches.

#include <windows.h>

#include <string>

#include "base/SystemError.h"

namespace platform::win32 {

/// FormatMessageA's text for code, less the line break it ends with.
std::string DescribeError(DWORD code);

[[noreturn]] inline void ThrowLastError(const std::string& operation, const std::string& path) {
  const DWORD code = GetLastError();
  throw base::SystemError(operation, path, code, DescribeError(code));
}

/// Owns a kernel handle; INVALID_HANDLE_VALUE and null both mean none.
class Handle {
public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE h = nullptr) {
    if (valid())
      CloseHandle(h_);
    h_ = h;
  }

private:
  HANDLE h_;
};

/// Owns a FindFirstFileA search, which FindClose ends rather than CloseHandle.
class FindHandle {
public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (valid())
      FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
  HANDLE h_;
};

} // namespace platform::win32
