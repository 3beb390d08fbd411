#include "rc/Parser.h"

#include "rc/CharClass.h"
#include "rc/Diagnostics.h"
#include "rc/Text.h"

namespace rc {

// Grammar (after preprocessing; keywords in any case, BEGIN/END or braces):
//
//   script      := statement*
//   statement   := LANGUAGE int ',' int
//                | STRINGTABLE memflag* attribute* BEGIN (int [','] string+)* END
//                | name ICON memflag* file | name CURSOR memflag* file
//                | name BITMAP memflag* file | name HTML memflag* file
//                | name VERSIONINFO memflag* fixed* BEGIN vstatement* END
//                | name type memflag* (file | BEGIN (data ','*)* END)
//   name, type  := INTEGER | IDENTIFIER          (RCDATA is type 10)
//   file        := IDENTIFIER | STRING+          (adjacent strings are joined)
//   memflag     := PRELOAD | LOADONCALL | FIXED | MOVEABLE | DISCARDABLE | PURE
//                | IMPURE | SHARED | NONSHARED
//   attribute   := LANGUAGE int ',' int | CHARACTERISTICS int | VERSION int
//   fixed       := (FILEVERSION | PRODUCTVERSION) int (',' int){0,3}
//                | (FILEFLAGSMASK | FILEFLAGS | FILEOS | FILETYPE | FILESUBTYPE) int
//   vstatement  := BLOCK string BEGIN vstatement* END
//                | VALUE string ',' (data [','])+
//   data        := string | int
//   int         := sum;  sum := product (('+'|'-'|'|'|'&') product)*
//   product     := unary (('*'|'/') unary)*;  unary := ('-'|'~') unary | INTEGER | '(' sum ')'
//
// As in both rc and llvm-rc, + - | & share one precedence and bind left to right.
// Deliberate differences from Microsoft's rc: repeated unary operators nest as in C
// (rc gets "--1" wrong); DIALOG, MENU and ACCELERATORS are refused with a clear error
// since Visual Basic programs carry those in their forms. Difference from llvm-rc:
// VERSIONINFO values and user data take integer expressions, not just numbers, as
// Microsoft's rc does.

namespace {

constexpr int kMaxNesting = 64;

bool Is(const Token& token, const char* keyword) {
  if (token.kind != TokenKind::Identifier)
    return false;
  std::size_t i = 0;
  for (; keyword[i]; ++i)
    if (i >= token.text.size() || ToUpper(token.text[i]) != keyword[i])
      return false;
  return i == token.text.size();
}

std::string Shown(const Token& token) {
  if (token.kind == TokenKind::EndOfFile)
    return "end of file";
  return "'" + Excerpt(token.text) + "'";
}

std::string Shown(const NameOrId& n) {
  if (n.isId)
    return std::to_string(n.id);
  std::string out;
  for (char16_t c : n.name)
    out += static_cast<char>(c);  // names come from identifiers: ASCII
  return out;
}

std::u16string Key(const Token& token) { return text::Decode(token, text::Nulls::kCutAtNull).chars; }

} // namespace

void Parser::Unexpected(const char* expected) {
  const Token& got = lexer_.Peek();
  throw CompileError(got.kind == TokenKind::EndOfFile ? ErrorCode::kUnexpectedEof : ErrorCode::kSyntax,
                     got.where, std::string("expected ") + expected + ", got " + Shown(got));
}

Token Parser::Expect(TokenKind kind, const char* what) {
  if (!At(kind))
    Unexpected(what ? what : Describe(kind));
  last_ = lexer_.Next();
  return last_;
}

bool Parser::Accept(TokenKind kind) {
  if (!At(kind))
    return false;
  last_ = lexer_.Next();
  return true;
}

void Parser::Run() {
  while (!At(TokenKind::EndOfFile))
    Statement();
}

NameOrId Parser::TypeOrName(const char* what) {
  const Token& t = lexer_.Peek();
  if (t.kind == TokenKind::Int) {
    Token number = lexer_.Next();
    std::uint32_t value = 0;
    ParseInteger(number.text, value);
    last_ = number;
    return NameOrId::Id(Fit16(RcInt{value, false}, number, what));
  }
  if (t.kind == TokenKind::Identifier) {
    last_ = lexer_.Next();
    NameOrId n;
    n.isId = false;
    n.name = text::UpperName(last_.text);
    return n;
  }
  Unexpected((std::string(what) + " (a number or a name)").c_str());
}

void Parser::Statement() {
  context_.clear();
  const Token& first = lexer_.Peek();
  if (Is(first, "LANGUAGE")) {
    lexer_.Next();
    Language();
    return;
  }
  if (Is(first, "STRINGTABLE")) {
    lexer_.Next();
    context_ = "STRINGTABLE";
    StringTable();
    return;
  }
  ResourceHead head;
  head.where = first.where;
  head.name = TypeOrName("resource name");
  Token type = lexer_.Peek();
  head.where = type.where;
  context_ = "resource " + Shown(head.name);
  if (type.kind == TokenKind::Identifier) {
    context_ = Excerpt(type.text) + " " + Shown(head.name);
    for (char& c : context_)
      c = ToUpper(c);
  }
  if (Is(type, "ICON") || Is(type, "CURSOR") || Is(type, "BITMAP")) {
    lexer_.Next();
    Image(std::move(head), Is(type, "ICON")     ? ResourceType::kIcon
                           : Is(type, "CURSOR") ? ResourceType::kCursor
                                                : ResourceType::kBitmap);
    return;
  }
  if (Is(type, "VERSIONINFO")) {
    lexer_.Next();
    VersionInfo(std::move(head));
    return;
  }
  for (const char* refused : {"DIALOG", "DIALOGEX", "MENU", "MENUEX", "ACCELERATORS"})
    if (Is(type, refused))
      throw CompileError(ErrorCode::kUnsupported, type.where,
                         std::string(refused) + " resources are not supported by this compiler");
  if (Is(type, "RCDATA")) {
    lexer_.Next();
    UserDefined(std::move(head), NameOrId::Type(ResourceType::kRcData));
    return;
  }
  if (Is(type, "HTML")) {
    lexer_.Next();
    UserDefined(std::move(head), NameOrId::Type(ResourceType::kHtml));
    return;
  }
  NameOrId typeId = TypeOrName("resource type");
  UserDefined(std::move(head), std::move(typeId));
}

std::uint16_t Parser::MemoryFlags(std::uint16_t flags) {
  using namespace memory;
  for (;;) {
    const Token& t = lexer_.Peek();
    if (Is(t, "PRELOAD"))
      flags |= kPreload;
    else if (Is(t, "LOADONCALL"))
      flags &= ~kPreload;
    else if (Is(t, "FIXED"))
      flags &= ~(kMoveable | kDiscardable);
    else if (Is(t, "MOVEABLE"))
      flags |= kMoveable;
    else if (Is(t, "DISCARDABLE"))
      flags |= kDiscardable | kMoveable | kPure;
    else if (Is(t, "PURE") || Is(t, "SHARED"))
      flags |= kPure;
    else if (Is(t, "IMPURE") || Is(t, "NONSHARED"))
      flags &= ~(kPure | kDiscardable);
    else
      return flags;
    lexer_.Next();
  }
}

std::string Parser::FileName() {
  const Token& t = lexer_.Peek();
  if (t.kind == TokenKind::Identifier) {
    last_ = lexer_.Next();
    return last_.text;
  }
  if (t.kind != TokenKind::String)
    Unexpected("a file name");
  std::string name;
  while (At(TokenKind::String)) {
    last_ = lexer_.Next();
    name += text::Unquote(last_.text);
  }
  return name;
}

void Parser::Image(ResourceHead head, ResourceType kind) {
  using namespace memory;
  head.flags = MemoryFlags(kind == ResourceType::kBitmap ? (kMoveable | kPure)
                                                         : (kMoveable | kDiscardable));
  ImageStatement s;
  s.kind = kind;
  s.file = FileName();
  s.head = std::move(head);
  sink_.Image(s);
}

void Parser::UserDefined(ResourceHead head, NameOrId type) {
  head.flags = MemoryFlags(memory::kMoveable | memory::kPure);
  if (At(TokenKind::String) || At(TokenKind::Identifier)) {
    FileStatement s;
    s.head = std::move(head);
    s.type = std::move(type);
    s.file = FileName();
    sink_.File(s);
    return;
  }
  DataStatement s;
  s.head = std::move(head);
  s.type = std::move(type);
  Expect(TokenKind::BlockBegin, "a file name, BEGIN or '{'");
  while (!Accept(TokenKind::BlockEnd)) {
    DataStatement::Item item;
    if (At(TokenKind::String)) {
      Token t = lexer_.Next();
      auto decoded = text::Decode(t, text::Nulls::kKeep);
      item.isString = true;
      item.chars = std::move(decoded.chars);
      item.wide = decoded.wide;
    } else {
      if (At(TokenKind::EndOfFile))
        Unexpected("END or '}'");
      Token at = lexer_.Peek();
      item.number = Int();
      if (!item.number.isLong)
        Fit16(item.number, at, "number");
    }
    s.items.push_back(std::move(item));
    while (Accept(TokenKind::Comma)) {
    }
  }
  sink_.Data(s);
}

std::uint16_t Parser::LanguageId() {
  Token at = lexer_.Peek();
  RcInt primary = Int();
  Expect(TokenKind::Comma);
  RcInt sub = Int();
  // A full language ID where the primary language goes ("LANGUAGE 0x0409, 0", as Visual
  // Basic projects write it) is taken as Microsoft's rc takes it: the two are or-ed.
  if (primary.value > 0xFFFFu || sub.value >= (1u << 6))
    throw CompileError(ErrorCode::kBadValue, at.where,
                       "LANGUAGE " + std::to_string(primary.value) + ", " +
                           std::to_string(sub.value) +
                           ": the language takes 16 bits and the sublanguage 6");
  return static_cast<std::uint16_t>(primary.value | (sub.value << 10));
}

void Parser::Language() {
  LanguageStatement s;
  s.language = LanguageId();
  sink_.Language(s);
}

Attributes Parser::OptionalStatements() {
  Attributes a;
  while (!At(TokenKind::BlockBegin)) {
    const Token& t = lexer_.Peek();
    if (Is(t, "LANGUAGE")) {
      lexer_.Next();
      a.language = LanguageId();
    } else if (Is(t, "CHARACTERISTICS")) {
      lexer_.Next();
      a.characteristics = Int().value;
    } else if (Is(t, "VERSION")) {
      lexer_.Next();
      a.version = Int().value;
    } else {
      Unexpected("LANGUAGE, CHARACTERISTICS, VERSION, BEGIN or '{'");
    }
  }
  return a;
}

void Parser::StringTable() {
  StringTableStatement s;
  s.flags = MemoryFlags(memory::kMoveable | memory::kPure | memory::kDiscardable);
  s.attributes = OptionalStatements();
  Expect(TokenKind::BlockBegin);
  while (!Accept(TokenKind::BlockEnd)) {
    StringTableStatement::Entry e;
    Token at = lexer_.Peek();
    e.where = at.where;
    if (at.kind == TokenKind::EndOfFile)
      Unexpected("END or '}'");
    e.id = Fit16(Int(), at, "id");
    Accept(TokenKind::Comma);
    if (!At(TokenKind::String))
      Unexpected("a string");
    while (At(TokenKind::String)) {
      Token t = lexer_.Next();
      e.text += text::Decode(t, text::Nulls::kCutAtDoubleNull).chars;
    }
    s.entries.push_back(std::move(e));
  }
  sink_.StringTable(s);
}

void Parser::VersionInfo(ResourceHead head) {
  head.flags = MemoryFlags(memory::kMoveable | memory::kPure);
  VersionInfoStatement s;
  bool seen[7] = {};
  static const char* const kFixed[7] = {"FILEVERSION", "PRODUCTVERSION", "FILEFLAGSMASK",
                                        "FILEFLAGS",   "FILEOS",         "FILETYPE",
                                        "FILESUBTYPE"};
  while (!At(TokenKind::BlockBegin)) {
    Token t = lexer_.Peek();
    int which = -1;
    for (int i = 0; i < 7; ++i)
      if (Is(t, kFixed[i]))
        which = i;
    if (which < 0)
      Unexpected("FILEVERSION, PRODUCTVERSION, FILEFLAGSMASK, FILEFLAGS, FILEOS, FILETYPE, "
                 "FILESUBTYPE, BEGIN or '{'");
    if (seen[which])
      throw CompileError(ErrorCode::kSyntax, t.where,
                         std::string(kFixed[which]) + " is given twice in this VERSIONINFO");
    seen[which] = true;
    lexer_.Next();
    if (which < 2) {
      auto& parts = which == 0 ? s.fileVersion : s.productVersion;
      for (int i = 0; i < 4; ++i) {
        if (i > 0 && !Accept(TokenKind::Comma))
          break;
        Token at = lexer_.Peek();
        parts[i] = Fit16(Int(), at, std::string(kFixed[which]) + " part");
      }
    } else {
      std::uint32_t value = Int().value;
      std::uint32_t* fields[] = {&s.fileFlagsMask, &s.fileFlags, &s.fileOs, &s.fileType,
                                 &s.fileSubtype};
      *fields[which - 2] = value;
    }
  }
  Expect(TokenKind::BlockBegin);
  VersionBlockBody(s.root, 0);
  s.head = std::move(head);
  sink_.VersionInfo(s);
}

void Parser::VersionBlockBody(VersionBlock& block, int depth) {
  while (!Accept(TokenKind::BlockEnd)) {
    Token t = lexer_.Peek();
    VersionNode node;
    if (Is(t, "BLOCK")) {
      lexer_.Next();
      if (depth >= kMaxNesting)
        throw CompileError(ErrorCode::kSyntax, t.where, "VERSIONINFO blocks nested too deeply");
      node.block = std::make_unique<VersionBlock>();
      node.block->name = Key(Expect(TokenKind::String));
      Expect(TokenKind::BlockBegin);
      VersionBlockBody(*node.block, depth + 1);
    } else if (Is(t, "VALUE")) {
      lexer_.Next();
      VersionValue& v = node.value;
      v.where = t.where;
      v.key = Key(Expect(TokenKind::String));
      Expect(TokenKind::Comma);
      bool strings = false, numbers = false;
      while (!At(TokenKind::Identifier) && !At(TokenKind::BlockEnd)) {
        bool comma = !v.items.empty() && Accept(TokenKind::Comma);
        // The NUL after a string: written before a comma and after the last one.
        if (comma && !v.items.empty() && v.items.back().isString)
          v.items.back().terminated = true;
        VersionValue::Item item;
        Token at = lexer_.Peek();
        if (at.kind == TokenKind::EndOfFile)
          Unexpected("END or '}'");
        if (at.kind == TokenKind::String) {
          lexer_.Next();
          item.isString = true;
          item.chars = text::Decode(at, text::Nulls::kCutAtNull).chars;
          strings = true;
        } else {
          item.number = Int();
          if (!item.number.isLong)
            Fit16(item.number, at, "VALUE number");
          numbers = true;
        }
        v.items.push_back(std::move(item));
      }
      if (v.items.empty())
        Unexpected("a string or a number");
      if (v.items.back().isString)
        v.items.back().terminated = true;
      if (strings && numbers)
        throw CompileError(ErrorCode::kBadValue, t.where,
                           "a VERSIONINFO VALUE cannot mix strings and numbers");
    } else {
      Unexpected("BLOCK, VALUE, END or '}'");
    }
    block.children.push_back(std::move(node));
  }
}

std::uint16_t Parser::Fit16(const RcInt& value, const Token& at, const std::string& what) {
  if (value.value > 0xFFFF)
    throw CompileError(ErrorCode::kNumberTooLarge, at.where,
                       (context_.empty() ? "" : "in " + context_ + ": ") + what + " " +
                           std::to_string(value.value) + " does not fit in 16 bits");
  return static_cast<std::uint16_t>(value.value);
}

RcInt Parser::Int() { return IntSum(0); }

RcInt Parser::IntSum(int depth) {
  RcInt left = IntProduct(depth);
  for (;;) {
    TokenKind k = lexer_.Peek().kind;
    if (k != TokenKind::Plus && k != TokenKind::Minus && k != TokenKind::Pipe &&
        k != TokenKind::Amp)
      return left;
    lexer_.Next();
    RcInt right = IntProduct(depth);
    switch (k) {
    case TokenKind::Plus: left.value += right.value; break;
    case TokenKind::Minus: left.value -= right.value; break;
    case TokenKind::Pipe: left.value |= right.value; break;
    default: left.value &= right.value; break;
    }
    left.isLong = left.isLong || right.isLong;
  }
}

RcInt Parser::IntProduct(int depth) {
  RcInt left = IntUnary(depth);
  for (;;) {
    TokenKind k = lexer_.Peek().kind;
    if (k != TokenKind::Asterisk && k != TokenKind::Slash)
      return left;
    Token op = lexer_.Next();
    RcInt right = IntUnary(depth);
    if (k == TokenKind::Asterisk) {
      left.value *= right.value;
    } else {
      if (right.value == 0)
        throw CompileError(ErrorCode::kBadValue, op.where, "division by zero");
      left.value /= right.value;
    }
    left.isLong = left.isLong || right.isLong;
  }
}

RcInt Parser::IntUnary(int depth) {
  const Token& t = lexer_.Peek();
  if (depth > kMaxNesting)
    throw CompileError(ErrorCode::kSyntax, t.where, "expression nested too deeply");
  switch (t.kind) {
  case TokenKind::Minus: {
    lexer_.Next();
    RcInt v = IntUnary(depth + 1);
    v.value = 0u - v.value;
    return v;
  }
  case TokenKind::Tilde: {
    lexer_.Next();
    RcInt v = IntUnary(depth + 1);
    v.value = ~v.value;
    return v;
  }
  case TokenKind::Int: {
    last_ = lexer_.Next();
    RcInt v;
    ParseInteger(last_.text, v.value);
    v.isLong = ToUpper(last_.text.back()) == 'L';
    return v;
  }
  case TokenKind::LeftParen: {
    lexer_.Next();
    RcInt v = IntSum(depth + 1);
    Expect(TokenKind::RightParen);
    return v;
  }
  default:
    Unexpected("a number, '-', '~' or '('");
  }
}

} // namespace rc
