#pragma once
// The third stage: statements from tokens.

#include "rc/Diagnostics.h"
#include "rc/Lexer.h"
#include "rc/Statements.h"

namespace rc {

class Parser {
public:
  Parser(Lexer& lexer, StatementSink& sink) : lexer_(lexer), sink_(sink) {}

  /// Parses the whole script, handing each statement to the sink. Throws CompileError.
  void Run();

  /// An option keyword of a menu item or an accelerator, and its bits.
  struct Flag {
    const char* keyword;
    std::uint16_t value;
  };

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
  void Dialog(ResourceHead head, bool extended);
  DialogStatement::Control Control(bool extended);
  /// x ',' y ',' width ',' height: signed 16-bit, the size not negative.
  void Box(const char* whose, std::uint16_t& x, std::uint16_t& y, std::uint16_t& width,
           std::uint16_t& height);
  void Menu(ResourceHead head, bool extended);
  std::vector<MenuStatement::Item> MenuItems(bool extended, int depth);
  void Accelerators(ResourceHead head);
  /// (',' keyword)*, each keyword one of table's: their bits together.
  std::uint16_t Flags(const Flag* table, std::size_t count);
  template <std::size_t N> std::uint16_t Flags(const Flag (&table)[N]) { return Flags(table, N); }
  /// LANGUAGE, CHARACTERISTICS or VERSION inside a resource; false if none is next.
  bool Attribute(Attributes& a);
  Attributes OptionalStatements();
  std::uint16_t MemoryFlags(std::uint16_t flags);
  NameOrId TypeOrName(const char* what);
  std::string FileName();
  /// A single number or a string: a control's title, a dialog's class.
  NameOrId TextOrOrdinal(const char* what);
  std::u16string Text(const char* what);
  /// A BLOCK's or VALUE's name: a string, cut at a NUL.
  std::u16string Key();

  /// An expression's value, and the bits that NOT took away from it: a control's style
  /// keeps them to clear them from its default style.
  struct Masked {
    RcInt value;
    std::uint32_t notMask = 0;
  };
  RcInt Int() { return IntSum(0).value; }
  Masked IntSum(int depth);
  Masked IntProduct(int depth);
  Masked IntUnary(int depth);
  /// Whether the next token can begin a number.
  bool AtInt();
  /// Whether the next token ends a dialog's control statement: END, '}' or another one.
  bool AtControlEnd();
  std::uint16_t Fit16(const RcInt& value, const Location& at, std::string_view what);
  std::uint16_t FitSigned16(const RcInt& value, const Location& at, std::string_view what,
                            bool negativeAllowed);
  [[noreturn]] void Fail(ErrorCode code, const Location& at, const std::string& what);
  /// "VERSIONINFO 1": which statement a value error belongs to; empty outside one.
  std::string ContextText() const;

  void Expect(TokenKind kind, const char* what = nullptr);
  bool Accept(TokenKind kind);
  bool At(TokenKind kind) { return lexer_.Peek().kind == kind; }
  [[noreturn]] void Unexpected(const char* expected);

  Lexer& lexer_;
  StatementSink& sink_;
  // The statement being parsed, kept as parts for ContextText.
  enum class Context { kNone, kStringTable, kResource, kTypedResource };
  Context context_ = Context::kNone;
  NameOrId contextName_;
  std::string contextType_; // the type as written
  DataStatement data_;
};

} // namespace rc
