#pragma once
// Unicode text as the readers of files meet it: UTF-16 from Windows structures, turned into
// the UTF-8 the rest of the program uses, and UTF-8 told from other bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace unicode {

/// Appends code point c as UTF-8.
void AppendUtf8(std::string& text, char32_t c);

/// Little-endian UTF-16 (no byte-order mark) as UTF-8; a lone surrogate becomes U+FFFD and
/// an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

/// The length of the well-formed UTF-8 sequence at text[at] (the ranges of Unicode's table
/// 3-7: no overlong forms, no surrogates, nothing past U+10FFFF) with its code point, 0 when
/// there is none.
std::size_t Utf8Sequence(std::string_view text, std::size_t at, char32_t& code);

/// Every byte of text belongs to a well-formed UTF-8 sequence.
bool IsUtf8(std::string_view text);

} // namespace unicode
