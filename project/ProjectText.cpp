#include "project/ProjectText.h"

#include <initializer_list>

#include "base/Ascii.h"
#include "base/Lines.h"
#include "generation/ModuleText.h"
#include "readers/VbProject.h"

namespace project {

namespace {

using ascii::EqualIgnoringCase;
using readers::ProjectLine;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The file's first line end; CR LF, Visual Basic's own, for a file of one line.
std::string FileLineEnd(const std::string& text) {
  const std::size_t feed = text.find('\n');
  if (feed == std::string::npos)
    return "\r\n";
  return feed > 0 && text[feed - 1] == '\r' ? "\r\n" : "\n";
}

// The line end after [end, next): that line's own, else the file's. A last line that ends
// in a CR alone has none: the lines are split at line feeds.
std::string LineEnd(const std::string& text, std::size_t end, std::size_t next) {
  return next > end && text[next - 1] == '\n' ? text.substr(end, next - end) : FileLineEnd(text);
}

// line as a new line after the one that ends at end (next past its line end). After a last
// line without a line end, the new line gets none either.
std::string InsertAfter(std::string text, std::size_t end, std::size_t next,
                        const std::string& line) {
  const std::string eol = LineEnd(text, end, next);
  if (next == end || text[next - 1] != '\n')
    return text.insert(end, eol + line);
  return text.insert(next, line + eol);
}

// ---- The project file ----------------------------------------------------------------

bool HasKey(const ProjectLine& line, std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (EqualIgnoringCase(line.key, key))
      return true;
  return false;
}

std::size_t FirstWith(const std::vector<ProjectLine>& lines,
                      std::initializer_list<const char*> keys) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (HasKey(lines[i], keys))
      return i;
  return kNone;
}

std::size_t LastWith(const std::vector<ProjectLine>& lines,
                     std::initializer_list<const char*> keys) {
  for (std::size_t i = lines.size(); i-- > 0;)
    if (HasKey(lines[i], keys))
      return i;
  return kNone;
}

// Where the project's modules end: its last Module= line, else the last of the lines
// Visual Basic writes before the modules, else the section's last line that is not blank.
std::size_t AfterModules(const std::string& text, const std::vector<ProjectLine>& lines) {
  std::size_t at = LastWith(lines, {"Module"});
  if (at == kNone)
    at = LastWith(lines, {"Form", "Reference", "Object", "Type"});
  for (std::size_t i = lines.size(); at == kNone && i-- > 0;)
    if (!ascii::Trim(text.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty())
      at = i;
  return at;
}

std::string InsertAfterLine(const std::string& text, const std::vector<ProjectLine>& lines,
                            std::size_t at, const std::string& line) {
  if (at == kNone)
    return std::string(line).append(FileLineEnd(text)).append(text);
  return InsertAfter(text, lines[at].end, lines[at].next, line);
}

// Every line with key given value, quoted; false when the section has none. Spaces around
// the old value stay.
bool SetValue(std::string& text, const std::vector<ProjectLine>& lines, const char* key,
              const std::string& value) {
  bool found = false;
  for (std::size_t i = lines.size(); i-- > 0;) {
    if (!EqualIgnoringCase(lines[i].key, key))
      continue;
    text.replace(lines[i].valueBegin, lines[i].value.size(), '"' + value + '"');
    found = true;
  }
  return found;
}

std::string Apply(std::string text, const ProjectEdit& edit) {
  const std::vector<ProjectLine> lines = readers::ReadProjectLines(text);
  switch (edit.kind) {
  case ProjectEdit::Kind::AddModule:
    return InsertAfterLine(text, lines, AfterModules(text, lines),
                           "Module=" + edit.name + "; " + edit.path);
  case ProjectEdit::Kind::AddResFile: {
    if (SetValue(text, lines, "ResFile32", edit.path))
      return text;
    const std::string line = "ResFile32=\"" + edit.path + '"';
    const std::size_t before = FirstWith(lines, {"IconForm", "Startup"});
    if (before == kNone)
      return InsertAfterLine(text, lines, AfterModules(text, lines), line);
    return text.insert(lines[before].begin,
                       line + LineEnd(text, lines[before].end, lines[before].next));
  }
  case ProjectEdit::Kind::StartInSubMain: {
    if (SetValue(text, lines, "Startup", readers::kStartupSubMain))
      return text;
    std::size_t after = LastWith(lines, {"IconForm"});
    if (after == kNone)
      after = LastWith(lines, {"ResFile32"});
    if (after == kNone)
      after = AfterModules(text, lines);
    return InsertAfterLine(text, lines, after,
                           std::string("Startup=\"") + readers::kStartupSubMain + '"');
  }
  }
  return text;
}

// ---- Modules ---------------------------------------------------------------------------

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Reads words from the start of a line, skipping spaces and tabs before each.
class Words {
public:
  explicit Words(const std::string& text) : text_(text) {}
  std::string Next() {
    Skip();
    const std::size_t start = at_;
    while (at_ < text_.size() && IsWordChar(text_[at_]))
      ++at_;
    return text_.substr(start, at_ - start);
  }
  bool Take(char c) {
    Skip();
    if (at_ == text_.size() || text_[at_] != c)
      return false;
    ++at_;
    return true;
  }
  // What is left, from the next character that is not a space or a tab.
  std::string Rest() {
    Skip();
    return text_.substr(at_);
  }
  // Nothing but a comment, or nothing, is left.
  bool AtCommentOrEnd() {
    Skip();
    if (at_ == text_.size() || text_[at_] == '\'')
      return true;
    const std::size_t start = at_;
    const bool rem = EqualIgnoringCase(Next(), "Rem");
    at_ = start;
    return rem;
  }

private:
  void Skip() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
      ++at_;
  }
  const std::string& text_;
  std::size_t at_ = 0;
};

bool IsComment(const std::string& line) {
  Words words(line);
  return words.AtCommentOrEnd() && !ascii::Trim(line).empty();
}

// A line ending in " _" goes on in the next one, a comment's too.
bool Continues(const std::string& line) {
  const std::size_t last = line.find_last_not_of(" \t");
  return last != std::string::npos && line[last] == '_' &&
         (last == 0 || line[last - 1] == ' ' || line[last - 1] == '\t');
}

// Where a Sub Main's header lies, and what follows it on its line.
struct SubMainHeader {
  std::size_t first = 0; ///< its first line
  std::size_t last = 0;  ///< its last line: those before it end in " _"
  /// The statements after it on its last line, after a ':' ("Sub Main(): frmMain.Show:
  /// End Sub"), continued lines joined; "" when only a comment or nothing follows.
  std::string statements;
};

// A Sub Main's header, the lines of a continued one joined: Sub Main (Public, Private or
// neither, any case), a comment after it or nothing, or ':' and statements.
bool IsSubMain(const std::string& line, SubMainHeader& header) {
  Words words(line);
  std::string word = words.Next();
  for (const char* scope : {"Public", "Private", "Friend"})
    if (EqualIgnoringCase(word, scope)) {
      word = words.Next();
      break;
    }
  if (EqualIgnoringCase(word, "Static"))
    word = words.Next();
  if (!EqualIgnoringCase(word, "Sub") || !EqualIgnoringCase(words.Next(), "Main"))
    return false;
  if (words.Take('(') && !words.Take(')'))
    return false;
  if (words.AtCommentOrEnd())
    return true;
  if (!words.Take(':'))
    return false;
  while (words.Take(':')) {
  }
  if (!words.AtCommentOrEnd())
    header.statements = words.Rest();
  return true;
}

bool StartsWithWord(const std::string& line, const char* word) {
  Words words(line);
  return EqualIgnoringCase(words.Next(), word);
}

// Lower case, one space for each run of spaces and tabs, none around.
std::string Normalized(const std::string& statement) {
  std::string normal;
  for (char c : ascii::Trim(statement)) {
    const bool space = c == ' ' || c == '\t';
    if (space && normal.back() == ' ')
      continue;
    normal += space ? ' ' : ascii::ToLower(c);
  }
  return normal;
}

// A module's lines, and where each lies.
struct ModuleLines {
  explicit ModuleLines(const std::string& text) : spans(textlines::Spans(text)) {
    for (const readers::LineSpan& span : spans)
      texts.push_back(text.substr(span.begin, span.end - span.begin));
  }
  std::vector<readers::LineSpan> spans;
  std::vector<std::string> texts;
};

// Every Sub Main's header, outside comments: a module may hold one for each branch of an
// #If. A header may go on over lines that end in " _" ("Public Sub _" and "Main()"), and
// statements may follow it on its line; a line the file ends in before it ends is no header.
std::vector<SubMainHeader> SubMainHeaders(const ModuleLines& lines) {
  std::vector<SubMainHeader> headers;
  const std::vector<std::string>& texts = lines.texts;
  for (std::size_t i = 0; i < texts.size();) {
    // The line as Visual Basic reads it: each part that ends in " _" joined to the next.
    std::string joined = texts[i];
    std::size_t last = i;
    while (Continues(texts[last]) && last + 1 < texts.size()) {
      joined.erase(joined.find_last_not_of(" \t"));
      joined += ' ' + texts[++last];
    }
    SubMainHeader header;
    header.first = i;
    header.last = last;
    if (!Continues(texts[last]) && IsSubMain(joined, header))
      headers.push_back(header);
    i = last + 1;
  }
  return headers;
}

bool IsEndSub(const std::string& line) { return Normalized(line).rfind("end sub", 0) == 0; }

// The statements of a line's text, split at each ':' outside strings, up to a comment.
std::vector<std::string> Statements(const std::string& text) {
  std::vector<std::string> statements(1);
  bool quoted = false;
  for (char c : text) {
    if (c == '"')
      quoted = !quoted;
    else if (!quoted && c == '\'')
      break;
    if (!quoted && c == ':')
      statements.emplace_back();
    else
      statements.back() += c;
  }
  for (std::size_t i = 0; i < statements.size(); ++i)
    if (StartsWithWord(statements[i], "Rem")) {
      statements.resize(i);
      break;
    }
  return statements;
}

// The check goes after the header's continued comment and the attributes Visual Basic
// keeps right under a procedure's first line. The text with it there, unless the
// procedure's first statement is the check already.
bool AddCheckAfter(const ModuleLines& lines, std::size_t header, std::string& text) {
  const std::vector<std::string>& texts = lines.texts;
  std::size_t after = header;
  while (after + 1 < texts.size() &&
         (Continues(texts[after]) || StartsWithWord(texts[after + 1], "Attribute")))
    ++after;

  // Indented as the procedure's first line; the first statement may be the check already.
  std::string indent = "    ";
  bool indentFound = false;
  bool continued = false;
  for (std::size_t i = after + 1; i < texts.size(); ++i) {
    const std::string& line = texts[i];
    const bool part = continued;
    continued = Continues(line);
    const std::string trimmed = ascii::Trim(line);
    if (trimmed.empty() || trimmed[0] == '#')
      continue;
    const bool endSub = IsEndSub(line);
    if (!indentFound && !endSub) {
      indent = line.substr(0, line.find_first_not_of(" \t"));
      indentFound = true;
    }
    if (part || IsComment(line))
      continue;
    if (!endSub && Normalized(line) == Normalized(generation::kStartupCheck))
      return false;
    break;
  }
  text = InsertAfter(text, lines.spans[after].end, lines.spans[after].next,
                     indent + generation::kStartupCheck);
  return true;
}

// "frmMain.Show", alone or with arguments or a comment after it, in any case and spacing.
bool ShowsForm(const std::string& line, const std::string& form) {
  const std::string show = Normalized(generation::ShowForm(form));
  const std::string statement = Normalized(line);
  return statement.compare(0, show.size(), show) == 0 &&
         (statement.size() == show.size() ||
          std::string(" ':").find(statement[show.size()]) != std::string::npos);
}

} // namespace

std::vector<ProjectEdit> NeededEdits(const std::string& projectText, const std::string& moduleName,
                                     const std::string& modulePath, const std::string& resFile) {
  const readers::ProjectFacts facts = readers::ReadProjectFacts(projectText);
  std::vector<ProjectEdit> edits;
  bool listed = false;
  for (const readers::ProjectModule& module : facts.modules)
    listed = listed || EqualIgnoringCase(module.name, moduleName);
  if (!listed)
    edits.push_back({ProjectEdit::Kind::AddModule, moduleName, modulePath});
  if (facts.resFile.empty())
    edits.push_back({ProjectEdit::Kind::AddResFile, "", resFile});
  if (!facts.StartsInSubMain())
    edits.push_back({ProjectEdit::Kind::StartInSubMain, "", ""});
  return edits;
}

std::string ApplyEdits(const std::string& projectText, const std::vector<ProjectEdit>& edits) {
  std::string text = projectText;
  for (const ProjectEdit& edit : edits)
    text = Apply(std::move(text), edit);
  return text;
}

bool HoldsSubMain(const std::string& moduleText) {
  return !SubMainHeaders(ModuleLines(moduleText)).empty();
}

StartupCheck AddStartupCheck(const std::string& moduleText) {
  const ModuleLines lines(moduleText);
  const std::vector<SubMainHeader> headers = SubMainHeaders(lines);
  if (headers.empty())
    return {StartupCheck::Outcome::NoSubMain, moduleText};
  // A new line after a header with statements on its line would come after them, End Sub
  // among them perhaps; put before them, it would join them to the check's If.
  const std::string check = Normalized(generation::kStartupCheck);
  for (const SubMainHeader& header : headers)
    if (!header.statements.empty() && Normalized(header.statements) != check)
      return {StartupCheck::Outcome::OnItsHeaderLine, moduleText,
              static_cast<int>(header.last) + 1};
  // From the last, so that the places of those before stay where they are.
  std::string text = moduleText;
  bool added = false;
  for (std::size_t i = headers.size(); i-- > 0;)
    if (headers[i].statements.empty())
      added = AddCheckAfter(lines, headers[i].last, text) || added;
  return {added ? StartupCheck::Outcome::Added : StartupCheck::Outcome::AlreadyThere, text};
}

FormShown ShowStartupForm(const std::string& moduleText, const std::string& form) {
  const ModuleLines lines(moduleText);
  const std::vector<SubMainHeader> headers = SubMainHeaders(lines);
  if (headers.empty())
    return {FormShown::Outcome::NoSubMain, moduleText};
  std::string text = moduleText;
  bool changed = false;
  for (std::size_t h = headers.size(); h-- > 0;) {
    std::size_t placeholder = kNone;
    bool shown = false;
    bool ended = false;
    // First the statements on the header's own line: they may show the form, or end it.
    for (const std::string& statement : Statements(headers[h].statements)) {
      ended = IsEndSub(statement);
      shown = !ended && ShowsForm(statement, form);
      if (ended || shown)
        break;
    }
    bool continued = false;
    // Up to its End Sub; in a damaged module, no further than the next Sub Main.
    const std::size_t end = h + 1 < headers.size() ? headers[h + 1].first : lines.texts.size();
    for (std::size_t i = headers[h].last + 1; i < end && !shown && !ended; ++i) {
      const std::string& line = lines.texts[i];
      const bool part = continued;
      continued = Continues(line);
      if (part)
        continue;
      if (IsEndSub(line))
        break;
      if (ascii::Trim(line) == generation::kShowFormPlaceholder && placeholder == kNone)
        placeholder = i;
      shown = !IsComment(line) && ShowsForm(line, form);
    }
    if (shown)
      continue;
    if (placeholder == kNone)
      return {FormShown::Outcome::NotShown, moduleText};
    // The placeholder is a line of its own: the statement takes its place whatever the
    // header's shape.
    const std::size_t at = lines.spans[placeholder].begin +
                           lines.texts[placeholder].find(generation::kShowFormPlaceholder);
    text.replace(at, std::string(generation::kShowFormPlaceholder).size(),
                 generation::ShowForm(form));
    changed = true;
  }
  return {changed ? FormShown::Outcome::Shown : FormShown::Outcome::AlreadyShown, text};
}

std::string RepeatedKey(const std::string& projectText) {
  const std::vector<ProjectLine> lines = readers::ReadProjectLines(projectText);
  for (const char* key : {"ResFile32", "Startup"})
    if (FirstWith(lines, {key}) != LastWith(lines, {key}))
      return key;
  return std::string();
}

} // namespace project
