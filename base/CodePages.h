#pragma once
// Windows' single-byte ANSI code pages, decoded without the operating system: names and
// titles a project brought from Windows, read where the system has no such code page.

#include <string>
#include <string_view>

namespace codepages {

/// Western European: what a project is taken to be written in unless told otherwise.
inline constexpr unsigned kDefault = 1252;

/// 1250 to 1257: Central European, Cyrillic, Western, Greek, Turkish, Hebrew, Arabic, Baltic.
bool IsSupported(unsigned codePage);

/// "1250, 1251, ..., 1257" for a message.
std::string Choices();

/// text as a supported code page's number, "1251"; false for anything else.
bool Parse(std::string_view text, unsigned& codePage);

/// bytes in a supported code page as UTF-8. A byte the code page leaves unassigned becomes
/// U+FFFD; an unsupported code page is taken as the default.
std::string ToUtf8(std::string_view bytes, unsigned codePage);

} // namespace codepages
