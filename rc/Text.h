#pragma once
// Script strings to UTF-16 the way rc reads them: quotes and L prefix stripped, "" for a
// quote, C-like escapes, the script's code page for other bytes.

#include "rc/Token.h"

#include <string>
#include <string_view>

namespace rc::text {

/// What a NUL inside a string does. Names and version texts end at the first one; string
/// tables end at a double one (and drop a last single one); user data keeps them all.
enum class Nulls { kKeep, kCutAtNull, kCutAtDoubleNull };

struct Decoded {
  std::u16string chars;
  bool wide = false; ///< written as L"..."
};

/// A String token's contents. Throws CompileError at the token for what cannot be written.
Decoded Decode(const Token& token, Nulls nulls);

/// A file name as written: quotes and L prefix off, nothing else changed.
std::string Unquote(std::string_view text);
/// The same without a copy: a view into s.
std::string_view UnquotedView(std::string_view s);

/// Names and types written as identifiers are stored in capitals.
std::u16string UpperName(std::string_view identifier);

} // namespace rc::text
