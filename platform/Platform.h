#pragma once
// The operating system as this program needs it, and nothing more. Every function here is
// implemented once in platform/win32 and once in platform/posix; CMake picks the folder.
// Nothing outside platform/ includes <windows.h> or POSIX headers.
//
// Strings are bytes in the system's ANSI code page on Windows and UTF-8 on Linux.
// Failures that a caller must see are thrown as SystemError with the platform's number and
// description; everything else answers with a neutral value.

#include <cstddef>
#include <cstdint>
#include <optional>
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

namespace platform {

// ---- File-system probes and services -----------------------------------------------

/// Makes path the current directory; false when the system refuses.
bool ChangeDirectory(const std::string& path);
/// The process's current directory.
std::string CurrentDirectory();
/// True when the system returns attributes (Win32) or status (POSIX) for path.
bool HasAttributes(const std::string& path);
/// Win32: FILE_ATTRIBUTE_NORMAL. POSIX: adds write permission for the owner. Throws.
void SetNormalAttributes(const std::string& path);
/// Deletes one file. Throws SystemError.
void RemoveFile(const std::string& path);

// ---- Registry ------------------------------------------------------------------------

/// What one value query left behind: the platform's status, the value's type, the whole
/// buffer as the query left it (pre-filled with spaces) and the number of bytes it wrote.
struct RegistryQuery {
  long status = 2; // ERROR_FILE_NOT_FOUND: no registry
  unsigned long type = 0;
  std::string buffer;
  unsigned long dataSize = 0;
};

/// Opens subKey below rootKey, queries valueName into a buffer of bufferSize spaces, closes
/// the key on every path. Never throws.
RegistryQuery QueryRegistryValue(std::uintptr_t rootKey, const std::string& subKey,
                                 const std::string& valueName, std::size_t bufferSize);

// ---- Processes and shell ---------------------------------------------------------------

/// Starts commandLine hidden with the current directory and environment inherited, waits
/// without time-out and releases the child. A program that cannot start returns at once.
/// The child's output is dropped, or with showOutput goes to this program's standard error.
void RunHiddenAndWait(const std::string& commandLine, bool showOutput = false);
/// Hands file to the program registered for it; the shell's status (above 32 on success).
std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        std::uintptr_t ownerWindow, const std::string& parameters,
                        const std::string& operation);

// ---- Common file dialog ------------------------------------------------------------------

/// The dialog's inputs in the form the platform takes them, and its outputs.
struct FileDialogRecord {
  std::uintptr_t ownerWindow = 0;
  std::string filterList; // items separated by NUL; the list ends in two NULs
  int filterIndex = 1;    // in and out
  std::string fileBuffer; // in: the default name, NUL-padded; out: the choice, NUL-terminated
  std::string fileTitleBuffer;
  std::string initialFolder;
  std::string title;
  std::uint32_t flags = 0;
  bool save = false;
};

/// Shows the Open (or Save) dialog modally; true when the user confirmed a choice.
bool RunFileDialog(FileDialogRecord& record);

// ---- Per-user settings store -------------------------------------------------------------

/// The stored value, or nothing when it is missing or the store cannot be read.
std::optional<std::string> ReadSetting(const std::string& application,
                                       const std::string& section, const std::string& key);
/// False when the store could not be written; it is then left as it was.
bool WriteSetting(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& value);

// ---- Text ----------------------------------------------------------------------------------

/// Text in the system's ANSI code page as UTF-8 (POSIX: unchanged).
std::string AnsiToUtf8(const std::string& text);

} // namespace platform
