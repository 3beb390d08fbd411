#pragma once
// The check of a project's forms and user controls for what themes break, for
// themefold-batch --check-forms and the windows.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/CodePages.h"
#include "platform/Ports.h"
#include "readers/CodePageReadiness.h"

namespace project {

struct FormCheck {
  /// Why the project cannot be checked: its file cannot be read, or a name it gives a file
  /// holds a control character. Unset when it was checked.
  std::optional<std::string> refusal;
  std::size_t filesChecked = 0;
  /// "file:line: control: what happens: what to do", in the project's order. A form the
  /// project lists that cannot be read is one too, on its line of the project file.
  std::vector<std::string> findings;
};

/// Reads the project and every Form= and UserControl= file it lists (names matched as the
/// disk spells them, or in codePage) and checks them, each file once however often it is
/// listed. Files are named as the project's path leads to them. With utf8CodePage (a manifest
/// asking for it), the texts outside ASCII of those files and of its modules and classes are
/// findings too, after the others: the first readers::kTextsShown of them, then how many more;
/// the modules and classes read count among the files checked.
FormCheck CheckForms(platform::FilePort& files, const std::string& projectPath,
                     unsigned codePage = codepages::kDefault, bool utf8CodePage = false);

/// The lines with texts outside ASCII of every Form=, UserControl=, Module= and Class= file the
/// project lists, in its order, each file once; the text read in codePage, as UTF-8. A file
/// that cannot be read is left out (the check of the forms tells of one), and so is every file
/// when the project file cannot be read.
std::vector<readers::SourceText>
TextsOutsideAscii(platform::FilePort& files, const std::string& projectPath, unsigned codePage);

/// For a window: the refusal, or the heading, the findings and the summary; the summary
/// alone when nothing was found. Past shown findings, a line tells how many more there are.
std::string FormCheckReport(const FormCheck& check, std::size_t shown = SIZE_MAX);

} // namespace project
