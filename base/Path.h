#pragma once
// Paths as text, by Windows' rules or by POSIX rules whichever system runs: a Visual Basic
// project names its files the Windows way on every system, and the tests check Windows'
// rules on Linux.

#include <string>
#include <vector>

namespace path {

/// windows: '\\' and '/' both separate, a drive letter or a leading separator roots a path,
/// '\\' is written. posix: '/' alone.
enum class Style { windows, posix };

/// The style whose written separator is separator: '\\' gives windows, anything else posix.
Style StyleOf(char separator);
/// The separator the style writes.
char Separator(Style style);
bool IsSeparator(char c, Style style);

/// True when the path does not depend on a folder it is joined to. windows: a drive letter
/// and ':' ("C:\x", also the drive-relative "C:x"), or a leading separator ("\x",
/// "\\server\share"); posix: a leading '/'.
bool IsAbsolute(const std::string& path, Style style);

/// The text after the last separator; the whole path when it has none.
std::string BaseName(const std::string& path, Style style);

/// The names between the separators, in order; an empty one where two meet or one ends the
/// path. One, "", for "".
std::vector<std::string> Parts(const std::string& path, Style style);

/// The folder part ending in its separator, "C:" for "C:x"; "" for a bare name.
std::string Folder(const std::string& path, Style style);

/// folder, the style's separator unless folder already ends in one, and name; name alone
/// when folder is "".
std::string Join(const std::string& folder, const std::string& name, Style style);

/// "." and ".." worked out as text, separators made the style's, repeated ones made one
/// (the two of "\\server" stay); "." for nothing left. ".." never climbs above a root.
std::string Lexical(const std::string& path, Style style);

/// path with every separator of Windows' rules ('\\' and '/') made the style's.
std::string InStyle(std::string path, Style style);

/// name, as a Visual Basic project writes it (Windows' rules), on this system: joined to
/// folder unless absolute, every separator made the style's.
std::string FromWindowsName(const std::string& folder, const std::string& name, Style style);

/// True when name holds a control character (0x00 to 0x1F, or 0x7F), which no file name a
/// project writes may hold. A NUL would cut the name short at every system call.
bool HasControlCharacter(const std::string& name);

/// True when name holds a NUL, which no system call can take.
bool HasNul(const std::string& name);

/// name for a message, each control character made visible: <NUL> for 0x00, <0x1F> and
/// the like for the others; every other byte as it is.
std::string Visible(const std::string& name);

} // namespace path

// The utility module's path helpers, by the names its users know: plain text operations on
// Windows paths, through the cuts above.
namespace brask {

/// Text after the last '\\' (or, with no '\\' at all, after the last '/'); a path ending in
/// a separator comes back unchanged.
std::string GetFileName(const std::string& path);
/// Text up to and including the last '\\'; a path without one comes back unchanged.
std::string GetPathPart(const std::string& path);
/// Text before the last '.'; "" when there is none. Separators are not looked at.
std::string StripExtension(const std::string& name);

} // namespace brask
