#pragma once
// Tokens of a resource script as the parser sees them, after preprocessing.

#include <cstdint>
#include <string>
#include <string_view>

namespace rc {

// Every token kind once: the name, and how an error message calls it.
#define THEMEFOLD_RC_TOKEN_KINDS(X)                                                                \
  X(Int, "integer")                                                                                \
  X(String, "string")                                                                              \
  X(Identifier, "identifier")                                                                      \
  X(BlockBegin, "BEGIN or '{'")                                                                    \
  X(BlockEnd, "END or '}'")                                                                        \
  X(Comma, "','")                                                                                  \
  X(Plus, "'+'")                                                                                   \
  X(Minus, "'-'")                                                                                  \
  X(Pipe, "'|'")                                                                                   \
  X(Amp, "'&'")                                                                                    \
  X(Tilde, "'~'")                                                                                  \
  X(Asterisk, "'*'")                                                                               \
  X(Slash, "'/'")                                                                                  \
  X(LeftParen, "'('")                                                                              \
  X(RightParen, "')'")                                                                             \
  X(EndOfFile, "end of file")

enum class TokenKind : std::uint8_t {
#define THEMEFOLD_RC_TOKEN_ENUM(name, text) name,
  THEMEFOLD_RC_TOKEN_KINDS(THEMEFOLD_RC_TOKEN_ENUM)
#undef THEMEFOLD_RC_TOKEN_ENUM
};

/// How messages name a kind of token ("expected ',' ...").
const char* Describe(TokenKind kind);

/// Which file a token came from, and which line of it.
struct Location {
  const char* file = ""; ///< owned by the preprocessor's file list, lives as long as it
  std::uint32_t line = 0;
};

struct Token {
  TokenKind kind = TokenKind::EndOfFile;
  /// As written: strings keep their quotes and L prefix. A view into the line the lexer
  /// holds, so it lasts until the lexer moves on to another line.
  std::string_view text;
  std::uint32_t value = 0; ///< an Int's value, read once by the lexer
  Location where;
  std::uint16_t codePage = 0; ///< the code page in force where the token was written
};

} // namespace rc
