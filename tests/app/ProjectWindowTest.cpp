// A project picked in the main window: its version and description in the fields, the
// changes shown before anything is changed, Cancel that changes nothing, OK that makes them.
#include "Fakes.h"

#include "app/TargetReport.h"
#include "base/Path.h"
#include "generation/Architecture.h"
#include "generation/DriverTexts.h"
#include "app/frmOptions.h"
#include "project/ProjectTexts.h"
#include "readers/CodePageReadiness.h"
#include "readers/FormTexts.h"
#include "support/PeBuilder.h"

using app::Answer;
using app::Buttons;
using app::Icon;
using Field = app::MainView::Field;

namespace {

const std::string kProjectFolder = "C:\\Work\\";
const std::string kVbp = kProjectFolder + "Ledger.vbp";
const std::string kProject = "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\n"
                             "Name=\"Ledger\"\r\nMajorVer=3\r\nRevisionVer=4\r\n"
                             "Title=\"Household ledger\"\r\n";
const std::string kForm = kProjectFolder + "frmMain.frm";
const std::string kCleanForm = "VERSION 5.00\r\nBegin VB.Form frmMain\r\nEnd\r\n";
/// A check box directly in a frame, at line 4.
const std::string kFrameForm = "VERSION 5.00\r\nBegin VB.Form frmMain\r\n   Begin VB.Frame fra\r\n"
                               "      Begin VB.CheckBox chk\r\n      End\r\n   End\r\nEnd\r\n";

/// Check boxes chk1 to chk13 directly in a frame, at lines 3, 5, ... 27.
std::string ThirteenInAFrame() {
  std::string form = "Begin VB.Form frmMain\r\nBegin VB.Frame fra\r\n";
  for (int i = 1; i <= 13; ++i)
    form += "Begin VB.CheckBox chk" + std::to_string(i) + "\r\nEnd\r\n";
  return form + "End\r\nEnd\r\n";
}

struct ProjectScenario : fakes::MainWindowRig {
  ProjectScenario() {
    globals::RcExePath = "C:\\VB98\\Wizards\\RC.EXE";
    world.files.AddFolder(kProjectFolder);
    world.files.AddFile(kVbp, kProject);
    world.files.AddFile(kForm, kCleanForm);
    world.files.compiledRes = testsupport::Golden("App_manifest.res");
  }
};

} // namespace

TEST(ProjectWindowTest, ThePickedProjectFillsTheFieldsAndItsChangesWaitForOk) {
  for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
    SCOPED_TRACE(answer == Answer::Ok ? "OK" : "Cancel");
    ProjectScenario s;
    s.world.dialog.picks = {kVbp};
    s.form.Command3_Click();
    EXPECT_EQ(s.view.texts[Field::Text1], kVbp);
    EXPECT_EQ(s.view.texts[Field::Text4], "3.0.0.4");
    EXPECT_EQ(s.view.texts[Field::Text3], "Household ledger");
    EXPECT_TRUE(s.view.generateEnabled);

    s.world.boxes.answers = {answer};
    s.form.Command1_Click();
    // The folder named once, each file from it.
    const std::string changes = "Ledger_manifest.res: new, with the manifest\n"
                                "modThemefold.bas: new start-up module; it shows frmMain\n"
                                "Ledger.vbp: lists modThemefold.bas; takes Ledger_manifest.res as "
                                "its resource file; starts in Sub Main\n";
    ASSERT_FALSE(s.world.boxes.shown.empty());
    const app::Box& question = s.world.boxes.shown[0];
    EXPECT_EQ(question.text, project::texts::Question(kProjectFolder, changes));
    EXPECT_EQ(question.buttons, Buttons::OkCancel);
    if (answer == Answer::Cancel) {
      EXPECT_EQ(s.world.boxes.shown.size(), 1u);
      EXPECT_EQ(s.world.files.Bytes(kVbp), kProject);
      EXPECT_FALSE(s.world.files.Has(kProjectFolder + "modThemefold.bas"));
      EXPECT_FALSE(s.world.files.Has(kProjectFolder + "Ledger_manifest.res"));
      continue;
    }
    ASSERT_EQ(s.world.boxes.shown.size(), 2u);
    EXPECT_EQ(s.world.boxes.shown[1].text,
              project::texts::Report(kProjectFolder, "Ledger.vbp",
                                     changes + project::texts::Backup("Ledger.vbp.bak") + "\n"));
    EXPECT_EQ(s.world.boxes.shown[1].icon, Icon::Information);
    EXPECT_EQ(s.world.files.Bytes(kVbp + ".bak"), kProject);
    EXPECT_NE(s.world.files.Bytes(kVbp).find("Startup=\"Sub Main\"\r\n"), std::string::npos);
    EXPECT_EQ(s.world.files.Bytes(kProjectFolder + "Ledger_manifest.res"),
              s.world.files.compiledRes);
    EXPECT_TRUE(s.world.files.tracked.empty());
  }
}

TEST(ProjectWindowTest, TheManifestNamesTheArchitectureOfTheProgramTheProjectBuilds) {
  struct Row {
    const char* name;
    const char* lines;   ///< added to the project
    const char* program; ///< where a 64-bit build lies; "" for none
    const char* architecture;
  };
  const Row rows[] = {
      {"not built yet", "", "", "X86"},
      {"beside the project", "", "Ledger.exe", "amd64"},
      {"in its Path32", "ExeName32=\"Ledger.exe\"\r\nPath32=\"bin\"\r\n", "bin\\Ledger.exe",
       "amd64"},
      // Was: X86, the program looked for as bin\Ledger.
      {"named without its extension", "ExeName32=\"Ledger\"\r\nPath32=\"bin\"\r\n",
       "bin\\Ledger.exe", "amd64"},
      // Built elsewhere than the project says: not the project's program.
      {"elsewhere", "Path32=\"bin\"\r\n", "Ledger.exe", "X86"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProjectScenario s;
    s.world.files.AddFile(kVbp, kProject + row.lines);
    if (*row.program)
      s.world.files.AddFile(kProjectFolder + row.program,
                            testsupport::BuildPe(generation::kMachineAmd64, true, {}).image);
    s.view.texts[Field::Text1] = kVbp;
    s.view.texts[Field::Text4] = "3.0.0.4";
    s.form.Command1_Click();
    const std::string manifest = s.world.files.compiledManifest;
    const std::string identity = std::string("processorArchitecture=\"") + row.architecture + "\"";
    const std::size_t first = manifest.find(identity);
    ASSERT_NE(first, std::string::npos) << manifest;
    EXPECT_NE(manifest.find(identity, first + 1), std::string::npos) << manifest;
  }
}

// The report ends in what themes break in the forms. A message box does not scroll: past
// twelve findings it tells how many more there are.
TEST(ProjectWindowTest, TheReportEndsInWhatThemesBreakInTheForms) {
  const std::string inFrame = readers::formtexts::InFrame("fra");
  const struct {
    std::string form, tail;
  } rows[] = {
      {kFrameForm, "\n\nWhat themes will break in the forms:\n" + kForm + ":4: chk: " + inFrame +
                       "\nchecked 1 file: 1 finding"},
      {ThirteenInAFrame(), kForm + ":25: chk12: " + inFrame + "\n" + readers::formtexts::More(1) +
                               "\nchecked 1 file: 13 findings"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tail);
    ProjectScenario s;
    s.world.files.AddFile(kForm, row.form);
    s.view.texts[Field::Text1] = kVbp;
    s.view.texts[Field::Text4] = "3.0.0.4"; // as picking the project fills it in
    s.world.boxes.answers = {Answer::Ok};
    s.form.Command1_Click();
    ASSERT_EQ(s.world.boxes.shown.size(), 2u);
    const std::string& report = s.world.boxes.shown[1].text;
    ASSERT_GE(report.size(), row.tail.size());
    EXPECT_EQ(report.substr(report.size() - row.tail.size()), row.tail);
    EXPECT_EQ(report.find("What themes"), report.rfind("What themes"));
    EXPECT_EQ(report.find(":27: chk13"), std::string::npos);
  }
}

// With the UTF-8 code page chosen, the report tells which texts it garbles.
TEST(ProjectWindowTest, TheReportWarnsOfTheTextsTheUtf8CodePageGarbles) {
  ProjectScenario s;
  s.world.files.AddFile(kForm, "Begin VB.Form frmMain\r\n   Caption = \"\xC4\"\r\nEnd\r\n");
  generation::ManifestSettings utf8;
  utf8.codePage = generation::CodePage::Utf8;
  app::SaveManifestSettings(s.world.settings, utf8);
  s.form.Form_Load();
  s.view.texts[Field::Text1] = kVbp;
  s.view.texts[Field::Text4] = "3.0.0.4";
  s.world.boxes.answers = {Answer::Ok};
  s.form.Command1_Click();
  ASSERT_EQ(s.world.boxes.shown.size(), 2u);
  const std::string warning =
      *readers::ProjectTextWarning({{"frmMain.frm", 2, "Caption = \"\xC3\x84\""}});
  EXPECT_NE(s.world.boxes.shown[1].text.find("\n\n" + warning + "\n\n" +
                                             project::texts::NextStep("Ledger.vbp")),
            std::string::npos)
      << s.world.boxes.shown[1].text;
}

// The options window's report: for a project, its forms; the program otherwise.
TEST(ProjectWindowTest, TheOptionsWindowReportsTheFormsOfAProject) {
  struct Row {
    const char* name;
    std::string path;
    std::string form;
    std::string expected;
  };
  // clang-format off
  const Row rows[] = {
      {"clean", kVbp, kCleanForm, "checked 1 file: nothing that themes break"},
      {"frame", kVbp, kFrameForm,
       "What themes will break in the forms:\n" + kForm + ":4: chk: " +
           readers::formtexts::InFrame("fra") + "\nchecked 1 file: 1 finding"},
      // It scrolls: every finding, with no line of how many more.
      {"thirteen", kVbp, ThirteenInAFrame(), ""},
      {"missing", kProjectFolder + "Gone.VBP", kCleanForm,
       "\"" + kProjectFolder + "Gone.VBP\" cannot be read: it does not exist."},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProjectScenario s;
    s.world.files.AddFile(kForm, row.form);
    const std::string report = app::DescribeTarget(s.world.files, row.path);
    if (row.expected.empty())
      EXPECT_NE(report.find(":27: chk13: "), std::string::npos) << report;
    else
      EXPECT_EQ(report, row.expected);
  }
}

// The check of the forms reads no link, and looks for no name with a control character in
// it: the project is refused by name before any call of the files is made with it.
TEST(ProjectWindowTest, TheCheckOfTheFormsReadsNoLinkAndNoNameWithAControlCharacter) {
  // Was: "...cannot be read (not a plain file)...".
  {
    ProjectScenario s;
    s.world.files.links.insert(kForm);
    EXPECT_EQ(app::DescribeTarget(s.world.files, kVbp),
              "What themes will break in the forms:\n" + kVbp + ":2: frmMain.frm: " +
                  readers::formtexts::CannotRead("Form", project::texts::kIsALink) +
                  "\nchecked 0 files: 1 finding");
  }
  // Was: "...cannot be read (it does not exist)...", the name looked for up to its NUL.
  const std::string nul(1, '\0');
  for (const std::string& name : {"frm" + nul + "Main.frm", std::string("frm\x01Main.frm")}) {
    ProjectScenario s;
    std::string text = kProject;
    text.replace(text.find("frmMain.frm"), 11, name);
    s.world.files.AddFile(kVbp, text);
    const std::string shown = path::Visible(name);
    SCOPED_TRACE(shown);
    EXPECT_EQ(app::DescribeTarget(s.world.files, kVbp),
              project::texts::ControlCharacterInName(kVbp, 2, "Form", shown));
    for (const std::string& named : s.world.files.named)
      EXPECT_FALSE(path::HasControlCharacter(named)) << path::Visible(named);
  }
}

// A run that changes nothing ends in one box saying why, in the result's own words.
TEST(ProjectWindowTest, ARunThatChangesNothingEndsInOneBoxSayingWhy) {
  const int writes = [] {
    ProjectScenario clean;
    clean.view.texts[Field::Text1] = kVbp;
    clean.form.Command1_Click();
    return clean.world.files.writes;
  }();
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    std::string words; ///< what the last box says
    Icon icon;
  };
  const Row rows[] = {
      {"a read-only project", [](fakes::Files& f) { f.files[kVbp].readOnly = true; },
       project::texts::ReadOnly(kVbp), Icon::Exclamation},
      {"a compiler that makes nothing", [](fakes::Files& f) { f.compiler = [](auto&) {}; },
       generation::texts::kCompileFailed, Icon::Exclamation},
      {"the write before the last fails: all is put back",
       [&](fakes::Files& f) { f.failAt = writes - 1; }, "Every file is as it was", Icon::Critical},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProjectScenario s;
    s.view.texts[Field::Text1] = kVbp;
    row.arrange(s.world.files);
    s.form.Command1_Click();
    ASSERT_FALSE(s.world.boxes.shown.empty());
    EXPECT_NE(s.world.boxes.shown.back().text.find(row.words), std::string::npos)
        << s.world.boxes.shown.back().text;
    EXPECT_EQ(s.world.boxes.shown.back().icon, row.icon);
  }
}

// The version question is asked once, though the plan is made twice; No ends the run
// without a second box, Yes shows the question and the window's report.
TEST(ProjectWindowTest, AVersionWindowsWouldRefuseIsAskedAboutOnce) {
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    ProjectScenario run;
    run.view.texts[Field::Text1] = kVbp;
    run.view.texts[Field::Text4] = "banana";
    run.world.boxes.answers = {answer};
    run.form.Command1_Click();
    const std::vector<std::string> texts = run.world.boxes.Texts();
    ASSERT_EQ(texts.size(), answer == Answer::No ? 1u : 3u);
    EXPECT_EQ(texts[0], generation::texts::kVersionWarning);
    if (answer == Answer::Yes) {
      EXPECT_EQ(texts[2].find("In \"C:\\Work\\\":"), 0u);
    }
  }
}
