#include "rc/Lexer.h"

#include <optional>
#include <string>
#include <utility>

#include "rc/CharClass.h"
#include "rc/Diagnostics.h"

namespace rc {

namespace {

bool IsNameStart(char c) { return IsAlpha(c) || c == '_' || c == '.'; }
bool IsNameChar(char c) {
  return IsAlnum(c) || c == '_' || c == '.' || c == '/' || c == '\\' || c == '-';
}

} // namespace

bool ParseInteger(std::string_view text, std::uint32_t& value) {
  // Most numbers are short plain decimals: nothing can overflow.
  if (!text.empty() && text.size() <= 9 && text[0] >= '1' && text[0] <= '9') {
    std::uint32_t v = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
      v = v * 10 + static_cast<std::uint32_t>(text[i] - '0');
    if (i == text.size()) {
      value = v;
      return true;
    }
  }
  if (!text.empty() && ToUpper(text.back()) == 'L')
    text.remove_suffix(1);
  if (text.empty())
    return false;
  unsigned base = 10;
  if (text.size() > 1 && text[0] == '0') {
    char kind = ToUpper(text[1]);
    if (kind == 'X') {
      base = 16;
      text.remove_prefix(2);
    } else if (kind == 'B') {
      base = 2;
      text.remove_prefix(2);
    } else if (kind == 'O') {
      base = 8;
      text.remove_prefix(2);
    } else {
      base = 8;
      text.remove_prefix(1);
    }
    if (text.empty())
      return false;
  }
  std::uint64_t v = 0;
  for (char c : text) {
    int d = DigitValue(c);
    if (d < 0 || static_cast<unsigned>(d) >= base)
      return false;
    v = v * base + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFu)
      return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

namespace {

/// The token of a character that stands for itself.
std::optional<TokenKind> Punctuation(char c) {
  // clang-format off
  static constexpr std::pair<char, TokenKind> kSingles[] = {
      {'{', TokenKind::BlockBegin}, {'}', TokenKind::BlockEnd},  {',', TokenKind::Comma},
      {'+', TokenKind::Plus},       {'-', TokenKind::Minus},     {'|', TokenKind::Pipe},
      {'&', TokenKind::Amp},        {'~', TokenKind::Tilde},     {'*', TokenKind::Asterisk},
      {'/', TokenKind::Slash},      {'(', TokenKind::LeftParen}, {')', TokenKind::RightParen},
  };
  // clang-format on
  for (const auto& [character, kind] : kSingles)
    if (character == c)
      return kind;
  return std::nullopt;
}

/// A character no token starts with, as a message shows it.
std::string Shown(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u < 0x7f)
    return std::string("'") + c + "'";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kHex[u >> 4] + kHex[u & 15];
}

} // namespace

void Lexer::Fill() {
  filled_ = true;
  next_.text = {};
  for (;;) {
    if (!haveLine_) {
      if (!preprocessor_.NextLine(line_)) {
        next_.kind = TokenKind::EndOfFile;
        next_.where = preprocessor_.EndLocation();
        return;
      }
      haveLine_ = true;
      pos_ = 0;
    }
    const std::string& s = line_.text;
    while (pos_ < s.size() && IsSpace(s[pos_]))
      ++pos_;
    if (pos_ < s.size())
      break;
    haveLine_ = false;
  }

  const std::string& s = line_.text;
  const std::size_t start = pos_;
  const char c = s[pos_];
  next_.where = line_.where;
  next_.codePage = line_.codePage;

  if (IsDigit(c)) {
    while (pos_ < s.size() && IsAlnum(s[pos_]))
      ++pos_;
    next_.kind = TokenKind::Int;
    next_.text = std::string_view(s).substr(start, pos_ - start);
    if (!ParseInteger(next_.text, next_.value))
      throw CompileError(ErrorCode::kNumberTooLarge, next_.where,
                         "number '" + Excerpt(next_.text) +
                             "' is malformed or does not fit in 32 bits");
    return;
  }
  if (c == '"' || ((c == 'L' || c == 'l') && pos_ + 1 < s.size() && s[pos_ + 1] == '"')) {
    pos_ += c == '"' ? 1 : 2;
    for (;;) {
      std::size_t quote = s.find('"', pos_);
      if (quote == std::string::npos)
        throw CompileError(ErrorCode::kNewlineInString, next_.where,
                           "newline in string " + Excerpt(std::string_view(s).substr(start)));
      pos_ = quote + 1;
      if (pos_ < s.size() && s[pos_] == '"') {
        ++pos_;
        continue;
      }
      break;
    }
    next_.kind = TokenKind::String;
    next_.text = std::string_view(s).substr(start, pos_ - start);
    return;
  }
  if (IsNameStart(c)) {
    while (pos_ < s.size() && IsNameChar(s[pos_]))
      ++pos_;
    next_.text = std::string_view(s).substr(start, pos_ - start);
    if (ascii::EqualIgnoringCase(next_.text, "BEGIN"))
      next_.kind = TokenKind::BlockBegin;
    else if (ascii::EqualIgnoringCase(next_.text, "END"))
      next_.kind = TokenKind::BlockEnd;
    else
      next_.kind = TokenKind::Identifier;
    return;
  }
  const std::optional<TokenKind> punctuation = Punctuation(c);
  if (!punctuation)
    throw CompileError(ErrorCode::kInvalidCharacter, next_.where, "unexpected " + Shown(c));
  next_.kind = *punctuation;
  ++pos_;
  next_.text = std::string_view(s).substr(start, pos_ - start);
}

} // namespace rc
