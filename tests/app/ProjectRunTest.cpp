// A project run is one change: a failure or a kill at any write leaves the project as it
// was or wholly set up, what the user saved meanwhile is never written over, and what stands
// in the way is found before anything is written.
#include "Fakes.h"
#include "support/TestSupport.h"

#include "base/Path.h"
#include "front/ProjectFlow.h"
#include "generation/DriverTexts.h"
#include "project/ProjectTexts.h"
#include "project/Transaction.h"

using app::Answer;
using Field = app::MainView::Field;

namespace projectrun {

namespace {

const std::string kFolder = "C:\\Work\\";
const std::string kVbp = kFolder + "Ledger.vbp";
const std::string kFormProject = "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\n"
                                 "Name=\"Ledger\"\r\n";
const std::string kSubMainProject = "Type=Exe\r\nModule=modMain; modMain.bas\r\n"
                                    "Startup=\"Sub Main\"\r\nName=\"Ledger\"\r\n";
const std::string kMainModule = "Attribute VB_Name = \"modMain\"\r\nSub Main()\r\nEnd Sub\r\n";

using Tree = std::map<std::string, std::string>;

/// The files; with withoutOurs, less the temporary files and the journal that a failed
/// delete leaves for the next run.
Tree Files(const fakes::Files& files, bool withoutOurs = false) {
  Tree tree;
  for (const auto& [path, file] : files.files)
    if (!withoutOurs || (path.find("\\~themefold-") == std::string::npos &&
                         path != project::JournalPath(kVbp)))
      tree[path] = file.bytes;
  return tree;
}

/// A main window whose project is set up by "Generate...", the answers scripted.
struct Rig : fakes::MainWindowRig {
  explicit Rig(const Tree& tree) {
    globals::RcExePath = "C:\\VB98\\Wizards\\RC.EXE";
    world.files.AddFolder(kFolder);
    world.files.compiledRes = testsupport::Golden("App_manifest.res");
    for (const auto& [path, bytes] : tree)
      world.files.AddFile(path, bytes);
    view.texts[Field::Text1] = kVbp;
    view.texts[Field::Text4] = "1.0.0.0";
  }
  void Generate() { form.Command1_Click(); }
};

struct Project {
  const char* name;
  Tree tree;
};

const Project kProjects[] = {
    {"starts in a form", {{kVbp, kFormProject}, {kFolder + "frmMain.frm", "Begin VB.Form frmMain\r\nEnd\r\n"}}},
    {"starts in its own Sub Main", {{kVbp, kSubMainProject}, {kFolder + "modMain.bas", kMainModule}}},
};

} // namespace

TEST(ProjectRunTest, AFailureOrAKillAtAnyWriteLeavesTheProjectAsBeforeOrWhollySetUp) {
  for (const Project& project : kProjects) {
    SCOPED_TRACE(project.name);
    Rig clean(project.tree);
    clean.Generate();
    const Tree after = Files(clean.world.files);
    ASSERT_NE(after, project.tree);
    const int writes = clean.world.files.writes;
    for (int at = 1; at <= writes; ++at) {
      SCOPED_TRACE("write " + std::to_string(at));
      {
        Rig failing(project.tree);
        failing.world.files.failAt = at;
        failing.Generate();
        const Tree now = Files(failing.world.files, true);
        const std::vector<std::string> texts = failing.world.boxes.Texts();
        ASSERT_FALSE(texts.empty());
        if (now == after)
          continue;
        EXPECT_EQ(now, project.tree);
        // The last box says that nothing is changed: nothing was, or all was put back.
        const std::string& told = texts.back();
        EXPECT_TRUE(told.find(project::texts::kNothingChanged) != std::string::npos ||
                    told.find("Every file is as it was") != std::string::npos)
            << told;
      }
      Rig killed(project.tree);
      killed.world.files.killAt = at;
      killed.Generate();
      killed.world.files.dead = false;
      killed.world.files.killAt = 0;
      killed.world.files.processId = 8;
      killed.world.boxes.shown.clear();
      killed.Generate();
      EXPECT_EQ(Files(killed.world.files), after);
    }
  }
}

TEST(ProjectRunTest, WhatTheUserSavesMeanwhileIsNeverWrittenOver) {
  const std::string saved = kFormProject + "Title=\"Saved meanwhile\"\r\n";
  // Saved while the question was open, with the same changes to make: they are made to
  // the saved text, without a second question.
  {
    Rig run(kProjects[0].tree);
    run.world.boxes.onShow = [&] { run.world.files.AddFile(kVbp, saved); };
    run.Generate();
    ASSERT_EQ(run.world.boxes.shown.size(), 2u);
    EXPECT_NE(run.world.files.Bytes(kVbp).find("Title=\"Saved meanwhile\"\r\n"), std::string::npos);
    EXPECT_EQ(run.world.files.Bytes(kVbp + ".bak"), saved);
  }
  // Saved with a change that alters the list: the new list is asked about.
  {
    Rig run(kProjects[0].tree);
    const std::string subMain = kSubMainProject;
    run.world.files.AddFile(kFolder + "modMain.bas", kMainModule);
    run.world.boxes.onShow = [&] {
      if (run.world.boxes.shown.size() == 1)
        run.world.files.AddFile(kVbp, subMain);
    };
    run.world.boxes.answers = {Answer::Ok, Answer::Cancel};
    run.Generate();
    ASSERT_EQ(run.world.boxes.shown.size(), 2u);
    EXPECT_EQ(run.world.boxes.shown[1].text.find("The project changed while the question was open."), 0u);
    EXPECT_NE(run.world.boxes.shown[1].text.find("modMain.bas: Sub Main checks"), std::string::npos);
    EXPECT_EQ(run.world.files.Bytes(kVbp), subMain);
  }
  // Saved while the compiler ran, where nobody is asked (the batch): nothing is written.
  {
    fakes::Files files;
    files.compiledRes = testsupport::Golden("App_manifest.res");
    files.AddFolder(kFolder);
    for (const auto& [path, bytes] : kProjects[0].tree)
      files.AddFile(path, bytes);
    const Tree before = Files(files);
    files.compiler = [&](const std::string& commandLine) {
      files.CompileLikeRc(commandLine);
      files.AddFile(kVbp, saved);
    };
    fakes::Conversation conversation;
    struct : front::ProjectConversation {
      front::Confirmation Confirm(const project::Plan&, bool) override {
        return front::Confirmation::Unasked;
      }
      void Note(const std::string&) override {}
    } user;
    project::Request request;
    request.projectPath = kVbp;
    request.rcExePath = "C:\\VB98\\Wizards\\RC.EXE";
    const front::ProjectResult result = front::RunProject(files, conversation, user, request);
    EXPECT_EQ(result.outcome, front::ProjectOutcome::Changed);
    EXPECT_EQ(result.message, project::texts::Changed(kVbp));
    Tree expected = before;
    expected[kVbp] = saved;
    EXPECT_EQ(Files(files), expected);
  }
}

TEST(ProjectRunTest, WhatStandsInTheWayIsFoundBeforeAnythingIsWritten) {
  const std::string module = kFolder + "modThemefold.bas";
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    std::string told;
  };
  const std::string src = kFolder + "Src\\";
  const Tree inSrc = {{kVbp, "Type=Exe\r\nModule=modMain; Src\\modMain.bas\r\n"
                             "Startup=\"Sub Main\"\r\n"},
                      {src + "modMain.bas", kMainModule}};
  const Row rows[] = {
      {"a folder where the module goes", [&](fakes::Files& f) { f.AddFolder(module + "\\"); },
       project::texts::InTheWay(module, project::texts::kAFolder)},
      {"a read-only project", [&](fakes::Files& f) { f.files[kVbp].readOnly = true; },
       project::texts::ReadOnly(kVbp)},
      {"a module in a folder that takes no file",
       [&](fakes::Files& f) {
         f.AddFolder(src);
         for (const auto& [path, bytes] : inSrc)
           f.AddFile(path, bytes);
         f.readOnlyFolders.insert(src);
       },
       project::texts::FolderNotWritable(src, "Access is denied.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig run(kProjects[0].tree);
    row.arrange(run.world.files);
    const Tree before = Files(run.world.files);
    run.Generate();
    EXPECT_EQ(run.world.boxes.Texts(), std::vector<std::string>{row.told});
    EXPECT_EQ(Files(run.world.files), before);
  }
  // A folder with the backup's name is passed over for the next free one.
  Rig run(kProjects[0].tree);
  run.world.files.AddFolder(kVbp + ".bak\\");
  run.Generate();
  EXPECT_EQ(run.world.files.Bytes(kVbp + ".bak2"), kFormProject);
}

} // namespace projectrun

namespace projectrun {

// The version question is asked once, though the plan is made twice; No ends the run
// without a second box.
TEST(ProjectRunTest, AVersionWindowsWouldRefuseIsAskedAboutOnce) {
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    Rig run(kProjects[0].tree);
    run.view.texts[Field::Text4] = "banana";
    run.world.boxes.answers = {answer};
    run.Generate();
    const std::vector<std::string> texts = run.world.boxes.Texts();
    ASSERT_EQ(texts.size(), answer == Answer::No ? 1u : 3u);
    EXPECT_EQ(texts[0], generation::texts::kVersionWarning);
    if (answer == Answer::Yes) {
      EXPECT_EQ(texts[2].find("In \"C:\\Work\\\":"), 0u);
    }
  }
}

} // namespace projectrun

namespace projectrun {

namespace {

const std::string kForm = "Begin VB.Form frmMain\r\nEnd\r\nAttribute VB_Name = \"frmMain\"\r\n";

/// A project that starts in frmMain, with lines added before its Startup line.
std::string FormProject(const std::string& lines) {
  return "Type=Exe\r\nForm=frmMain.frm\r\n" + lines + "Startup=\"frmMain\"\r\n";
}

} // namespace

// Each is refused by name with every file as it was, and a name of the project's with a
// control character in it is handed to no call of the files at all.
TEST(ProjectRunTest, ProjectsThatCannotBeSetUpAreRefusedByName) {
  namespace texts = project::texts;
  const std::string modMain = kFolder + "modMain.bas";
  const std::string nul(1, '\0');
  struct Row {
    const char* name;
    Tree tree;
    std::string told;
    std::function<void(fakes::Files&)> arrange = {};
  };
  const Row rows[] = {
      // Was, for the next two: set up with a second Sub Main, which does not compile.
      {"a Sub Main on one line beside a form start-up",
       {{kVbp, FormProject("Module=modMain; modMain.bas\r\n")},
        {kFolder + "frmMain.frm", kForm},
        {modMain, "Attribute VB_Name = \"modMain\"\r\nSub Main(): frmMain.Show: End Sub\r\n"}},
       texts::SubMainNotStarted(modMain, "frmMain")},
      {"a Sub Main whose header is continued, beside a form start-up",
       {{kVbp, FormProject("Module=modMain; modMain.bas\r\n")},
        {kFolder + "frmMain.frm", kForm},
        {modMain, "Public Sub _\r\nMain()\r\n    frmMain.Show\r\nEnd Sub\r\n"}},
       texts::SubMainNotStarted(modMain, "frmMain")},
      // Was: "...Ledger.vbp" starts in Sub Main, but none of the modules it lists holds a Sub
      // Main.
      {"a Sub Main start-up whose Sub Main has statements on its header's line",
       {{kVbp, kSubMainProject},
        {modMain,
         "Attribute VB_Name = \"modMain\"\r\nPublic Sub Main(): frmMain.Show\r\nEnd Sub\r\n"}},
       texts::SubMainOnItsHeaderLine(modMain, 2)},
      // Was, for the next three: started in a Sub Main that shows no form.
      {"no Startup line",
       {{kVbp, "Type=Exe\r\nForm=frmMain.frm\r\nName=\"Ledger\"\r\n"},
        {kFolder + "frmMain.frm", kForm}},
       texts::NoStartupForm(kVbp)},
      {"Startup=\"(None)\"",
       {{kVbp, "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"(None)\"\r\n"},
        {kFolder + "frmMain.frm", kForm}},
       texts::NoStartupForm(kVbp)},
      {"Startup=\"\"",
       {{kVbp, "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"\"\r\n"},
        {kFolder + "frmMain.frm", kForm}},
       texts::NoStartupForm(kVbp)},
      // Was: the name looked for, up to its NUL on a real system.
      {"a NUL in ResFile32",
       {{kVbp, FormProject("ResFile32=\"App.res" + nul + ".txt\"\r\n")},
        {kFolder + "frmMain.frm", kForm},
        {kFolder + "App.res", testsupport::Golden("App_manifest.res")}},
       texts::ControlCharacterInName(kVbp, 3, "ResFile32", "App.res<NUL>.txt") +
           texts::kNothingChanged},
      {"a control character in a module's path",
       {{kVbp, FormProject("Module=modMain; mod\x1FMain.bas\r\n")},
        {kFolder + "frmMain.frm", kForm}},
       texts::ControlCharacterInName(kVbp, 3, "Module", "mod<0x1F>Main.bas") +
           texts::kNothingChanged},
      {"a NUL in ExeName32",
       {{kVbp, FormProject("ExeName32=\"App" + nul + ".exe\"\r\n")},
        {kFolder + "frmMain.frm", kForm}},
       texts::ControlCharacterInName(kVbp, 3, "ExeName32", "App<NUL>.exe") +
           texts::kNothingChanged},
      {"a tab in a Path32",
       {{kVbp, FormProject("Path32=\"bin\tx\"\r\n")}, {kFolder + "frmMain.frm", kForm}},
       texts::ControlCharacterInName(kVbp, 3, "Path32", "bin<0x09>x") + texts::kNothingChanged},
      {"a control character in a class the run does not read",
       {{kVbp, FormProject("Class=clsA; cls\x7F.cls\r\n")}, {kFolder + "frmMain.frm", kForm}},
       texts::ControlCharacterInName(kVbp, 3, "Class", "cls<0x7F>.cls") + texts::kNothingChanged},
      // Was: "...modMain.bas" cannot be read: not a plain file.
      {"a module that is a link",
       {{kVbp, kSubMainProject}, {modMain, kMainModule}},
       texts::CannotRead(modMain, texts::kIsALink),
       [&](fakes::Files& f) { f.links.insert(modMain); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig run(row.tree);
    if (row.arrange)
      row.arrange(run.world.files);
    const Tree before = Files(run.world.files);
    run.Generate();
    EXPECT_EQ(run.world.boxes.Texts(), std::vector<std::string>{row.told});
    EXPECT_EQ(Files(run.world.files), before);
    for (const std::string& named : run.world.files.named)
      EXPECT_FALSE(path::HasControlCharacter(named)) << path::Visible(named);
  }
}

// The shapes the run can edit safely, and a program name without an extension, which
// Visual Basic builds as name + ".exe".
TEST(ProjectRunTest, SetsUpProjectsOfEveryShapeItCanEditSafely) {
  const std::string check =
      "    If Not InitCommonControlsVB Then MsgBox \"Initialization error!\", "
      "vbCritical: End\r\n";
  // Was: "...Ledger.vbp" starts in Sub Main, but none of the modules it lists holds a Sub Main.
  {
    const std::string module = "Attribute VB_Name = \"modMain\"\r\nPublic Sub _\r\n  Main()\r\n"
                               "    frmMain.Show\r\nEnd Sub\r\n";
    Rig run({{kVbp, kSubMainProject}, {kFolder + "modMain.bas", module}});
    run.Generate();
    std::string expected = module;
    expected.insert(expected.find("    frmMain"), check);
    EXPECT_EQ(run.world.files.Bytes(kFolder + "modMain.bas"), expected);
    EXPECT_EQ(run.world.files.Bytes(kFolder + "modMain.bas.bak"), module);
  }
  // Was: "_manifest.res", and a manifest that named the program "App".
  {
    Rig run({{kVbp, FormProject("ExeName32=\"App\"\r\n")}, {kFolder + "frmMain.frm", kForm}});
    run.Generate();
    EXPECT_EQ(run.world.files.Bytes(kFolder + "App_manifest.res"),
              testsupport::Golden("App_manifest.res"));
    EXPECT_FALSE(run.world.files.Has(kFolder + "_manifest.res"));
    EXPECT_NE(run.world.files.Bytes(kVbp).find("ResFile32=\"App_manifest.res\"\r\n"),
              std::string::npos);
    EXPECT_NE(run.world.files.compiledManifest.find("name=\"App.exe\""), std::string::npos)
        << run.world.files.compiledManifest;
  }
}

} // namespace projectrun
