#pragma once
// Unicode text as the readers of files meet it: UTF-16 from Windows structures, turned into
// the UTF-8 the rest of the program uses.

#include <string>
#include <string_view>

namespace unicode {

/// Appends code point c as UTF-8.
void AppendUtf8(std::string& text, char32_t c);

/// Little-endian UTF-16 (no byte-order mark) as UTF-8; a lone surrogate becomes U+FFFD and
/// an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

} // namespace unicode
