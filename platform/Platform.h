#pragma once
// The operating system as this program needs it, and nothing more. Every function here is
// implemented once in platform/win32 and once in platform/posix; CMake picks the folder.
// Nothing outside platform/ includes <windows.h> or POSIX headers.
//
// Strings are bytes in the system's ANSI code page on Windows and UTF-8 on Linux.
// Failures that a caller must see are thrown as SystemError with the platform's number and
// description; everything else answers with a neutral value.

#include <string>

#include "util/SystemError.h"

namespace platform {

// ---- Files -------------------------------------------------------------------------

/// Full path of the running executable.
std::string ExecutablePath();

/// The separator that ends folders made by this program ('\\' on Windows, '/' on Linux).
char PathSeparator();

/// The whole file as bytes: opened read-only, length taken once, one read into a buffer of
/// that size, closed. Throws SystemError; nothing stays open after a failure.
std::string ReadFileBytes(const std::string& path);

/// Creates path anew (emptying an existing file) and writes bytes, then closes it.
/// Throws SystemError; the handle is closed on every path.
void WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace platform
