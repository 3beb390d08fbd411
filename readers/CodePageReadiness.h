#pragma once
// Texts outside ASCII, which a manifest asking for the UTF-8 ANSI code page garbles: Visual
// Basic converts every caption, text and string through the ANSI code page. Found in a
// project's source files and in a built program's form data; their words, for every front end.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "readers/VbProgram.h"

namespace readers {

/// A line of Visual Basic source holding bytes outside ASCII outside its comment.
struct SourceText {
  std::string file; ///< as the message names it; "" from TextsOutsideAscii
  int line = 0;     ///< counted from 1
  std::string text; ///< the line before its comment, trimmed, runs of blanks outside strings as
                    ///< one space; the bytes as stored until the caller decodes them
};

/// The lines of a form, user control, module or class (CR LF or LF) whose code or properties
/// hold bytes outside ASCII. A comment is never shown by the program, so it counts for none.
std::vector<SourceText> TextsOutsideAscii(const std::string& source);

/// The lines a warning or a check shows; "and N more" counts the rest.
inline constexpr std::size_t kTextsShown = 10;

/// --check-forms' "what happens: what to do" after a line's text.
inline const char* const kGarbledText =
    "outside ASCII, so garbled with the UTF-8 code page, which Visual Basic converts every "
    "caption, text and string through: keep the system's code page, or this text in ASCII";

/// --check-forms' last finding when more lines than kTextsShown hold such texts.
std::string MoreGarbledTexts(std::size_t count);

/// The warning of a project run asking for the UTF-8 code page: texts named "file:line: text"
/// (UTF-8), the first kTextsShown of them. Unset when there are none.
std::optional<std::string> ProjectTextWarning(const std::vector<SourceText>& texts);

/// The same for a built program, from its forms' and user controls' stored data: which of them
/// hold such texts, and how many. Unset when none does.
std::optional<std::string> FormTextWarning(const VbProgram& program);

} // namespace readers
