#pragma once
// The third stage: statements from tokens.

#include "rc/Lexer.h"
#include "rc/Statements.h"

namespace rc {

class Parser {
public:
  Parser(Lexer& lexer, StatementSink& sink) : lexer_(lexer), sink_(sink) {}

  /// Parses the whole script, handing each statement to the sink. Throws CompileError.
  void Run();

private:
  void Statement();
  void StringTable();
  void Language();
  /// "primary, sub" after the LANGUAGE keyword, as the 16-bit language ID.
  std::uint16_t LanguageId();
  void Image(ResourceHead head, ResourceType kind);
  void UserDefined(ResourceHead head, NameOrId type);
  void VersionInfo(ResourceHead head);
  void VersionBlockBody(VersionBlock& block, int depth);
  Attributes OptionalStatements();
  std::uint16_t MemoryFlags(std::uint16_t flags);
  NameOrId TypeOrName(const char* what);
  std::string FileName();

  RcInt Int();
  RcInt IntSum(int depth);
  RcInt IntProduct(int depth);
  RcInt IntUnary(int depth);
  std::uint16_t Fit16(const RcInt& value, const Token& at, const std::string& what);

  Token Expect(TokenKind kind, const char* what = nullptr);
  bool Accept(TokenKind kind);
  bool At(TokenKind kind) { return lexer_.Peek().kind == kind; }
  [[noreturn]] void Unexpected(const char* expected);

  Lexer& lexer_;
  StatementSink& sink_;
  Token last_;           // the last token taken
  std::string context_;  // "VERSIONINFO 1": which statement a value error belongs to
};

} // namespace rc
