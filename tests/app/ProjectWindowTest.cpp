// A project picked in the main window: its version and description in the fields, the
// changes shown before anything is changed, Cancel that changes nothing, OK that makes them.
#include "Fakes.h"

#include "project/ProjectTexts.h"

using app::Answer;
using app::Buttons;
using app::Icon;
using Field = app::MainView::Field;

namespace {

const std::string kFolder = "C:\\Work\\";
const std::string kVbp = kFolder + "Ledger.vbp";
const std::string kProject = "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\n"
                             "Name=\"Ledger\"\r\nMajorVer=3\r\nRevisionVer=4\r\n"
                             "Title=\"Household ledger\"\r\n";

struct ProjectScenario {
  ProjectScenario() {
    Globals::RcExePath = "C:\\VB98\\Wizards\\RC.EXE";
    world.files.AddFolder(kFolder);
    world.files.AddFile(kVbp, kProject);
    view.form = &form;
  }
  fakes::World world;
  fakes::MainView view;
  fakes::ReadmeWindow readme;
  fakes::OptionsWindow options;
  app::frmMain form{view, world.services, world.shell, readme, options};
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
    const std::string changes = kFolder + "Ledger_manifest.res: new, with the manifest\n" +
                                kFolder + "modThemefold.bas: new start-up module; it shows frmMain\n" +
                                kVbp + ": lists modThemefold.bas; takes Ledger_manifest.res as "
                                       "its resource file; starts in Sub Main\n";
    ASSERT_FALSE(s.world.boxes.shown.empty());
    const app::Box& question = s.world.boxes.shown[0];
    EXPECT_EQ(question.text, project::texts::Question(changes));
    EXPECT_EQ(question.buttons, Buttons::OkCancel);
    if (answer == Answer::Cancel) {
      EXPECT_EQ(s.world.boxes.shown.size(), 1u);
      EXPECT_EQ(s.world.files.Bytes(kVbp), kProject);
      EXPECT_FALSE(s.world.files.Has(kFolder + "modThemefold.bas"));
      EXPECT_FALSE(s.world.files.Has(kFolder + "Ledger_manifest.res"));
      continue;
    }
    ASSERT_EQ(s.world.boxes.shown.size(), 2u);
    EXPECT_EQ(s.world.boxes.shown[1].text,
              project::texts::Report(kVbp, changes + project::texts::Backup(kVbp + ".bak") + "\n"));
    EXPECT_EQ(s.world.boxes.shown[1].icon, Icon::Information);
    EXPECT_EQ(s.world.files.Bytes(kVbp + ".bak"), kProject);
    EXPECT_NE(s.world.files.Bytes(kVbp).find("Startup=\"Sub Main\"\r\n"), std::string::npos);
    EXPECT_EQ(s.world.files.Bytes(kFolder + "Ledger_manifest.res"), "RES");
    EXPECT_TRUE(s.world.files.tracked.empty());
  }
}
