#include "rc/Preprocessor.h"

#include "base/Path.h"
#include "base/Unicode.h"

#include "rc/CharClass.h"
#include "rc/Diagnostics.h"
#include "rc/Files.h"

#include <limits>

namespace rc {

namespace {

constexpr int kMaxExpressionDepth = 64;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back()))
    s.remove_suffix(1);
  return s;
}

bool EndsWithInsensitive(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() &&
         ascii::EqualIgnoringCase(std::string_view(s).substr(s.size() - tail.size()), tail);
}

// Integer expressions of #if and #elif, with C's operators and precedence. Arithmetic
// wraps in 64 bits instead of being undefined; division by zero is an error unless the
// operand is never evaluated (the right side of a false &&, for instance).
class Expression {
public:
  Expression(std::string_view text, const Location& where) : text_(text), where_(where) {}

  long long Run() {
    long long value = Conditional(true, 0);
    Skip();
    if (pos_ != text_.size())
      Fail("unexpected '" + Excerpt(text_.substr(pos_)) + "' in #if expression");
    return value;
  }

private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw CompileError(ErrorCode::kDirectiveSyntax, where_, message);
  }
  void Skip() {
    while (pos_ < text_.size() && IsSpace(text_[pos_]))
      ++pos_;
  }
  bool Accept(std::string_view op) {
    Skip();
    if (text_.substr(pos_, op.size()) != op)
      return false;
    // "|" must not take the first half of "||", nor "<" of "<<" or "<=".
    if (op.size() == 1 && pos_ + 1 < text_.size()) {
      char next = text_[pos_ + 1];
      char c = op[0];
      if ((c == '|' || c == '&' || c == '<' || c == '>') && next == c)
        return false;
      if ((c == '<' || c == '>' || c == '!' || c == '=') && next == '=')
        return false;
    }
    pos_ += op.size();
    return true;
  }
  void Deeper(int depth) const {
    if (depth > kMaxExpressionDepth)
      Fail("#if expression nested too deeply");
  }

  static long long Wrap(unsigned long long v) { return static_cast<long long>(v); }
  static unsigned long long U(long long v) { return static_cast<unsigned long long>(v); }

  long long Conditional(bool live, int depth) {
    Deeper(depth);
    long long c = Binary(0, live, depth);
    if (!Accept("?"))
      return c;
    long long a = Conditional(live && c != 0, depth + 1);
    if (!Accept(":"))
      Fail("expected ':' in #if expression");
    long long b = Conditional(live && c == 0, depth + 1);
    return c ? a : b;
  }

  // Precedence climbing over the binary operators, loosest first.
  long long Binary(int level, bool live, int depth) {
    // clang-format off
    static const std::vector<std::vector<std::string_view>> kLevels = {
        {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<=", ">=", "<", ">"},
        {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};
    // clang-format on
    if (level == static_cast<int>(kLevels.size()))
      return Unary(live, depth);
    long long left = Binary(level + 1, live, depth);
    for (;;) {
      std::string_view op;
      for (auto candidate : kLevels[level])
        if (Accept(candidate)) {
          op = candidate;
          break;
        }
      if (op.empty())
        return left;
      bool rightLive = live && !(op == "||" && left != 0) && !(op == "&&" && left == 0);
      long long right = Binary(level + 1, rightLive, depth);
      left = Apply(op, left, right, rightLive);
    }
  }

  long long Apply(std::string_view op, long long a, long long b, bool live) {
    if (op == "||")
      return (a || b) ? 1 : 0;
    if (op == "&&")
      return (a && b) ? 1 : 0;
    if (op == "|")
      return a | b;
    if (op == "^")
      return a ^ b;
    if (op == "&")
      return a & b;
    if (op == "==")
      return a == b;
    if (op == "!=")
      return a != b;
    if (op == "<=")
      return a <= b;
    if (op == ">=")
      return a >= b;
    if (op == "<")
      return a < b;
    if (op == ">")
      return a > b;
    if (op == "<<")
      return (b < 0 || b > 63) ? 0 : Wrap(U(a) << b);
    if (op == ">>")
      return (b < 0 || b > 63) ? (a < 0 ? -1 : 0) : (a >> b);
    if (op == "+")
      return Wrap(U(a) + U(b));
    if (op == "-")
      return Wrap(U(a) - U(b));
    if (op == "*")
      return Wrap(U(a) * U(b));
    if (b == 0) {
      if (live)
        Fail("division by zero in #if expression");
      return 0;
    }
    if (a == std::numeric_limits<long long>::min() && b == -1)
      return op == "/" ? a : 0;
    return op == "/" ? a / b : a % b;
  }

  long long Unary(bool live, int depth) {
    Deeper(depth);
    if (Accept("-"))
      return Wrap(0 - U(Unary(live, depth + 1)));
    if (Accept("+"))
      return Unary(live, depth + 1);
    if (Accept("!"))
      return Unary(live, depth + 1) == 0;
    if (Accept("~"))
      return ~Unary(live, depth + 1);
    return Primary(live, depth);
  }

  long long Primary(bool live, int depth) {
    Skip();
    if (Accept("(")) {
      long long v = Conditional(live, depth + 1);
      if (!Accept(")"))
        Fail("expected ')' in #if expression");
      return v;
    }
    if (pos_ >= text_.size())
      Fail("#if expression ends early");
    char c = text_[pos_];
    if (IsDigit(c))
      return Number();
    if (IsCIdentifierStart(c)) {
      // What is left of an identifier after macro expansion counts as 0, as in C.
      std::string_view rest = text_.substr(pos_);
      std::size_t before = rest.size();
      TakeIdentifier(rest);
      pos_ += before - rest.size();
      return 0;
    }
    Fail("unexpected '" + Excerpt(text_.substr(pos_)) + "' in #if expression");
  }

  long long Number() {
    std::size_t start = pos_;
    while (pos_ < text_.size() && (IsAlnum(text_[pos_]) || text_[pos_] == '_'))
      ++pos_;
    std::string_view digits = text_.substr(start, pos_ - start);
    while (!digits.empty() && (ToUpper(digits.back()) == 'L' || ToUpper(digits.back()) == 'U'))
      digits.remove_suffix(1);
    unsigned base = 10;
    if (digits.size() > 1 && digits[0] == '0') {
      if (ToUpper(digits[1]) == 'X') {
        base = 16;
        digits.remove_prefix(2);
      } else {
        base = 8;
        digits.remove_prefix(1);
      }
      if (digits.empty() && base == 16)
        Fail("bad number in #if expression");
    }
    unsigned long long value = 0;
    for (char d : digits) {
      int v = DigitValue(d);
      if (v < 0 || static_cast<unsigned>(v) >= base)
        Fail("bad number '" + Excerpt(text_.substr(start, pos_ - start)) + "' in #if expression");
      if (value > (~0ull - static_cast<unsigned>(v)) / base)
        throw CompileError(ErrorCode::kNumberTooLarge, where_,
                           "number '" + Excerpt(text_.substr(start, pos_ - start)) +
                               "' does not fit in 64 bits");
      value = value * base + static_cast<unsigned>(v);
    }
    return Wrap(value);
  }

  std::string_view text_;
  Location where_;
  std::size_t pos_ = 0;
};

} // namespace

Preprocessor::Preprocessor(PreprocessorOptions options)
    : options_(std::move(options)), codePage_(options_.codePage) {
  // Both compilers of this language define these; scripts test them.
  macros_.DefineObject("RC_INVOKED", "1");
  macros_.DefineObject("_WIN32", "1");
  // A compiler that mingw-w64's headers know (they stop with #error otherwise): Microsoft's
  // C compiler for 32-bit x86, as llvm-rc's clang names Microsoft's for its target.
  macros_.DefineObject("_MSC_VER", "1920");
  macros_.DefineObject("_M_IX86", "600");
  for (const auto& [name, value] : options_.defines)
    macros_.DefineObject(name, value);
  for (const auto& name : options_.undefines)
    macros_.Undefine(name);
  for (const auto& dir : options_.includeDirs)
    searchDirs_.push_back(files::Normalize(dir));
  if (options_.useIncludeVariable)
    for (auto& dir : files::IncludeVariable())
      searchDirs_.push_back(std::move(dir));
  for (const auto& dir : options_.systemIncludeDirs)
    searchDirs_.push_back(dir);
}

Location Preprocessor::Here(const Source& source, std::uint32_t line) const {
  const std::int64_t shown = static_cast<std::int64_t>(line) + source.lineShift;
  return Location{source.name, static_cast<std::uint32_t>(shown < 1 ? 1 : shown)};
}

void Preprocessor::Open(const std::string& scriptPath) {
  auto data = files::Read(scriptPath);
  if (!data)
    throw CompileError(ErrorCode::kFileNotFound, "cannot open script '" + scriptPath + "'");
  PushSource(scriptPath, std::move(*data), nullptr);
  end_ = Location{sources_.back().name, 1};
}

void Preprocessor::PushSource(const std::string& path, std::string data, const Location* from) {
  if (from && static_cast<int>(sources_.size()) >= kMaxIncludeDepth)
    throw CompileError(ErrorCode::kIncludeTooDeep, *from,
                       "#include nested too deeply (more than " + std::to_string(kMaxIncludeDepth) +
                           " levels): '" + path + "'");
  names_.push_back(path);
  Source source;
  source.path = path;
  source.name = names_.back().c_str();
  source.folder = path::Folder(path, path::Style::windows);
  source.data = std::move(data);
  // A UTF-8 byte-order mark is no text. Scripts saved as UTF-16 (Microsoft's rc reads
  // them, Visual Studio writes them) are read as the UTF-8 they are turned into.
  if (source.data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    source.pos = 3;
  } else if (source.data.compare(0, 2, "\xFF\xFE") == 0) {
    // Little-endian UTF-16 after its byte-order mark.
    source.data = unicode::Utf16LeToUtf8(std::string_view(source.data).substr(2));
    source.utf8 = true;
  }
  source.emits = !(from && (EndsWithInsensitive(path, ".h") || EndsWithInsensitive(path, ".c")));
  source.conditionBase = conditions_.size();
  sources_.push_back(std::move(source));
}

bool Preprocessor::ReadLogicalLine(Source& source, std::string& out, std::uint32_t& firstLine) {
  if (source.pos >= source.data.size())
    return false;
  out.clear();
  firstLine = source.line + 1;
  for (;;) {
    std::size_t newline = source.data.find('\n', source.pos);
    std::size_t stop = newline == std::string::npos ? source.data.size() : newline;
    std::string_view segment(source.data.data() + source.pos, stop - source.pos);
    if (!segment.empty() && segment.back() == '\r')
      segment.remove_suffix(1);
    ++source.line;
    source.pos = newline == std::string::npos ? source.data.size() : newline + 1;
    if (!segment.empty() && segment.back() == '\\' && source.pos < source.data.size()) {
      segment.remove_suffix(1);
      out.append(segment);
      continue;
    }
    out.append(segment);
    return true;
  }
}

void Preprocessor::StripComments(Source& source, std::string& text, const Location&) {
  // Most lines hold no comment at all, and a comment needs a '/'.
  if (!source.inComment && text.find('/') == std::string::npos)
    return;
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (source.inComment) {
      std::size_t close = text.find("*/", i);
      if (close == std::string::npos)
        break;
      i = close + 2;
      source.inComment = false;
      out += ' ';
      continue;
    }
    const std::size_t stop = text.find_first_of("\"/", i);
    if (stop == std::string::npos) {
      out.append(text, i, n - i);
      break;
    }
    out.append(text, i, stop - i);
    i = stop;
    if (text[i] == '"') {
      std::size_t end = StringEnd(text, i);
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    if (i + 1 < n && text[i + 1] == '/')
      break;
    if (i + 1 < n && text[i + 1] == '*') {
      source.inComment = true;
      i += 2;
      continue;
    }
    out += '/';
    ++i;
  }
  text.swap(out);
}

bool Preprocessor::NextLine(ScriptLine& line) {
  std::string& text = lineBuffer_;
  while (!sources_.empty()) {
    Source& source = sources_.back();
    std::uint32_t first = 0;
    if (!ReadLogicalLine(source, text, first)) {
      Location last = Here(source, source.line == 0 ? 1 : source.line);
      if (source.inComment)
        throw CompileError(ErrorCode::kUnexpectedEof, last, "unexpected end of file in a comment");
      if (conditions_.size() > source.conditionBase)
        throw CompileError(ErrorCode::kUnexpectedEof, last,
                           "unexpected end of file: the #if of line " +
                               std::to_string(conditions_.back().where.line) + " has no #endif");
      end_ = last;
      sources_.pop_back();
      continue;
    }
    const Location where = Here(source, first);
    StripComments(source, text, where);
    std::string_view view(text);
    std::size_t start = 0;
    while (start < view.size() && IsSpace(view[start]))
      ++start;
    if (start < view.size() && view[start] == '#') {
      Directive(view.substr(start + 1), where); // may open another source
      continue;
    }
    if (!Active() || !source.emits || start == view.size())
      continue;
    line.text.clear();
    if (macros_.FirstMacro(view) == std::string_view::npos)
      line.text.swap(text); // nothing to expand: the line as it is
    else
      ExpandText(source, where, line.text);
    line.where = where;
    line.codePage = source.utf8 ? 65001 : codePage_;
    return true;
  }
  return false;
}

void Preprocessor::ExpandText(Source& source, const Location& where, std::string& out) {
  std::string& text = lineBuffer_;
  for (;;) {
    try {
      macros_.Expand(text, where, out, Macros::Call::kMayContinue);
      return;
    } catch (const Macros::Unfinished& call) {
      // The arguments of a call go on in the lines that follow, as in C.
      out.clear();
      std::string more;
      std::uint32_t next = 0;
      if (!ReadLogicalLine(source, more, next))
        throw CompileError(ErrorCode::kUnexpectedEof, where,
                           "unexpected end of file in the arguments of macro '" + call.name + "'");
      StripComments(source, more, where);
      std::string_view rest = Trim(more);
      if (!rest.empty() && rest.front() == '#')
        throw CompileError(ErrorCode::kDirectiveSyntax, Here(source, next),
                           "a directive inside the arguments of macro '" + call.name + "'");
      if (text.size() + more.size() > Macros::kMaxSize)
        throw CompileError(ErrorCode::kDirectiveSyntax, where, "macro expansion too large");
      text += ' ';
      text += more;
    }
  }
}

void Preprocessor::Directive(std::string_view text, const Location& where) {
  std::string_view rest = text;
  while (!rest.empty() && IsSpace(rest.front()))
    rest.remove_prefix(1);
  std::string_view name = TakeIdentifier(rest);
  const std::size_t base = sources_.back().conditionBase;
  const bool open = conditions_.size() > base;

  if (name == "if" || name == "ifdef" || name == "ifndef") {
    Condition c;
    c.where = where;
    c.parentActive = Active();
    bool value = false;
    if (c.parentActive) {
      if (name == "if") {
        value = Evaluate(rest, where) != 0;
      } else {
        std::string_view r = Trim(rest);
        std::string_view id = TakeIdentifier(r);
        if (id.empty())
          throw CompileError(ErrorCode::kDirectiveSyntax, where,
                             "#" + std::string(name) + " expects a macro name");
        value = macros_.IsDefined(id) == (name == "ifdef");
      }
    }
    c.active = c.parentActive && value;
    c.taken = !c.parentActive || value;
    conditions_.push_back(c);
    return;
  }
  if (name == "elif" || name == "else" || name == "endif") {
    if (!open)
      throw CompileError(ErrorCode::kDirectiveSyntax, where,
                         "#" + std::string(name) + " without #if");
    Condition& c = conditions_.back();
    if (name == "endif") {
      conditions_.pop_back();
      return;
    }
    if (c.sawElse)
      throw CompileError(ErrorCode::kDirectiveSyntax, where,
                         "#" + std::string(name) + " after #else");
    if (name == "else") {
      c.sawElse = true;
      c.active = c.parentActive && !c.taken;
      c.taken = true;
      return;
    }
    if (c.taken) {
      c.active = false;
      return;
    }
    c.active = Evaluate(rest, where) != 0;
    c.taken = c.active;
    return;
  }
  if (!Active())
    return;

  if (name == "define") {
    macros_.Define(rest, where);
    return;
  }
  if (name == "undef") {
    std::string_view r = Trim(rest);
    std::string_view id = TakeIdentifier(r);
    if (id.empty())
      throw CompileError(ErrorCode::kDirectiveSyntax, where, "#undef expects a macro name");
    macros_.Undefine(id);
    return;
  }
  if (name == "include" || name == "include_next") {
    Include(rest, where, name == "include_next");
    return;
  }
  if (name == "pragma") {
    Pragma(rest, where);
    return;
  }
  if (name == "error")
    throw CompileError(ErrorCode::kErrorDirective, where, "#error " + std::string(Trim(rest)));
  // A bare number is a line marker, as a preprocessor's output has them.
  if (name == "line" || (name.empty() && !Trim(rest).empty() && IsDigit(Trim(rest).front()))) {
    Line(rest, where);
    return;
  }
  if (name.empty() || name == "warning" || name == "ident")
    return;
  throw CompileError(ErrorCode::kInvalidDirective, where,
                     "invalid preprocessor command '" + Excerpt(name) + "'");
}

std::string Preprocessor::Locate(const std::string& rawName, bool quoted, bool next,
                                 std::size_t& searchDir) {
  searchDir = kNotSearched;
  std::string name = files::Normalize(rawName);
  if (name.empty())
    return "";
  if (path::IsAbsolute(name, path::Style::windows))
    return files::Exists(name) ? name : "";
  const Source& from = sources_.back();
  std::size_t first = 0;
  if (next && from.searchDir != kNotSearched) {
    first = from.searchDir + 1; // #include_next: the folders after the includer's own
  } else {
    // A quoted name is first looked for beside the file that includes it; then, as for
    // every file a script names, the current directory and the script's folder.
    if (quoted) {
      std::string beside = files::Join(from.folder, name);
      if (files::Exists(beside))
        return beside;
    }
    if (files::Exists(name))
      return name;
    const std::string& scriptFolder = sources_.front().folder;
    if (!scriptFolder.empty() && files::Exists(files::Join(scriptFolder, name)))
      return files::Join(scriptFolder, name);
  }
  for (std::size_t d = first; d < searchDirs_.size(); ++d) {
    std::string candidate = files::Join(searchDirs_[d], name);
    if (files::Exists(candidate)) {
      searchDir = d;
      return candidate;
    }
  }
  return "";
}

void Preprocessor::Include(std::string_view rest, const Location& where, bool next) {
  std::string_view operand = Trim(rest);
  std::string expanded;
  if (!operand.empty() && operand.front() != '"' && operand.front() != '<') {
    macros_.Expand(operand, where, expanded);
    operand = Trim(expanded);
  }
  char close = operand.empty() ? 0
                               : (operand.front() == '"'   ? '"'
                                  : operand.front() == '<' ? '>'
                                                           : 0);
  std::size_t end = close ? operand.find(close, 1) : std::string_view::npos;
  if (!close || end == std::string_view::npos || end == 1)
    throw CompileError(ErrorCode::kDirectiveSyntax, where, "#include expects \"file\" or <file>");
  std::string name(operand.substr(1, end - 1));
  std::size_t searchDir = kNotSearched;
  std::string found = Locate(name, close == '"', next, searchDir);
  if (found.empty())
    throw CompileError(ErrorCode::kCannotOpenInclude, where,
                       "cannot open include file '" + name + "'");
  if (static_cast<int>(sources_.size()) >= kMaxIncludeDepth)
    throw CompileError(ErrorCode::kIncludeTooDeep, where,
                       "#include nested too deeply (more than " + std::to_string(kMaxIncludeDepth) +
                           " levels): '" + name + "'");
  std::optional<std::string> data;
  try {
    data = files::Read(found);
  } catch (const files::Refused& refused) {
    throw CompileError(refused.code, where, refused.message);
  }
  if (!data)
    throw CompileError(ErrorCode::kCannotOpenInclude, where,
                       "cannot read include file '" + found + "'");
  PushSource(found, std::move(*data), &where);
  sources_.back().searchDir = searchDir;
}

// #line N ["file"]: the next line is line N (of that file) in messages.
void Preprocessor::Line(std::string_view rest, const Location& where) {
  std::string text;
  macros_.Expand(Trim(rest), where, text);
  std::string_view r = Trim(text);
  std::uint64_t number = 0;
  std::size_t digits = 0;
  while (digits < r.size() && IsDigit(r[digits]) && number <= 0xFFFFFFFFu)
    number = number * 10 + static_cast<unsigned>(r[digits++] - '0');
  r.remove_prefix(digits);
  r = Trim(r);
  if (digits == 0 || number > 0xFFFFFFFFu ||
      (!r.empty() && (r.front() != '"' || r.size() < 2 || r.back() != '"')))
    throw CompileError(ErrorCode::kDirectiveSyntax, where,
                       "#line expects a line number and an optional \"file\"");
  Source& source = sources_.back();
  source.lineShift = static_cast<std::int64_t>(number) - static_cast<std::int64_t>(source.line) - 1;
  if (!r.empty()) {
    names_.emplace_back(r.substr(1, r.size() - 2));
    source.name = names_.back().c_str();
  }
}

void Preprocessor::Pragma(std::string_view rest, const Location& where) {
  std::string_view r = Trim(rest);
  std::string_view name = TakeIdentifier(r);
  r = Trim(r);
  if (name == "push_macro" || name == "pop_macro") {
    // ("NAME"): headers save a macro around their own use of the name.
    if (r.size() < 4 || r.front() != '(' || r.back() != ')')
      throw CompileError(ErrorCode::kDirectiveSyntax, where,
                         "#pragma " + std::string(name) + " expects (\"name\")");
    std::string_view quoted = Trim(r.substr(1, r.size() - 2));
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
      throw CompileError(ErrorCode::kDirectiveSyntax, where,
                         "#pragma " + std::string(name) + " expects (\"name\")");
    std::string_view macro = quoted.substr(1, quoted.size() - 2);
    if (name == "push_macro")
      macros_.Push(macro);
    else
      macros_.Pop(macro);
    return;
  }
  if (name != "code_page")
    return; // other pragmas mean nothing to a resource compiler
  if (r.empty() || r.front() != '(' || r.back() != ')')
    throw CompileError(ErrorCode::kDirectiveSyntax, where, "#pragma code_page expects (number)");
  std::string_view value = Trim(r.substr(1, r.size() - 2));
  if (value == "DEFAULT") {
    codePage_ = options_.codePage;
    return;
  }
  unsigned number = 0;
  for (char c : value) {
    if (!IsDigit(c) || number > 100000)
      throw CompileError(ErrorCode::kDirectiveSyntax, where,
                         "#pragma code_page expects a number, not '" + Excerpt(value) + "'");
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number != 1252 && number != 65001)
    throw CompileError(ErrorCode::kUnsupported, where,
                       "code page " + std::to_string(number) +
                           " is not supported (1252 and 65001 are)");
  codePage_ = static_cast<std::uint16_t>(number);
}

long long Preprocessor::Evaluate(std::string_view expression, const Location& where) {
  // `defined` and `__has_include` are answered before any macro is expanded, as in C.
  std::string replaced;
  std::string_view rest = expression;
  auto skip = [](std::string_view& r) {
    while (!r.empty() && IsSpace(r.front()))
      r.remove_prefix(1);
  };
  while (!rest.empty()) {
    char c = rest.front();
    if (IsDigit(c)) {
      while (!rest.empty() && (IsAlnum(rest.front()) || rest.front() == '_')) {
        replaced += rest.front();
        rest.remove_prefix(1);
      }
      continue;
    }
    std::string_view id = TakeIdentifier(rest);
    if (id.empty()) {
      replaced += c;
      rest.remove_prefix(1);
      continue;
    }
    const bool hasInclude = id == "__has_include" || id == "__has_include_next";
    if (id != "defined" && !hasInclude) {
      replaced.append(id);
      continue;
    }
    std::string_view r = rest;
    skip(r);
    if (hasInclude) {
      // __has_include("file") or (<file>)
      if (r.empty() || r.front() != '(')
        throw CompileError(ErrorCode::kDirectiveSyntax, where,
                           std::string(id) + " expects (\"file\") or (<file>)");
      r.remove_prefix(1);
      skip(r);
      const char close = r.empty() ? 0 : r.front() == '"' ? '"' : r.front() == '<' ? '>' : 0;
      const std::size_t end = close ? r.find(close, 1) : std::string_view::npos;
      if (end == std::string_view::npos)
        throw CompileError(ErrorCode::kDirectiveSyntax, where,
                           std::string(id) + " expects (\"file\") or (<file>)");
      const std::string name(r.substr(1, end - 1));
      r.remove_prefix(end + 1);
      skip(r);
      if (r.empty() || r.front() != ')')
        throw CompileError(ErrorCode::kDirectiveSyntax, where,
                           "missing ')' after " + std::string(id));
      r.remove_prefix(1);
      std::size_t searchDir = kNotSearched;
      replaced +=
          Locate(name, close == '"', id == "__has_include_next", searchDir).empty() ? " 0 " : " 1 ";
      rest = r;
      continue;
    }
    bool paren = !r.empty() && r.front() == '(';
    if (paren) {
      r.remove_prefix(1);
      skip(r);
    }
    std::string_view name = TakeIdentifier(r);
    if (name.empty())
      throw CompileError(ErrorCode::kDirectiveSyntax, where, "'defined' expects a macro name");
    if (paren) {
      skip(r);
      if (r.empty() || r.front() != ')')
        throw CompileError(ErrorCode::kDirectiveSyntax, where, "missing ')' after 'defined'");
      r.remove_prefix(1);
    }
    const bool known =
        macros_.IsDefined(name) || name == "__has_include" || name == "__has_include_next";
    replaced += known ? " 1 " : " 0 ";
    rest = r;
  }
  std::string expanded;
  macros_.Expand(replaced, where, expanded);
  if (Trim(expanded).empty())
    throw CompileError(ErrorCode::kDirectiveSyntax, where, "#if without an expression");
  return Expression(expanded, where).Run();
}

} // namespace rc
