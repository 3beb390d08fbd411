#include "rc/Text.h"

#include "rc/CharClass.h"
#include "rc/Diagnostics.h"

namespace rc::text {

namespace {

char16_t FromCp1252(unsigned char c) {
  // clang-format off
  static const char16_t k80[] = {
      0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
      0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};
  // clang-format on
  return (c >= 0x80 && c <= 0x9f) ? k80[c - 0x80] : c;
}

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
void FromUtf8(std::string_view in, std::u16string& out) {
  std::size_t i = 0;
  while (i < in.size()) {
    auto b = static_cast<unsigned char>(in[i]);
    unsigned need = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 9;
    if (need == 0) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    if (need == 9 || i + need >= in.size()) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    char32_t cp = b & (0x3f >> need);
    bool ok = true;
    for (unsigned k = 1; k <= need; ++k) {
      auto cont = static_cast<unsigned char>(in[i + k]);
      if ((cont & 0xc0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cont & 0x3f);
    }
    static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[need] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xd800 + (cp >> 10));
      out += static_cast<char16_t>(0xdc00 + (cp & 0x3ff));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += need + 1;
  }
}

// The bytes that take a string off the plain path: escapes, quotes, NULs, non-ASCII.
struct NotPlain {
  bool is[256] = {};
  constexpr NotPlain() {
    is[static_cast<unsigned char>('\\')] = is[static_cast<unsigned char>('"')] = is[0] = true;
    for (int c = 0x80; c < 256; ++c)
      is[c] = true;
  }
};
constexpr NotPlain kNotPlain;

} // namespace

std::string_view UnquotedView(std::string_view s) {
  if (s.find('"') == std::string_view::npos)
    return s;
  if (!s.empty() && (s[0] == 'L' || s[0] == 'l'))
    s.remove_prefix(1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
    s = s.substr(1, s.size() - 2);
  return s;
}

std::string Unquote(std::string_view text) { return std::string(UnquotedView(text)); }

std::u16string UpperName(std::string_view identifier) {
  std::u16string out;
  out.reserve(identifier.size());
  for (char c : identifier)
    out += static_cast<char16_t>(static_cast<unsigned char>(ToUpper(c)));
  return out;
}

namespace {

[[noreturn]] void Fail(const Token& token, const std::string& message) {
  throw CompileError(ErrorCode::kBadValue, token.where,
                     message + " in string " + Excerpt(token.text));
}

// The characters of the string's bytes in the token's code page, before escapes are read.
void ReadCharacters(const Token& token, std::string_view s, std::u16string& chars) {
  if (token.codePage == 65001) {
    FromUtf8(s, chars);
  } else if (token.codePage == 1252) {
    chars.resize(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
      chars[i] = FromCp1252(static_cast<unsigned char>(s[i]));
  } else {
    chars.resize(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (static_cast<unsigned char>(s[i]) > 0x7f)
        Fail(token, "a non-ASCII byte cannot be read without a code page");
      chars[i] = static_cast<char16_t>(s[i]);
    }
  }
}

// The characters of a string with its doubled quotes and escapes read, into result.chars.
class Unescaper {
public:
  Unescaper(const Token& token, Nulls nulls, const std::u16string& chars, Decoded& result)
      : token_(token), nulls_(nulls), chars_(chars), result_(result), out_(result.chars) {}

  void Run() {
    out_.reserve(chars_.size());
    std::size_t i = 0;
    while (i < chars_.size()) {
      // Runs of ordinary characters go over as they are.
      std::size_t run = i;
      while (run < chars_.size() && chars_[run] != u'"' && chars_[run] != u'\\')
        ++run;
      if (run > i) {
        if (!result_.wide && nulls_ == Nulls::kKeep)
          for (std::size_t k = i; k < run; ++k)
            Add(chars_[k]);
        else
          out_.append(chars_, i, run - i);
        i = run;
        continue;
      }
      char16_t c = chars_[i++];
      if (c == u'"') {
        if (i == chars_.size() || chars_[i] != u'"')
          Fail(token_, "a lone '\"'");
        ++i;
        Add(u'"');
        continue;
      }
      if (c != u'\\') {
        Add(c);
        continue;
      }
      if (i == chars_.size()) {
        if (!result_.wide)
          Add(u'\\');
        break;
      }
      i = Escape(i);
    }
  }

private:
  void Add(char16_t c) {
    if (!result_.wide && nulls_ == Nulls::kKeep && c > 0xff)
      Fail(token_, "a character above U+00FF cannot go into narrow user data");
    out_ += c;
  }

  void AddEscaped(char16_t c) {
    if (!result_.wide) {
      // A narrow escape names a byte of the code page.
      if (c > 0xff)
        Fail(token_, "an escape above 0xFF cannot go into a narrow string");
      if (token_.codePage == 65001) {
        if (c >= 0x80)
          Fail(token_, "an escaped byte above 0x7F is no UTF-8 character");
      } else if (token_.codePage == 1252) {
        c = FromCp1252(static_cast<unsigned char>(c));
      } else if (c > 0x7f) {
        Fail(token_, "an escaped byte above 0x7F cannot be read without a code page");
      }
    }
    Add(c);
  }

  // The escape whose kind is at i, after a backslash; where the next character is.
  std::size_t Escape(std::size_t i) {
    const std::u16string& chars = chars_;
    char16_t kind = chars[i++];
    if (kind == u'x' || kind == u'X') {
      char16_t value = 0;
      for (int left = result_.wide ? 4 : 2; left > 0 && i < chars.size() && chars[i] < 0x80;
           --left) {
        int d = DigitValue(static_cast<char>(chars[i]));
        if (d < 0 || d > 15)
          break;
        value = static_cast<char16_t>((value << 4) | d);
        ++i;
      }
      AddEscaped(value);
      return i;
    }
    if (kind >= u'0' && kind <= u'7') {
      char16_t value = static_cast<char16_t>(kind - u'0');
      for (int left = result_.wide ? 6 : 2;
           left > 0 && i < chars.size() && chars[i] >= u'0' && chars[i] <= u'7'; --left)
        value = static_cast<char16_t>((value << 3) | (chars[i++] - u'0'));
      AddEscaped(value);
      return i;
    }
    switch (kind) {
    case u'a':
    case u'A':
      Add(u'\b'); // rc's \a is a backspace
      break;
    case u'n':
      Add(u'\n');
      break;
    case u'r':
      Add(u'\r');
      break;
    case u't':
    case u'T':
      Add(u'\t');
      break;
    case u'\\':
      Add(u'\\');
      break;
    case u'"':
      if (i == chars.size() || chars[i] != u'"')
        Fail(token_, "'\\\"' must be followed by another '\"'");
      ++i;
      Add(u'"');
      break;
    default:
      // An unknown escape stays as written in narrow strings and vanishes in wide ones.
      if (!result_.wide) {
        Add(u'\\');
        Add(kind);
      }
      break;
    }
    return i;
  }

  const Token& token_;
  const Nulls nulls_;
  const std::u16string& chars_;
  Decoded& result_;
  std::u16string& out_;
};

void CutAtNulls(std::u16string& out, Nulls nulls) {
  if (nulls == Nulls::kCutAtNull) {
    std::size_t nul = out.find(u'\0');
    if (nul != std::u16string::npos)
      out.resize(nul);
  } else if (nulls == Nulls::kCutAtDoubleNull && out.find(u'\0') != std::u16string::npos) {
    for (std::size_t p = 0; p + 1 < out.size(); ++p)
      if (out[p] == 0 && out[p + 1] == 0) {
        out.resize(p);
        break;
      }
    if (!out.empty() && out.back() == 0)
      out.pop_back();
  }
}

} // namespace

Decoded Decode(const Token& token, Nulls nulls) {
  std::string_view s(token.text);
  Decoded result;
  if (!s.empty() && (s[0] == 'L' || s[0] == 'l')) {
    result.wide = true;
    s.remove_prefix(1);
  }
  s = s.substr(1, s.size() - 2);

  // Plain ASCII without escapes, quotes or NULs (most strings) reads as it is written.
  bool plain = true;
  for (char c : s)
    if (kNotPlain.is[static_cast<unsigned char>(c)]) {
      plain = false;
      break;
    }
  if (plain) {
    result.chars = std::u16string(s.begin(), s.end()); // ASCII: each byte is its character
    return result;
  }

  // The characters before escapes are worked out; the buffer is kept between calls.
  static thread_local std::u16string chars;
  chars.clear();
  ReadCharacters(token, s, chars);
  Unescaper(token, nulls, chars, result).Run();
  CutAtNulls(result.chars, nulls);
  return result;
}

} // namespace rc::text
