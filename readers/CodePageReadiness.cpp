#include "readers/CodePageReadiness.h"

#include "base/Ascii.h"
#include "base/Lines.h"

namespace readers {

namespace {

bool IsBlankInLine(char c) { return c == ' ' || c == '\t'; }

/// The line up to its comment ("'" outside a string, or a Rem statement), trimmed, with runs
/// of blanks outside strings as one space; whether a byte outside ASCII lies in it.
std::string CodeBeforeComment(std::string_view line, bool& outsideAscii) {
  std::string code;
  bool quoted = false;
  for (const char c : line) {
    if (!quoted && c == '\'')
      break;
    if (c == '"')
      quoted = !quoted;
    outsideAscii = outsideAscii || static_cast<unsigned char>(c) >= 0x80;
    if (!quoted && IsBlankInLine(c)) {
      if (!code.empty() && code.back() != ' ')
        code += ' ';
      continue;
    }
    code += c;
  }
  if (!code.empty() && code.back() == ' ')
    code.pop_back();
  if (code.size() >= 3 && ascii::EqualIgnoringCase(code.substr(0, 3), "Rem") &&
      (code.size() == 3 || code[3] == ' ')) {
    outsideAscii = false;
    return std::string();
  }
  return code;
}

const char* TextsCounted(std::size_t count) { return count == 1 ? " text" : " texts"; }

constexpr const char* kGarbledWhy =
    "come out garbled with the UTF-8 code page, as Visual Basic converts every caption, text "
    "and string through it";
constexpr const char* kRemedy = "keep the system's code page for this program, or its texts in "
                                "ASCII";

} // namespace

std::vector<SourceText> TextsOutsideAscii(const std::string& source) {
  std::vector<SourceText> found;
  int number = 0;
  for (const textlines::LineSpan& span : textlines::Spans(source)) {
    ++number;
    bool outsideAscii = false;
    std::string code = CodeBeforeComment(
        std::string_view(source).substr(span.begin, span.end - span.begin), outsideAscii);
    if (outsideAscii)
      found.push_back({std::string(), number, std::move(code)});
  }
  return found;
}

std::string MoreGarbledTexts(std::size_t count) {
  return "... and " + std::to_string(count) + " more" + (count == 1 ? " line" : " lines") +
         " with texts outside ASCII, garbled the same way";
}

std::optional<std::string> ProjectTextWarning(const std::vector<SourceText>& texts) {
  if (texts.empty())
    return std::nullopt;
  std::string warning =
      std::string("These texts outside ASCII ") + kGarbledWhy + "; " + kRemedy + ":";
  for (std::size_t i = 0; i < texts.size() && i < kTextsShown; ++i)
    warning += "\n  " + texts[i].file + ":" + std::to_string(texts[i].line) + ": " + texts[i].text;
  if (texts.size() > kTextsShown)
    warning += "\n  ... and " + std::to_string(texts.size() - kTextsShown) + " more";
  return warning;
}

std::optional<std::string> FormTextWarning(const VbProgram& program) {
  // Each object once, in the order its first text comes.
  std::vector<std::pair<std::string, std::size_t>> objects;
  for (const VbFormText& text : program.formTexts) {
    auto it = objects.begin();
    while (it != objects.end() && it->first != text.object)
      ++it;
    if (it == objects.end())
      objects.emplace_back(text.object, 1);
    else
      ++it->second;
  }
  if (objects.empty())
    return std::nullopt;
  std::string names;
  for (std::size_t i = 0; i < objects.size() && i < kTextsShown; ++i)
    names += (i == 0 ? "" : ", ") + objects[i].first + " (" + std::to_string(objects[i].second) +
             TextsCounted(objects[i].second) + ")";
  if (objects.size() > kTextsShown)
    names += " and " + std::to_string(objects.size() - kTextsShown) + " more";
  return "The texts outside ASCII in these forms' data " + std::string(kGarbledWhy) + ": " + names +
         "; " + kRemedy + ".";
}

} // namespace readers
