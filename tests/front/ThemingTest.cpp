// What theming does to a program Visual Basic built: every warning, with its exact words, and
// the programs that get none.
#include <gtest/gtest.h>

#include "front/Theming.h"
#include "readers/CodePageReadiness.h"

namespace {

using readers::VbObjectKind;
using readers::VbProjectKind;

struct Shape {
  VbProjectKind kind = VbProjectKind::StandardExe;
  bool subMain = false;
  std::string startupForm = "frmMain";
  int userControls = 0;
  bool initialises = false;
  bool forms = true;
};

readers::VbProgram Program(const Shape& shape) {
  readers::VbProgram program;
  program.projectName = "Ledger";
  program.kind = shape.kind;
  program.startsInSubMain = shape.subMain;
  program.startupForm = shape.subMain ? "" : shape.startupForm;
  program.initialisesCommonControls = shape.initialises;
  program.objects.push_back({"modMain", VbObjectKind::Module});
  if (shape.forms)
    program.objects.push_back({"frmMain", VbObjectKind::Form});
  for (int i = 1; i <= shape.userControls; ++i)
    program.objects.push_back({"ctl" + std::to_string(i), VbObjectKind::UserControl});
  return program;
}

const std::string kNeverInitialised =
    "the program never initialises the common controls (it declares neither InitCommonControls "
    "nor InitCommonControlsEx): themed, it may not show its windows with the new look, or at "
    "all. Setting the project up adds the start-up module, which does.";

std::string Crash(const std::string& controls, const std::string& start) {
  return controls + " compiled into the program, which starts in " + start +
         ": themed, it crashes at exit unless the common controls are initialised first. Setting "
         "the project up avoids it: the start-up module modThemefold.bas initialises them in Sub "
         "Main, before any form loads.";
}

TEST(ThemingTest, WarnsOfWhatThemingDoesToTheProgram) {
  struct Row {
    const char* name;
    Shape shape;
    std::vector<std::string> warnings;
  };
  const Row rows[] = {
      {"forms, initialised in Sub Main", {VbProjectKind::StandardExe, true, "", 0, true}, {}},
      {"forms, initialised in a form", {VbProjectKind::StandardExe, false, "frmMain", 0, true}, {}},
      {"forms, never initialised", {}, {kNeverInitialised}},
      {"no forms, never initialised", {VbProjectKind::StandardExe, true, "", 0, false, false}, {}},
      {"a user control, starting in a form",
       {VbProjectKind::StandardExe, false, "frmMain", 1, true},
       {Crash("the user control ctl1 is", "the form frmMain")}},
      {"user controls, Sub Main that never initialises",
       {VbProjectKind::StandardExe, true, "", 2, false},
       {Crash("the user controls ctl1 and ctl2 are", "Sub Main"), kNeverInitialised}},
      {"user controls, Sub Main that initialises",
       {VbProjectKind::StandardExe, true, "", 3, true},
       {}},
      {"user controls, no start recorded",
       {VbProjectKind::ActiveXExe, false, "", 1, true},
       {Crash("the user control ctl1 is", "a form")}},
      {"more user controls than a warning names",
       {VbProjectKind::StandardExe, false, "frmMain", 10, true},
       {Crash("the user controls ctl1, ctl2, ctl3, ctl4, ctl5, ctl6, ctl7, ctl8 and 2 more are",
              "the form frmMain")}},
      // A library's host program starts first and decides.
      {"an OCX of user controls", {VbProjectKind::ActiveXControl, false, "", 2, true}, {}},
      {"a DLL with a form, never initialised",
       {VbProjectKind::ActiveXDll, false, "", 0, false},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(front::ThemingWarnings(Program(row.shape), generation::CodePage::NotSet),
              row.warnings);
  }
}

// Only the UTF-8 code page garbles the forms' texts outside ASCII; their warning's words are
// CodePageReadinessTest's.
TEST(ThemingTest, WarnsOfFormTextsOnlyUnderUtf8) {
  readers::VbProgram program = Program({VbProjectKind::StandardExe, true, "", 0, true});
  program.formTexts.push_back({"frmMain", "Gr\xF6\xDF\x65"});
  EXPECT_EQ(front::ThemingWarnings(program, generation::CodePage::NotSet),
            std::vector<std::string>{});
  EXPECT_EQ(front::ThemingWarnings(program, generation::CodePage::Legacy),
            std::vector<std::string>{});
  EXPECT_EQ(front::ThemingWarnings(program, generation::CodePage::Utf8),
            std::vector<std::string>{*readers::FormTextWarning(program)});
}

// --inspect counts them with the manifest's own, after them; a program Visual Basic did not
// build gets none.
TEST(ThemingTest, AreInspectionWarnings) {
  readers::Inspection inspection;
  inspection.state = readers::ProgramState::Manifest;
  inspection.warnings = {"the manifest's own"};
  front::AddThemingWarnings(inspection);
  EXPECT_EQ(inspection.warnings, std::vector<std::string>{"the manifest's own"});
  inspection.visualBasic = Program({});
  front::AddThemingWarnings(inspection);
  EXPECT_EQ(inspection.warnings,
            (std::vector<std::string>{"the manifest's own", kNeverInitialised}));
}

} // namespace
