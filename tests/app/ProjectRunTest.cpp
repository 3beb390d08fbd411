// A project run is one change: a failure or a kill at any write leaves the project as it
// was or wholly set up, what the user saved meanwhile is never written over, and what stands
// in the way is found before anything is written.
#include "Fakes.h"
#include "support/TestSupport.h"

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

/// The files where the project lies; with withoutOurs, less the temporary files and the
/// journal that a failed delete leaves for the next run. (What a kill leaves in the system's
/// temporary folder is the system's to clear.)
Tree Files(const fakes::Files& files, bool withoutOurs = false) {
  Tree tree;
  for (const auto& [path, file] : files.files)
    if (path.rfind(kFolder, 0) == 0 &&
        (!withoutOurs ||
         (path.find("\\~themefold-") == std::string::npos && path != project::JournalPath(kVbp))))
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

/// The project's files with a compiler that makes the .res of our manifest.
void Lay(fakes::Files& files, const Tree& tree) {
  files.compiledRes = testsupport::Golden("App_manifest.res");
  files.AddFolder(kFolder);
  for (const auto& [path, bytes] : tree)
    files.AddFile(path, bytes);
}

/// A run as the batch makes it: nobody is asked.
front::ProjectResult RunUnasked(fakes::Files& files, bool dryRun = false) {
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
  request.dryRun = dryRun;
  return front::RunProject(files, conversation, user, request);
}

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
    Lay(files, kProjects[0].tree);
    const Tree before = Files(files);
    files.compiler = [&](const std::string& commandLine) {
      files.CompileLikeRc(commandLine);
      files.AddFile(kVbp, saved);
    };
    const front::ProjectResult result = RunUnasked(files);
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
      // Was: Create "C:\Work\~themefold-7-0000000000000001.manifest" failed.
      {"a project in a folder that takes no file",
       [&](fakes::Files& f) { f.readOnlyFolders.insert(kFolder); },
       project::texts::FolderNotWritable(kFolder, "Access is denied.")},
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

// A dry run writes nothing where the project lies, not for a moment, and leaves nothing
// elsewhere, whatever its end; what refuses the real run refuses it in the same words.
TEST(ProjectRunTest, ADryRunLeavesNoTraceAndIsRefusedAsTheRealRunWouldBe) {
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    front::ProjectOutcome outcome;
    std::string message;
  };
  const Row rows[] = {
      // Was: the compiler's files and the probe made and removed in the project's folder.
      {"set up", [](fakes::Files&) {}, front::ProjectOutcome::DryRun, ""},
      {"a compiler that makes nothing", [](fakes::Files& f) { f.compiler = [](auto&) {}; },
       front::ProjectOutcome::CompileFailed, generation::texts::kCompileFailed},
      // Was: Create "C:\Work\~themefold-7-0000000000000001.manifest" failed.
      {"a project in a folder that takes no file",
       [](fakes::Files& f) { f.readOnlyFolders.insert(kFolder); }, front::ProjectOutcome::Refused,
       project::texts::FolderNotWritable(kFolder, "Access is denied.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::Files files;
    Lay(files, kProjects[0].tree);
    row.arrange(files);
    const auto before = files.Snapshot();
    const std::set<std::string> folders = files.folders;
    const front::ProjectResult result = RunUnasked(files, true);
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(result.message, row.message);
    for (const std::string& path : files.written)
      EXPECT_NE(path.rfind(kFolder, 0), 0u) << path;
    EXPECT_EQ(files.Snapshot(), before);
    EXPECT_EQ(files.folders, folders);
    EXPECT_TRUE(files.tracked.empty());
  }
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
