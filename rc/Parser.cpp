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
//                | name (DIALOG | DIALOGEX) memflag* int ',' int ',' int ',' int
//                       [',' int (DIALOGEX only)] doption* BEGIN control* END
//                | name (MENU | MENUEX) memflag* attribute* BEGIN menuitem* END
//                | name ACCELERATORS memflag* attribute* BEGIN accelerator* END
//                | name type memflag* (file | BEGIN (data ','*)* END)
//   name, type  := INTEGER | IDENTIFIER          (RCDATA is type 10)
//   file        := IDENTIFIER | STRING+          (adjacent strings are joined)
//   memflag     := PRELOAD | LOADONCALL | FIXED | MOVEABLE | DISCARDABLE | PURE
//                | IMPURE | SHARED | NONSHARED
//   attribute   := LANGUAGE int ',' int | CHARACTERISTICS int | VERSION int
//   doption     := attribute | CAPTION string | CLASS (INTEGER | string) | STYLE int
//                | EXSTYLE int | MENU (INTEGER | string | IDENTIFIER)
//                | FONT int [','] string [',' [int] [',' [int] [',' [int]]]] (DIALOGEX)
//   control     := see Parser::Control;  menuitem := see Parser::MenuItems
//   accelerator := (INTEGER | string) ',' int (',' flag)*
//   fixed       := (FILEVERSION | PRODUCTVERSION) int (',' int){0,3}
//                | (FILEFLAGSMASK | FILEFLAGS | FILEOS | FILETYPE | FILESUBTYPE) int
//   vstatement  := BLOCK string BEGIN vstatement* END
//                | VALUE string ',' (data [','])+
//   data        := string | int
//   int         := sum;  sum := product (('+'|'-'|'|'|'&') product)*
//   product     := unary (('*'|'/') unary)*
//   unary       := ('-'|'~'|NOT) unary | INTEGER | '(' sum ')'
//
// As in both rc and llvm-rc, + - | & share one precedence and bind left to right.
// Deliberate differences from Microsoft's rc: repeated unary operators nest as in C
// (rc gets "--1" wrong). Differences from llvm-rc, following Microsoft's rc: VERSIONINFO
// values and user data take integer expressions, not just numbers; a dialog may name its
// MENU; CONTROL takes a class ordinal; ALT goes with ASCII keys; a MENUITEM may leave out
// the comma before its id, as Visual Studio writes it, and FONT the one before its face;
// a control statement may end in a comma; MENUEX.

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
    out += static_cast<char>(c); // names come from identifiers: ASCII
  return out;
}

} // namespace

void Parser::Unexpected(const char* expected) {
  const Token& got = lexer_.Peek();
  throw CompileError(got.kind == TokenKind::EndOfFile ? ErrorCode::kUnexpectedEof
                                                      : ErrorCode::kSyntax,
                     got.where, std::string("expected ") + expected + ", got " + Shown(got));
}

void Parser::Expect(TokenKind kind, const char* what) {
  if (!At(kind))
    Unexpected(what ? what : Describe(kind));
  lexer_.Skip();
}

bool Parser::Accept(TokenKind kind) {
  if (!At(kind))
    return false;
  lexer_.Skip();
  return true;
}

void Parser::Run() {
  while (!At(TokenKind::EndOfFile))
    Statement();
}

NameOrId Parser::TypeOrName(const char* what) {
  const Token& t = lexer_.Peek();
  if (t.kind == TokenKind::Int) {
    const std::uint16_t id = Fit16(RcInt{t.value, false}, t.where, what);
    lexer_.Skip();
    return NameOrId::Id(id);
  }
  if (t.kind == TokenKind::Identifier) {
    NameOrId n;
    n.isId = false;
    n.name = text::UpperName(t.text);
    lexer_.Skip();
    return n;
  }
  Unexpected((std::string(what) + " (a number or a name)").c_str());
}

void Parser::Statement() {
  context_ = Context::kNone;
  const Token& first = lexer_.Peek();
  if (Is(first, "LANGUAGE")) {
    lexer_.Skip();
    Language();
    return;
  }
  if (Is(first, "STRINGTABLE")) {
    lexer_.Skip();
    context_ = Context::kStringTable;
    StringTable();
    return;
  }
  ResourceHead head;
  head.where = first.where;
  head.name = TypeOrName("resource name");
  const Token& type = lexer_.Peek();
  head.where = type.where;
  // What an error message names the statement by is only put into words for a message.
  context_ = Context::kResource;
  contextName_ = head.name;
  contextType_.clear();
  if (type.kind == TokenKind::Identifier) {
    context_ = Context::kTypedResource;
    contextType_.assign(type.text);
  }
  enum class Kind { kImage, kVersion, kDialog, kMenu, kAccelerators, kRcData, kHtml, kOther };
  Kind kind = Kind::kOther;
  ResourceType image = ResourceType::kIcon;
  bool extended = false;
  if (Is(type, "ICON") || Is(type, "CURSOR") || Is(type, "BITMAP")) {
    kind = Kind::kImage;
    image = Is(type, "ICON")     ? ResourceType::kIcon
            : Is(type, "CURSOR") ? ResourceType::kCursor
                                 : ResourceType::kBitmap;
  } else if (Is(type, "VERSIONINFO")) {
    kind = Kind::kVersion;
  } else if (Is(type, "DIALOG") || Is(type, "DIALOGEX")) {
    kind = Kind::kDialog;
    extended = Is(type, "DIALOGEX");
  } else if (Is(type, "MENU") || Is(type, "MENUEX")) {
    kind = Kind::kMenu;
    extended = Is(type, "MENUEX");
  } else if (Is(type, "ACCELERATORS")) {
    kind = Kind::kAccelerators;
  } else if (Is(type, "RCDATA")) {
    kind = Kind::kRcData;
  } else if (Is(type, "HTML")) {
    kind = Kind::kHtml;
  }
  if (kind != Kind::kOther)
    lexer_.Skip();
  switch (kind) {
  case Kind::kImage:
    Image(std::move(head), image);
    return;
  case Kind::kVersion:
    VersionInfo(std::move(head));
    return;
  case Kind::kDialog:
    Dialog(std::move(head), extended);
    return;
  case Kind::kMenu:
    Menu(std::move(head), extended);
    return;
  case Kind::kAccelerators:
    Accelerators(std::move(head));
    return;
  case Kind::kRcData:
    UserDefined(std::move(head), NameOrId::Type(ResourceType::kRcData));
    return;
  case Kind::kHtml:
    UserDefined(std::move(head), NameOrId::Type(ResourceType::kHtml));
    return;
  case Kind::kOther:
    break;
  }
  const Location typeAt = lexer_.Peek().where;
  NameOrId typeId = TypeOrName("resource type");
  // An entry of type 0 would read back as the .res file's leading marker.
  if (typeId.isId && typeId.id == 0)
    Fail(ErrorCode::kBadValue, typeAt, "resource type 0 is reserved");
  UserDefined(std::move(head), std::move(typeId));
}

std::string Parser::ContextText() const {
  switch (context_) {
  case Context::kNone:
    return {};
  case Context::kStringTable:
    return "STRINGTABLE";
  case Context::kResource:
    return "resource " + Shown(contextName_);
  case Context::kTypedResource: {
    std::string text = Excerpt(contextType_) + " " + Shown(contextName_);
    for (char& c : text)
      c = ToUpper(c);
    return text;
  }
  }
  return {};
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
    lexer_.Skip();
  }
}

std::string Parser::FileName() {
  const Token& t = lexer_.Peek();
  if (t.kind == TokenKind::Identifier) {
    std::string name(t.text);
    lexer_.Skip();
    return name;
  }
  if (t.kind != TokenKind::String)
    Unexpected("a file name");
  std::string name;
  while (At(TokenKind::String)) {
    name += text::UnquotedView(lexer_.Peek().text);
    lexer_.Skip();
  }
  return name;
}

void Parser::Image(ResourceHead head, ResourceType kind) {
  using namespace memory;
  head.flags =
      MemoryFlags(kind == ResourceType::kBitmap ? (kMoveable | kPure) : (kMoveable | kDiscardable));
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
  // One statement object serves every data resource: its list keeps its room.
  DataStatement& s = data_;
  s.items.clear();
  s.head = std::move(head);
  s.type = std::move(type);
  Expect(TokenKind::BlockBegin, "a file name, BEGIN or '{'");
  while (!Accept(TokenKind::BlockEnd)) {
    DataStatement::Item item;
    if (At(TokenKind::String)) {
      auto decoded = text::Decode(lexer_.Peek(), text::Nulls::kKeep);
      lexer_.Skip();
      item.isString = true;
      item.chars = std::move(decoded.chars);
      item.wide = decoded.wide;
    } else {
      if (At(TokenKind::EndOfFile))
        Unexpected("END or '}'");
      const Location at = lexer_.Peek().where;
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
  const Location at = lexer_.Peek().where;
  RcInt primary = Int();
  Expect(TokenKind::Comma);
  RcInt sub = Int();
  // A full language ID where the primary language goes ("LANGUAGE 0x0409, 0", as Visual
  // Basic projects write it) is taken as Microsoft's rc takes it: the two are or-ed.
  if (primary.value > 0xFFFFu || sub.value >= (1u << 6))
    throw CompileError(ErrorCode::kBadValue, at,
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

bool Parser::Attribute(Attributes& a) {
  const Token& t = lexer_.Peek();
  if (Is(t, "LANGUAGE")) {
    lexer_.Skip();
    a.language = LanguageId();
  } else if (Is(t, "CHARACTERISTICS")) {
    lexer_.Skip();
    a.characteristics = Int().value;
  } else if (Is(t, "VERSION")) {
    lexer_.Skip();
    a.version = Int().value;
  } else {
    return false;
  }
  return true;
}

Attributes Parser::OptionalStatements() {
  Attributes a;
  while (!At(TokenKind::BlockBegin))
    if (!Attribute(a))
      Unexpected("LANGUAGE, CHARACTERISTICS, VERSION, BEGIN or '{'");
  return a;
}

NameOrId Parser::TextOrOrdinal(const char* what) {
  if (At(TokenKind::Int)) {
    const Location at = lexer_.Peek().where;
    return NameOrId::Id(Fit16(Int(), at, what));
  }
  return NameOrId::Text(Text((std::string("a string or a number for the ") + what).c_str()));
}

std::u16string Parser::Key() {
  if (!At(TokenKind::String))
    Unexpected(Describe(TokenKind::String));
  std::u16string chars = text::Decode(lexer_.Peek(), text::Nulls::kCutAtNull).chars;
  lexer_.Skip();
  return chars;
}

std::u16string Parser::Text(const char* what) {
  if (!At(TokenKind::String))
    Unexpected(what);
  std::u16string chars = text::Decode(lexer_.Peek(), text::Nulls::kCutAtNull).chars;
  lexer_.Skip();
  return chars;
}

namespace {

// The control statements: default style, window class ordinal (0 for CONTROL, which
// names its class) and whether a title comes first.
struct ControlKind {
  const char* keyword;
  std::uint32_t style;
  std::uint16_t windowClass;
  bool hasTitle;
};
enum : std::uint16_t { kButton = 0x80, kEdit, kStatic, kListBox, kScrollBar, kComboBox };
// clang-format off
constexpr ControlKind kControls[] = {
    {"LTEXT", 0x50020000, kStatic, true},          {"CTEXT", 0x50020001, kStatic, true},
    {"RTEXT", 0x50020002, kStatic, true},          {"ICON", 0x50000003, kStatic, true},
    {"PUSHBUTTON", 0x50010000, kButton, true},     {"DEFPUSHBUTTON", 0x50010001, kButton, true},
    {"CHECKBOX", 0x50010002, kButton, true},       {"AUTOCHECKBOX", 0x50010003, kButton, true},
    {"RADIOBUTTON", 0x50000004, kButton, true},    {"STATE3", 0x50010005, kButton, true},
    {"AUTO3STATE", 0x50010006, kButton, true},     {"GROUPBOX", 0x50000007, kButton, true},
    {"AUTORADIOBUTTON", 0x50000009, kButton, true}, {"PUSHBOX", 0x5001000A, kButton, true},
    {"EDITTEXT", 0x50810000, kEdit, false},        {"COMBOBOX", 0x50000000, kComboBox, false},
    {"LISTBOX", 0x50800001, kListBox, false},      {"SCROLLBAR", 0x50000000, kScrollBar, false},
    {"CONTROL", 0x50000000, 0, true},
};
// clang-format on

constexpr std::uint32_t kDefaultDialogStyle = 0x80880000; // WS_POPUP | WS_BORDER | WS_SYSMENU
constexpr std::uint32_t kDialogFontStyle = 0x40;          // DS_SETFONT
constexpr std::uint32_t kDialogCaptionStyle = 0x00C00000; // WS_CAPTION
constexpr std::uint32_t kNoId = 0xFFFFFFFF;               // -1: a control or item never referred to

using Flag = Parser::Flag;
constexpr Flag kMenuFlags[] = {{"CHECKED", 0x0008},      {"GRAYED", 0x0001},
                               {"HELP", 0x4000},         {"INACTIVE", 0x0002},
                               {"MENUBARBREAK", 0x0020}, {"MENUBREAK", 0x0040}};
// ASCII is no bit of the format; it only tells "ASCII" from "neither".
constexpr std::uint16_t kAscii = 0x8000, kVirtKey = 0x01, kShift = 0x04, kControl = 0x08;
// clang-format off
constexpr Flag kAcceleratorFlags[] = {{"ASCII", kAscii},   {"VIRTKEY", kVirtKey},
                                      {"NOINVERT", 0x02}, {"ALT", 0x10},
                                      {"SHIFT", kShift},  {"CONTROL", kControl}};
// clang-format on

} // namespace

std::uint16_t Parser::Flags(const Flag* table, std::size_t count) {
  std::uint16_t flags = 0;
  while (Accept(TokenKind::Comma)) {
    const Token& t = lexer_.Peek();
    const Flag* found = nullptr;
    for (std::size_t i = 0; i < count; ++i)
      if (Is(t, table[i].keyword))
        found = &table[i];
    if (!found) {
      std::string list;
      for (std::size_t i = 0; i < count; ++i)
        list += std::string(i == 0 ? "" : i + 1 == count ? " or " : ", ") + table[i].keyword;
      Unexpected(list.c_str());
    }
    flags |= found->value;
    lexer_.Skip();
  }
  return flags;
}

void Parser::Box(const char* whose, std::uint16_t& x, std::uint16_t& y, std::uint16_t& width,
                 std::uint16_t& height) {
  const char* const what[4] = {" x-coordinate", " y-coordinate", " width", " height"};
  std::uint16_t* const place[4] = {&x, &y, &width, &height};
  for (int i = 0; i < 4; ++i) {
    if (i > 0)
      Expect(TokenKind::Comma);
    const Location at = lexer_.Peek().where;
    *place[i] = FitSigned16(Int(), at, whose + std::string(what[i]), i < 2);
  }
}

void Parser::Dialog(ResourceHead head, bool extended) {
  using namespace memory;
  head.flags = MemoryFlags(kMoveable | kPure | kDiscardable);
  DialogStatement s;
  s.extended = extended;
  Box("dialog", s.x, s.y, s.width, s.height);
  if (extended && Accept(TokenKind::Comma))
    s.helpId = Int().value;

  std::optional<std::uint32_t> style;
  Location styleAt;
  bool caption = false;
  while (!At(TokenKind::BlockBegin)) {
    if (Attribute(s.attributes))
      continue;
    Token t = lexer_.Peek();
    if (Is(t, "CAPTION")) {
      lexer_.Skip();
      s.caption = Text("a string");
      caption = true;
    } else if (Is(t, "CLASS")) {
      lexer_.Skip();
      s.windowClass = TextOrOrdinal("class");
    } else if (Is(t, "EXSTYLE")) {
      lexer_.Skip();
      s.exStyle = Int().value;
    } else if (Is(t, "STYLE")) {
      lexer_.Skip();
      styleAt = lexer_.Peek().where;
      style = Int().value;
    } else if (Is(t, "MENU")) {
      lexer_.Skip();
      s.menu = At(TokenKind::Identifier) ? TypeOrName("menu") : TextOrOrdinal("menu");
    } else if (Is(t, "FONT")) {
      lexer_.Skip();
      DialogStatement::Font font;
      Location at = lexer_.Peek().where;
      font.size = Fit16(Int(), at, "font size");
      // rc takes the face without the comma before it, as it takes a MENUITEM's id.
      if (!Accept(TokenKind::Comma) && !At(TokenKind::String))
        Unexpected("','");
      font.face = Text("a string");
      // DIALOGEX fonts may add weight, italic and character set, each optional.
      if (extended && Accept(TokenKind::Comma)) {
        for (int i = 0; i < 3; ++i) {
          if ((i > 0 && !Accept(TokenKind::Comma)) || !AtInt())
            break;
          at = lexer_.Peek().where;
          RcInt v = Int();
          if (i == 0)
            font.weight = Fit16(v, at, "font weight");
          else if (i == 1)
            font.italic = v.value != 0;
          else if (v.value > 0xFF)
            Fail(ErrorCode::kNumberTooLarge, at,
                 DoesNotFit("font character set", v.value, "8 bits"));
          else
            font.charset = static_cast<std::uint8_t>(v.value);
        }
      }
      s.font = std::move(font);
    } else {
      Unexpected("LANGUAGE, CHARACTERISTICS, VERSION, CAPTION, CLASS, EXSTYLE, FONT, MENU, "
                 "STYLE, BEGIN or '{'");
    }
  }
  s.style = style.value_or(kDefaultDialogStyle);
  if (s.font)
    s.style |= kDialogFontStyle;
  else
    s.style &= ~kDialogFontStyle;
  if (caption)
    s.style |= kDialogCaptionStyle;
  // The high word 0xFFFF is what marks a DIALOGEX: a DIALOG with it would be read as one.
  if (!extended && (s.style >> 16) == 0xFFFF)
    Fail(ErrorCode::kBadValue, styleAt, "the high 16 bits of a DIALOG style cannot be 0xFFFF");

  Expect(TokenKind::BlockBegin);
  while (!Accept(TokenKind::BlockEnd)) {
    if (s.controls.size() == 0xFFFF)
      Fail(ErrorCode::kBadValue, lexer_.Peek().where, "more than 65535 controls");
    s.controls.push_back(Control(extended));
  }
  s.head = std::move(head);
  sink_.Dialog(s);
}

// [title ','] id ',' (class ',' style ',')? x ',' y ',' width ',' height [',' style]
// [',' exstyle [',' helpid]] [',']; the style after the size is for all but CONTROL.
DialogStatement::Control Parser::Control(bool extended) {
  const Token& t = lexer_.Peek();
  const ControlKind* kind = nullptr;
  for (const auto& k : kControls)
    if (Is(t, k.keyword))
      kind = &k;
  if (!kind)
    Unexpected("a control statement, END or '}'");
  const bool isControl = kind->windowClass == 0;
  lexer_.Skip();

  DialogStatement::Control c;
  if (kind->hasTitle) {
    c.title = TextOrOrdinal("control title");
    Expect(TokenKind::Comma);
  }
  const Location at = lexer_.Peek().where;
  c.id = Int().value;
  if (!extended && c.id != kNoId)
    Fit16(RcInt{c.id, false}, at, "control id");
  Expect(TokenKind::Comma);

  Masked style;
  if (isControl) {
    c.windowClass = TextOrOrdinal("control class");
    Expect(TokenKind::Comma);
    style = IntSum(0);
    Expect(TokenKind::Comma);
  } else {
    c.windowClass = NameOrId::Id(kind->windowClass);
  }
  Box("control", c.x, c.y, c.width, c.height);
  // A comma may end the statement, as Microsoft's rc allows: one before END, '}' or the
  // next control statement adds nothing.
  auto more = [&] { return Accept(TokenKind::Comma) && !AtControlEnd(); };
  bool next = more();
  if (!isControl && next) {
    style = IntSum(0);
    next = more();
  }
  if (next) {
    c.exStyle = Int().value;
    if (more()) {
      c.helpId = Int().value;
      if (more())
        Unexpected("a control statement, END or '}'");
    }
  }
  c.style = (kind->style & ~style.notMask) | style.value.value;
  return c;
}

void Parser::Menu(ResourceHead head, bool extended) {
  using namespace memory;
  head.flags = MemoryFlags(kMoveable | kPure | kDiscardable);
  MenuStatement s;
  s.extended = extended;
  s.attributes = OptionalStatements();
  Expect(TokenKind::BlockBegin);
  s.items = MenuItems(extended, 0);
  s.head = std::move(head);
  sink_.Menu(s);
}

// After BEGIN, up to and including END:
//   MENU:   MENUITEM SEPARATOR | MENUITEM text [','] id (',' flag)* | POPUP text (',' flag)* block
//   MENUEX: MENUITEM text [',' [id] [',' [type] [',' [state]]]]
//           POPUP text [',' [id] [',' [type] [',' [state] [',' [helpid]]]]] block
std::vector<MenuStatement::Item> Parser::MenuItems(bool extended, int depth) {
  using Kind = MenuStatement::Item::Kind;
  std::vector<MenuStatement::Item> items;
  while (!Accept(TokenKind::BlockEnd)) {
    Token t = lexer_.Peek();
    const bool popup = Is(t, "POPUP");
    if (!popup && !Is(t, "MENUITEM"))
      Unexpected("MENUITEM, POPUP, END or '}'");
    lexer_.Skip();
    MenuStatement::Item item;
    item.kind = popup ? Kind::kPopup : Kind::kItem;
    if (!extended && !popup && At(TokenKind::Identifier)) {
      if (!Is(lexer_.Peek(), "SEPARATOR"))
        Unexpected("SEPARATOR or a string");
      lexer_.Skip();
      item.kind = Kind::kSeparator;
      items.push_back(std::move(item));
      continue;
    }
    item.text = Text("a string");
    if (extended) {
      std::uint32_t* const fields[4] = {&item.id, &item.type, &item.state, &item.helpId};
      for (int i = 0; i < (popup ? 4 : 3) && Accept(TokenKind::Comma); ++i)
        if (AtInt())
          *fields[i] = Int().value;
    } else {
      if (!popup) {
        // Visual Studio sometimes leaves out the comma before the id; rc takes it.
        if (!Accept(TokenKind::Comma) && !AtInt())
          Unexpected("','");
        const Location at = lexer_.Peek().where;
        item.id = Int().value;
        if (item.id != kNoId)
          Fit16(RcInt{item.id, false}, at, "MENUITEM id");
      }
      item.flags = Flags(kMenuFlags);
    }
    if (popup) {
      if (depth >= kMaxNesting)
        Fail(ErrorCode::kSyntax, t.where, "POPUP menus nested too deeply");
      Expect(TokenKind::BlockBegin);
      item.children = MenuItems(extended, depth + 1);
    }
    items.push_back(std::move(item));
  }
  return items;
}

// event ',' id (',' flag)*: the event a number (with ASCII or VIRTKEY), one character
// or "^" and a letter for a control key.
void Parser::Accelerators(ResourceHead head) {
  head.flags = MemoryFlags(memory::kMoveable | memory::kPure);
  AcceleratorsStatement s;
  s.attributes = OptionalStatements();
  Expect(TokenKind::BlockBegin);
  while (!Accept(TokenKind::BlockEnd)) {
    Token event = lexer_.Peek();
    if (event.kind != TokenKind::Int && event.kind != TokenKind::String)
      Unexpected("a string or a number, END or '}'");
    // The key is read after the tokens that follow, which may be on another line.
    const std::string eventText(event.text);
    event.text = eventText;
    lexer_.Skip();
    Expect(TokenKind::Comma);
    const Location at = lexer_.Peek().where;
    AcceleratorsStatement::Entry e;
    e.id = Fit16(Int(), at, "accelerator id");
    const std::uint16_t flags = Flags(kAcceleratorFlags);
    const bool ascii = flags & kAscii, virtKey = flags & kVirtKey;
    auto bad = [&](const std::string& why) {
      Fail(ErrorCode::kBadValue, event.where, "accelerator " + std::to_string(e.id) + ": " + why);
    };
    if (ascii && virtKey)
      bad("ASCII and VIRTKEY exclude each other");
    if (!virtKey && (flags & (kShift | kControl)))
      bad("SHIFT and CONTROL apply to VIRTKEY keys only");
    e.flags = static_cast<std::uint16_t>(flags & ~kAscii);
    if (event.kind == TokenKind::Int) {
      if (!ascii && !virtKey)
        bad("a key given as a number needs ASCII or VIRTKEY");
      e.key = Fit16(RcInt{event.value, false}, event.where, "accelerator key");
    } else {
      // The key is the character as written: no escapes, as in rc.
      const std::string key = text::Unquote(event.text);
      if (key.empty() || key.size() > 2 || (key.size() == 2) != (key[0] == '^'))
        bad("the key must be one character, or '^' and a letter");
      const auto c = static_cast<unsigned char>(key.back());
      if (key.size() == 2) {
        if (virtKey)
          bad("a VIRTKEY key cannot be given with '^'");
        if (!IsAlpha(key[1]))
          bad("'^' must be followed by a letter");
        e.key = static_cast<std::uint16_t>(ToUpper(key[1]) - 'A' + 1);
      } else if (c > 0x7F) {
        bad("the key must be an ASCII character");
      } else if (virtKey && !IsAlnum(key[0])) {
        bad("a VIRTKEY key must be a letter or a digit");
      } else {
        e.key = virtKey ? static_cast<std::uint16_t>(ToUpper(key[0])) : c;
      }
    }
    s.entries.push_back(e);
  }
  s.head = std::move(head);
  sink_.Accelerators(s);
}

void Parser::StringTable() {
  StringTableStatement s;
  s.flags = MemoryFlags(memory::kMoveable | memory::kPure | memory::kDiscardable);
  s.attributes = OptionalStatements();
  Expect(TokenKind::BlockBegin);
  while (!Accept(TokenKind::BlockEnd)) {
    StringTableStatement::Entry e;
    const Token& first = lexer_.Peek();
    const Location at = first.where;
    e.where = at;
    if (first.kind == TokenKind::EndOfFile)
      Unexpected("END or '}'");
    e.id = Fit16(Int(), at, "id");
    Accept(TokenKind::Comma);
    if (!At(TokenKind::String))
      Unexpected("a string");
    while (At(TokenKind::String)) {
      std::u16string chars = text::Decode(lexer_.Peek(), text::Nulls::kCutAtDoubleNull).chars;
      lexer_.Skip();
      if (e.text.empty())
        e.text = std::move(chars);
      else
        e.text += chars;
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
    lexer_.Skip();
    if (which < 2) {
      auto& parts = which == 0 ? s.fileVersion : s.productVersion;
      for (int i = 0; i < 4; ++i) {
        if (i > 0 && !Accept(TokenKind::Comma))
          break;
        const Location at = lexer_.Peek().where;
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
      lexer_.Skip();
      if (depth >= kMaxNesting)
        throw CompileError(ErrorCode::kSyntax, t.where, "VERSIONINFO blocks nested too deeply");
      node.block = std::make_unique<VersionBlock>();
      node.block->name = Key();
      Expect(TokenKind::BlockBegin);
      VersionBlockBody(*node.block, depth + 1);
    } else if (Is(t, "VALUE")) {
      lexer_.Skip();
      VersionValue& v = node.value;
      v.where = t.where;
      v.key = Key();
      Expect(TokenKind::Comma);
      bool strings = false, numbers = false;
      while (!At(TokenKind::Identifier) && !At(TokenKind::BlockEnd)) {
        bool comma = !v.items.empty() && Accept(TokenKind::Comma);
        // The NUL after a string: written before a comma and after the last one.
        if (comma && !v.items.empty() && v.items.back().isString)
          v.items.back().terminated = true;
        VersionValue::Item item;
        const Token& next = lexer_.Peek();
        const Location at = next.where;
        if (next.kind == TokenKind::EndOfFile)
          Unexpected("END or '}'");
        if (next.kind == TokenKind::String) {
          item.isString = true;
          item.chars = text::Decode(next, text::Nulls::kCutAtNull).chars;
          lexer_.Skip();
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

void Parser::Fail(ErrorCode code, const Location& at, const std::string& what) {
  const std::string context = ContextText();
  throw CompileError(code, at, (context.empty() ? "" : "in " + context + ": ") + what);
}

std::uint16_t Parser::Fit16(const RcInt& value, const Location& at, std::string_view what) {
  if (value.value > 0xFFFF)
    Fail(ErrorCode::kNumberTooLarge, at, DoesNotFit(what, value.value, "16 bits"));
  return static_cast<std::uint16_t>(value.value);
}

std::uint16_t Parser::FitSigned16(const RcInt& value, const Location& at, std::string_view what,
                                  bool negativeAllowed) {
  const auto v = static_cast<std::int32_t>(value.value);
  if (v < -32768 || v > 32767)
    Fail(ErrorCode::kNumberTooLarge, at, DoesNotFit(what, v, "16 bits with a sign"));
  if (v < 0 && !negativeAllowed)
    Fail(ErrorCode::kBadValue, at,
         std::string(what) + " " + std::to_string(v) + " cannot be negative");
  return static_cast<std::uint16_t>(value.value);
}

bool Parser::AtControlEnd() {
  const Token& t = lexer_.Peek();
  if (t.kind == TokenKind::BlockEnd)
    return true;
  for (const auto& k : kControls)
    if (Is(t, k.keyword))
      return true;
  return false;
}

bool Parser::AtInt() {
  const Token& t = lexer_.Peek();
  return t.kind == TokenKind::Int || t.kind == TokenKind::Minus || t.kind == TokenKind::Tilde ||
         t.kind == TokenKind::LeftParen || Is(t, "NOT");
}

// NOT x is 0 with x's bits remembered; each operator first clears the bits its right
// operand took away, as rc does, so "a | NOT b" is a without b.
Parser::Masked Parser::IntSum(int depth) {
  Masked left = IntProduct(depth);
  for (;;) {
    TokenKind k = lexer_.Peek().kind;
    if (k != TokenKind::Plus && k != TokenKind::Minus && k != TokenKind::Pipe &&
        k != TokenKind::Amp)
      return left;
    lexer_.Skip();
    Masked right = IntProduct(depth);
    left.value.value &= ~right.notMask;
    switch (k) {
    case TokenKind::Plus:
      left.value.value += right.value.value;
      break;
    case TokenKind::Minus:
      left.value.value -= right.value.value;
      break;
    case TokenKind::Pipe:
      left.value.value |= right.value.value;
      break;
    default:
      left.value.value &= right.value.value;
      break;
    }
    left.value.isLong = left.value.isLong || right.value.isLong;
    left.notMask |= right.notMask;
  }
}

Parser::Masked Parser::IntProduct(int depth) {
  Masked left = IntUnary(depth);
  for (;;) {
    TokenKind k = lexer_.Peek().kind;
    if (k != TokenKind::Asterisk && k != TokenKind::Slash)
      return left;
    const Location op = lexer_.Peek().where;
    lexer_.Skip();
    Masked right = IntUnary(depth);
    left.value.value &= ~right.notMask;
    if (k == TokenKind::Asterisk) {
      left.value.value *= right.value.value;
    } else {
      if (right.value.value == 0)
        throw CompileError(ErrorCode::kBadValue, op, "division by zero");
      left.value.value /= right.value.value;
    }
    left.value.isLong = left.value.isLong || right.value.isLong;
    left.notMask |= right.notMask;
  }
}

Parser::Masked Parser::IntUnary(int depth) {
  const Token& t = lexer_.Peek();
  if (depth > kMaxNesting)
    throw CompileError(ErrorCode::kSyntax, t.where, "expression nested too deeply");
  switch (t.kind) {
  case TokenKind::Minus: {
    lexer_.Skip();
    Masked v = IntUnary(depth + 1);
    v.value.value = 0u - v.value.value;
    return v;
  }
  case TokenKind::Tilde: {
    lexer_.Skip();
    Masked v = IntUnary(depth + 1);
    v.value.value = ~v.value.value;
    v.notMask = 0;
    return v;
  }
  case TokenKind::Int: {
    Masked v;
    v.value.value = t.value;
    v.value.isLong = ToUpper(t.text.back()) == 'L';
    lexer_.Skip();
    return v;
  }
  case TokenKind::LeftParen: {
    lexer_.Skip();
    Masked v = IntSum(depth + 1);
    Expect(TokenKind::RightParen);
    return v;
  }
  default:
    if (Is(t, "NOT")) {
      lexer_.Skip();
      Masked v = IntUnary(depth + 1);
      return Masked{RcInt{0, false}, v.value.value};
    }
    Unexpected("a number, '-', '~' or '('");
  }
}

} // namespace rc
