// libFuzzer target: any bytes as a Visual Basic project file (.vbp), the components it names
// read and each looked for as the components dialog does. A project comes from whoever sent
// it; a message in the notes is the answer to a line that makes no sense.
#include <cstdint>
#include <string>

#include "project/ProjectText.h"
#include "readers/VbProject.h"
#include "support/FuzzCheck.h"

using testsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const readers::ProjectComponents read = readers::ReadProjectComponents(text);
  int lastLine = 0;
  for (const readers::ProjectComponent& component : read.components) {
    // Kept components are in order, each from its own line, and name a library by its GUID.
    Check(component.line > lastLine);
    lastLine = component.line;
    Check(component.guid.size() == 38 && component.guid.front() == '{' &&
          component.guid.back() == '}');
    Check(!readers::IsSystemLibrary(component.guid));
    // Found where it is first looked for, the path uses the separator asked for alone.
    const std::string found =
        readers::LocateComponent(component, "C:\\Projects\\App", {"C:\\Windows\\SysWOW64"}, '/',
                                 [](const std::string&) { return true; });
    Check(!found.empty() && found.find('\\') == std::string::npos);
    std::size_t asked = 0;
    const std::string missing = readers::LocateComponent(component, "/projects/app", {"/a", "/b"},
                                                         '/', [&](const std::string& path) {
                                                           Check(!path.empty());
                                                           ++asked;
                                                           return false;
                                                         });
    Check(missing.empty() && asked == 3);
  }
  for (const std::string& note : read.notes)
    Check(note.compare(0, 5, "line ") == 0);

  // The same bytes as a project to set up, and as a module with a Sub Main to check or to show
  // the start-up form: the edits are made once, and a second pass finds nothing left to do.
  // Every name it gives a file is one, on a line of the project's own.
  for (const readers::ProjectPath& named : readers::ReadProjectFacts(text).paths)
    Check(!named.path.empty() && !named.key.empty() && named.line > 0);
  const std::vector<project::ProjectEdit> edits =
      project::NeededEdits(text, "modThemefold", "modThemefold.bas", "App_manifest.res");
  const std::string edited = project::ApplyEdits(text, edits);
  Check(
      project::NeededEdits(edited, "modThemefold", "modThemefold.bas", "App_manifest.res").empty());
  const project::StartupCheck first = project::AddStartupCheck(text);
  Check(project::HoldsSubMain(text) ==
        (first.outcome != project::StartupCheck::Outcome::NoSubMain));
  if (first.outcome == project::StartupCheck::Outcome::OnItsHeaderLine)
    Check(first.text == text && first.line > 0);
  if (first.outcome == project::StartupCheck::Outcome::Added)
    Check(project::AddStartupCheck(first.text).outcome ==
          project::StartupCheck::Outcome::AlreadyThere);
  const project::FormShown shown = project::ShowStartupForm(text, "frmMain");
  if (shown.outcome == project::FormShown::Outcome::Shown)
    Check(project::ShowStartupForm(shown.text, "frmMain").outcome ==
          project::FormShown::Outcome::AlreadyShown);
  return 0;
}
