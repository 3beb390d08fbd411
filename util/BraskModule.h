#pragma once
// The shared utility module: path helpers, file-system probes, file services, the file
// dialog, the registry reader, processes and shell, the whole-file reader and the settings
// store. Portable logic lives in util/; the operating-system calls behind it live in
// platform/.
//
// Utility operations absorb their own failures and answer with a neutral value, except the
// file services (ReadWholeFile, WriteTextFile, SetNormalAttributes, RemoveFile), which throw
// SystemError so the caller can say what went wrong.

#include <cstdint>
#include <string>

#include "util/SystemError.h"

namespace BraskModule {

// ---- Path helpers: plain text operations on Windows paths ----------------------------

/// Text after the last '\\' (or, with no '\\' at all, after the last '/'); a path ending in
/// a separator comes back unchanged.
std::string GetFileName(const std::string& path);
/// Text up to and including the last '\\'; a path without one comes back unchanged.
std::string GetPathPart(const std::string& path);
/// Same as GetPathPart; the name the generation uses.
std::string GetFolder(const std::string& path);
/// Text before the last '.'; "" when there is none. Separators are not looked at.
std::string StripExtension(const std::string& name);
/// Folder of the running program, with exactly one trailing separator.
std::string AppFolder();

// ---- Whole files ---------------------------------------------------------------------

/// The file's text less one final CR LF. Throws SystemError.
std::string ReadWholeFile(const std::string& path);
/// Creates path anew and writes text followed by CR LF, closing it at once.
/// Throws SystemError. Every text file the program writes goes through here.
void WriteTextFile(const std::string& path, const std::string& text);

} // namespace BraskModule
