#pragma once
// ASCII character classes. The <cctype> ones depend on the locale and are undefined for
// bytes above 127, which scripts in code page 1252 are full of.

#include "base/Ascii.h"

namespace rc {

inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }
inline bool IsCIdentifierStart(char c) { return IsAlpha(c) || c == '_'; }
inline bool IsCIdentifierChar(char c) { return IsAlnum(c) || c == '_'; }
using ascii::ToUpper;
/// 0-35 for 0-9, a-z, A-Z; -1 otherwise.
inline int DigitValue(char c) {
  if (IsDigit(c))
    return c - '0';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z')
    return c - 'A' + 10;
  return -1;
}

} // namespace rc
