#include "front/Theming.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/Path.h"
#include "generation/ModuleText.h"
#include "readers/CodePageReadiness.h"
#include "readers/PeConditions.h"
#include "readers/Source.h"

namespace front {

namespace {

/// "a, b and c", at most kNamedUserControls of them, then how many more.
std::string Names(const std::vector<std::string>& names) {
  const std::size_t shown = std::min(names.size(), kNamedUserControls);
  std::string text;
  for (std::size_t i = 0; i < shown; ++i)
    text += (i == 0 ? "" : i + 1 == shown && shown == names.size() ? " and " : ", ") + names[i];
  if (shown < names.size())
    text += " and " + std::to_string(names.size() - shown) + " more";
  return text;
}

/// Sub Main that declares the call is taken to make it before the first form loads; a
/// program starting in a form loads that form, and its user controls, first.
bool InitialisesFirst(const readers::VbProgram& program) {
  return program.startsInSubMain && program.initialisesCommonControls;
}

/// A library's forms and user controls live in a host program, which starts first and
/// decides; only a program's own start can be told about.
bool IsProgram(readers::VbProjectKind kind) {
  return kind == readers::VbProjectKind::StandardExe || kind == readers::VbProjectKind::ActiveXExe;
}

std::string UserControls(const readers::VbProgram& program) {
  std::vector<std::string> names;
  for (const readers::VbObject& object : program.objects)
    if (object.kind == readers::VbObjectKind::UserControl)
      names.push_back(path::Visible(object.name));
  if (names.empty() || !IsProgram(program.kind) || InitialisesFirst(program))
    return std::string();
  const std::string start = program.startsInSubMain ? std::string("Sub Main")
                            : program.startupForm.empty()
                                ? std::string("a form")
                                : "the form " + path::Visible(program.startupForm);
  return std::string(names.size() == 1 ? "the user control " : "the user controls ") +
         Names(names) + (names.size() == 1 ? " is" : " are") +
         " compiled into the program, which starts in " + start +
         ": themed, it crashes at exit unless the common controls are initialised first. "
         "Setting the project up avoids it: the start-up module " +
         generation::kModuleName + ".bas initialises them in Sub Main, before any form loads.";
}

std::string NeverInitialised(const readers::VbProgram& program) {
  const std::size_t forms = program.CountOf(readers::VbObjectKind::Form) +
                            program.CountOf(readers::VbObjectKind::MdiForm);
  if (forms == 0 || !IsProgram(program.kind) || program.initialisesCommonControls)
    return std::string();
  return "the program never initialises the common controls (it declares neither "
         "InitCommonControls nor InitCommonControlsEx): themed, it may not show its windows "
         "with the new look, or at all. Setting the project up adds the start-up module, "
         "which does.";
}

} // namespace

std::vector<std::string> ThemingWarnings(const readers::VbProgram& program,
                                         generation::CodePage codePage) {
  std::vector<std::string> warnings;
  for (std::string warning : {UserControls(program), NeverInitialised(program)})
    if (!warning.empty())
      warnings.push_back(std::move(warning));
  // Only the UTF-8 code page garbles what the forms store in the author's ANSI code page.
  if (codePage == generation::CodePage::Utf8)
    if (std::optional<std::string> texts = readers::FormTextWarning(program))
      warnings.push_back(std::move(*texts));
  return warnings;
}

void AddThemingWarnings(readers::Inspection& inspection) {
  if (!inspection.visualBasic)
    return;
  for (std::string& warning :
       ThemingWarnings(*inspection.visualBasic, generation::CodePage::NotSet))
    inspection.warnings.push_back(std::move(warning));
}

ProgramTheming ThemingOf(const readers::PeImage& pe, std::string_view image,
                         generation::CodePage codePage) {
  const readers::VbReading reading = readers::ReadVbProgram(pe, readers::MemorySource(image));
  ProgramTheming theming;
  theming.visualBasic = reading.program || readers::ImportsVisualBasic(pe, image);
  if (reading.program)
    theming.warnings = ThemingWarnings(*reading.program, codePage);
  return theming;
}

} // namespace front
