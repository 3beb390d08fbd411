#pragma once
// The shared utility module: the program's folder, file-system probes, file services, the
// file dialog, the registry reader, processes and shell, the whole-file reader and the
// settings store, on the functions of Platform.h. Its path helpers are text alone and live
// in base/Path.h.
//
// Utility operations absorb their own failures and answer with a neutral value, except the
// file services (ReadWholeFile, WriteTextFile, SetNormalAttributes, RemoveFile) and a run of
// a program that cannot start, which throw SystemError so the caller can say what went wrong.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/CodePages.h"
#include "base/SystemError.h"

namespace brask {

/// Folder of the running program, with exactly one trailing separator.
std::string AppFolder();

// ---- Whole files ---------------------------------------------------------------------

/// What ReadWholeFile reads at most: the instructions template is a page of text, and a
/// larger file (or a 5 GB one named by mistake) must not take the memory.
inline constexpr std::size_t kMaxWholeFileBytes = std::size_t{1024} * 1024;
/// The file's text less one final CR LF. Throws SystemError, also for a file over
/// kMaxWholeFileBytes or one that is no regular file.
std::string ReadWholeFile(const std::string& path);
/// Creates path, emptying a file of that name, and writes text followed by CR LF, closing it
/// at once. Throws SystemError. The generation's files do not come through here: each is
/// written under a temporary name and replaces the old one only when complete
/// (platform/TemporaryFiles.h).
void WriteTextFile(const std::string& path, const std::string& text);

} // namespace brask

namespace brask {

// ---- File-system probes: never throw -------------------------------------------------

/// True when path could be made the current directory; on true it stays current. Only the
/// window's Open dialog wants that; everything else asks the file port, which changes no
/// directory.
bool FolderExists(const std::string& path);
/// True for an existing file (hidden, read-only and system files too); false for "" and for
/// a folder, which FolderExists then has made current.
bool FileExists(const std::string& path);

// ---- File services: throw SystemError --------------------------------------------------

/// Clears read-only, hidden and system (POSIX: makes the file writable by its owner).
void SetNormalAttributes(const std::string& path);
/// Deletes a file.
void RemoveFile(const std::string& path);

// ---- Registry --------------------------------------------------------------------------

using RegistryKey = std::uintptr_t;
inline constexpr RegistryKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RegistryKey kHkeyLocalMachine = 0x80000002u;

/// One value as text whatever its type; "" on any failure. Linux has no registry: always "".
std::string RegReadString(RegistryKey rootKey, const std::string& subKey,
                          const std::string& valueName);

// ---- Processes and shell ---------------------------------------------------------------

/// A window handle as an integer, so portable code can pass it along.
using WindowHandle = std::uintptr_t;

/// Starts commandLine hidden, inheriting the current directory and environment, and waits
/// without time-out. A program that cannot start throws SystemError with the system's reason.
void RunAndWait(const std::string& commandLine);
/// As RunAndWait, with the child's output and errors on this program's standard error, for
/// a console front end whose standard output carries its results.
void RunAndWaitShowingOutput(const std::string& commandLine);
/// Opens file with the program registered for it; the shell's status.
std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        WindowHandle ownerWindow, const std::string& parameters,
                        const std::string& operation);

// ---- Common file dialog ------------------------------------------------------------------

/// The chosen path, or "" on cancel. filter: "Description|pattern|..."; filterIndex in/out.
std::string ShowFileDialog(const std::string& filter, WindowHandle ownerWindow,
                           const std::string& initialFolder, const std::string& title,
                           std::uint32_t flags, bool save, int& filterIndex,
                           const std::string& defaultName);

// ---- Per-user settings store -------------------------------------------------------------

/// A missing key, or a store that cannot be read, gives defaultValue.
std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultValue = "");
/// A store that cannot be written is left as it was; nothing is reported.
void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value);

// ---- Text --------------------------------------------------------------------------------

/// ANSI code page text (Windows) as UTF-8. On Linux UTF-8 stays as it is and other text is
/// taken as codePage.
std::string AnsiToUtf8(const std::string& text, unsigned codePage = codepages::kDefault);

} // namespace brask
