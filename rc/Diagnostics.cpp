#include "rc/Diagnostics.h"

namespace rc {

namespace {

std::string Format(ErrorCode code, const Location* where, const std::string& message) {
  std::string out;
  if (where)
    out = std::string(where->file) + "(" + std::to_string(where->line) + ") : ";
  else
    out = "rc : ";
  out += "error RC" + std::to_string(static_cast<int>(code)) + ": " + message;
  return out;
}

} // namespace

CompileError::CompileError(ErrorCode code, const Location& where, const std::string& message)
    : std::runtime_error(Format(code, &where, message)), code_(code) {}

CompileError::CompileError(ErrorCode code, const std::string& message)
    : std::runtime_error(Format(code, nullptr, message)), code_(code) {}

std::string DoesNotFit(std::string_view what, long long value, std::string_view field) {
  return std::string(what) + " " + std::to_string(value) + " does not fit in " + std::string(field);
}

std::string Excerpt(std::string_view text) {
  constexpr std::size_t kMax = 40;
  std::string out;
  for (char c : text.substr(0, kMax)) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  if (text.size() > kMax)
    out += "...";
  return out;
}

const char* Describe(TokenKind kind) {
  switch (kind) {
#define THEMEFOLD_RC_TOKEN_TEXT(name, text)                                                        \
  case TokenKind::name:                                                                            \
    return text;
    THEMEFOLD_RC_TOKEN_KINDS(THEMEFOLD_RC_TOKEN_TEXT)
#undef THEMEFOLD_RC_TOKEN_TEXT
  }
  return "token";
}

} // namespace rc
