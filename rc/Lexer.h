#pragma once
// The second stage: script tokens from the preprocessor's lines, with the token rules of
// rc (a name may hold . / \ and -, so unquoted file names are one token; BEGIN and END
// are braces).

#include "rc/Preprocessor.h"
#include "rc/Token.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rc {

/// rc's integers: decimal, 0x hex, 0 octal, with an optional L; 32 bits at most.
bool ParseInteger(std::string_view text, std::uint32_t& value);

/// One token of lookahead over the preprocessed script. A token's text points into the
/// current line: it lasts until a Peek after Skip moves on to another line.
class Lexer {
public:
  explicit Lexer(Preprocessor& preprocessor) : preprocessor_(preprocessor) {}

  const Token& Peek() {
    if (!filled_)
      Fill();
    return next_;
  }
  /// Takes the next token: read it by Peek first.
  void Skip() {
    if (!filled_)
      Fill();
    filled_ = false;
  }

private:
  void Fill();

  Preprocessor& preprocessor_;
  ScriptLine line_;
  std::size_t pos_ = 0;
  bool haveLine_ = false;
  bool filled_ = false;
  Token next_;
};

} // namespace rc
