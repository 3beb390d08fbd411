// A project run is one change: a failure or a kill at any write leaves the project as it
// was or wholly set up, what the user saved meanwhile is never written over, and what stands
// in the way is found before anything is written.
#include "support/FakeConversation.h"
#include "support/TestSupport.h"

#include "base/Path.h"
#include "front/Delivery.h"
#include "generation/DriverTexts.h"
#include "project/ProjectTexts.h"
#include "project/Transaction.h"

#include "base/Fingerprint.h"

#include <functional>
#include <memory>
#include <set>

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

/// The files outside the system's temporary folder (what a kill leaves there is the system's
/// to clear); with withoutOurs, less the temporary files and the journal that a failed delete
/// leaves for the next run.
Tree Files(const fakes::Files& files, bool withoutOurs = false) {
  Tree tree;
  for (const auto& [path, file] : files.files)
    if (path.rfind(files.temporaryFolder, 0) != 0 &&
        (!withoutOurs ||
         (path.find("\\~themefold-") == std::string::npos && path != project::JournalPath(kVbp))))
      tree[path] = file.bytes;
  return tree;
}

struct Project {
  const char* name;
  Tree tree;
};

/// The tree with every path in kFolder moved to folder.
Tree MovedTo(const Tree& tree, const std::string& folder) {
  Tree moved;
  for (const auto& [path, bytes] : tree)
    moved[path.compare(0, kFolder.size(), kFolder) == 0 ? folder + path.substr(kFolder.size())
                                                        : path] = bytes;
  return moved;
}

/// The project folder moved on the fake disk, as a user moves it between two runs.
void MoveFolder(fakes::Files& files, const std::string& folder) {
  std::map<std::string, fakes::Files::File> moved;
  for (auto& [path, file] : files.files)
    moved[path.compare(0, kFolder.size(), kFolder) == 0 ? folder + path.substr(kFolder.size())
                                                        : path] = file;
  files.files = std::move(moved);
  files.folders.erase(kFolder);
  files.folders.insert(folder);
}

/// The batch's side of a run: nobody is asked, the notes are kept.
fakes::FrontConversation Unasked() {
  fakes::FrontConversation user;
  user.whenNoneLeft = front::Confirmation::Unasked;
  return user;
}

front::Result Deliver(fakes::Files& files, front::Conversation& user,
                      const std::string& projectPath, bool dryRun) {
  front::Request request;
  request.way = front::Way::Project;
  request.target = projectPath;
  request.versionGiven = request.descriptionGiven = false;
  request.compiler = "C:\\VB98\\Wizards\\RC.EXE";
  request.dryRun = dryRun;
  return front::Deliverer(files, user, {}).Deliver(request);
}

/// A project run as the batch makes it: no question; the notes it gives.
struct BatchRun {
  front::Result result;
  std::vector<std::string> notes;
};
BatchRun RunInBatch(fakes::Files& files, const std::string& projectPath = kVbp,
                    bool dryRun = false) {
  fakes::FrontConversation user = Unasked();
  BatchRun run;
  run.result = Deliver(files, user, projectPath, dryRun);
  run.notes = user.notes;
  return run;
}

// clang-format off
const Project kProjects[] = {
    {"starts in a form", {{kVbp, kFormProject}, {kFolder + "frmMain.frm", "Begin VB.Form frmMain\r\nEnd\r\n"}}},
    {"starts in its own Sub Main", {{kVbp, kSubMainProject}, {kFolder + "modMain.bas", kMainModule}}},
};
// clang-format on

/// The project's files with a compiler that makes the .res of our manifest.
void Lay(fakes::Files& files, const Tree& tree) {
  files.compiledRes = testsupport::Golden("App_manifest.res");
  files.AddFolder(kFolder);
  for (const auto& [path, bytes] : tree)
    files.AddFile(path, bytes);
}

/// A project set up by the window's "Generate...": its request, the answers scripted.
struct Rig {
  explicit Rig(const Tree& tree) {
    Lay(files, tree);
    request.way = front::Way::Project;
    request.target = kVbp;
    request.compiler = "C:\\VB98\\Wizards\\RC.EXE";
  }
  void Generate() { result = front::Deliverer(files, user, {}).Deliver(request); }
  /// What the window shows, in order: every question, confirmation and note, then the
  /// result's message where it shows that.
  std::vector<std::string> Shown() const {
    std::vector<std::string> shown = user.said;
    switch (result.outcome) {
    case front::Outcome::CompileFailed:
    case front::Outcome::Refused:
    case front::Outcome::Changed:
    case front::Outcome::Failed:
      shown.push_back(result.message);
      break;
    default:
      break;
    }
    return shown;
  }
  fakes::Files files;
  fakes::FrontConversation user;
  front::Request request;
  front::Result result;
};

/// A run as the batch makes it: nobody is asked.
front::Result RunUnasked(fakes::Files& files, bool dryRun = false) {
  fakes::FrontConversation user = Unasked();
  return Deliver(files, user, kVbp, dryRun);
}

} // namespace

TEST(ProjectRunTest, AFailureOrAKillAtAnyWriteLeavesTheProjectAsBeforeOrWhollySetUp) {
  for (const Project& project : kProjects) {
    SCOPED_TRACE(project.name);
    Rig clean(project.tree);
    clean.Generate();
    const Tree after = Files(clean.files);
    ASSERT_NE(after, project.tree);
    const int writes = clean.files.writes;
    for (int at = 1; at <= writes; ++at) {
      SCOPED_TRACE("write " + std::to_string(at));
      {
        Rig failing(project.tree);
        failing.files.failAt = at;
        failing.Generate();
        const Tree now = Files(failing.files, true);
        const std::vector<std::string> texts = failing.Shown();
        ASSERT_FALSE(texts.empty());
        if (now == after)
          continue;
        EXPECT_EQ(now, project.tree);
        // What the user is told last says that nothing is changed: nothing was, or all was
        // put back.
        const std::string& told = texts.back();
        EXPECT_TRUE(told.find(project::texts::kNothingChanged) != std::string::npos ||
                    told.find("Every file is as it was") != std::string::npos)
            << told;
      }
      // The next run finishes the work, in the folder or in the folder moved elsewhere.
      for (const bool moved : {false, true}) {
        Rig killed(project.tree);
        killed.files.killAt = at;
        killed.Generate();
        killed.files.dead = false;
        killed.files.killAt = 0;
        killed.files.processId = 8;
        killed.user.said.clear();
        if (moved) {
          MoveFolder(killed.files, "D:\\Moved\\");
          killed.request.target = "D:\\Moved\\Ledger.vbp";
        }
        killed.Generate();
        EXPECT_EQ(Files(killed.files), moved ? MovedTo(after, "D:\\Moved\\") : after)
            << (moved ? "moved" : "in place");
      }
    }
  }
}

TEST(ProjectRunTest, WhatTheUserSavesMeanwhileIsNeverWrittenOver) {
  const std::string saved = kFormProject + "Title=\"Saved meanwhile\"\r\n";
  // Saved while the question was open, with the same changes to make: they are made to
  // the saved text, without a second question.
  {
    Rig run(kProjects[0].tree);
    run.user.onConfirm = [&] { run.files.AddFile(kVbp, saved); };
    run.Generate();
    ASSERT_EQ(run.user.said.size(), 1u);
    EXPECT_EQ(run.result.outcome, front::Outcome::Done);
    EXPECT_NE(run.files.Bytes(kVbp).find("Title=\"Saved meanwhile\"\r\n"), std::string::npos);
    EXPECT_EQ(run.files.Bytes(kVbp + ".bak"), saved);
  }
  // Saved with a change that alters the list: the new list is asked about.
  {
    Rig run(kProjects[0].tree);
    const std::string subMain = kSubMainProject;
    run.files.AddFile(kFolder + "modMain.bas", kMainModule);
    run.user.onConfirm = [&] {
      if (run.user.said.size() == 1)
        run.files.AddFile(kVbp, subMain);
    };
    run.user.confirmations = {front::Confirmation::Yes, front::Confirmation::No};
    run.Generate();
    ASSERT_EQ(run.user.said.size(), 2u);
    EXPECT_EQ(run.user.said[1].find("The project changed while the question was open."), 0u);
    EXPECT_NE(run.user.said[1].find("modMain.bas: Sub Main checks"), std::string::npos);
    EXPECT_EQ(run.files.Bytes(kVbp), subMain);
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
    const front::Result result = RunUnasked(files);
    EXPECT_EQ(result.outcome, front::Outcome::Changed);
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
      // Was, for the next two: the module changed where the project's list led.
      {"a module outside the project's folder",
       [&](fakes::Files& f) {
         f.AddFile(kVbp, "Type=Exe\r\nModule=modMain; ..\\Shared\\modMain.bas\r\n"
                         "Startup=\"Sub Main\"\r\n");
         // The fake works out no "..": the file lies where the name leads as written.
         f.AddFile(kFolder + "..\\Shared\\modMain.bas", kMainModule);
       },
       project::texts::OutsideProject(kFolder + "..\\Shared\\modMain.bas")},
      {"a module in a folder that is a link",
       [&](fakes::Files& f) {
         f.AddFolder(src);
         for (const auto& [path, bytes] : inSrc)
           f.AddFile(path, bytes);
         f.links.insert(kFolder + "Src");
       },
       project::texts::InTheWay(kFolder + "Src", project::texts::kALink)},
      // Was: Create "C:\Work\~themefold-7-0000000000000001.manifest" failed.
      {"a project in a folder that takes no file",
       [&](fakes::Files& f) { f.readOnlyFolders.insert(kFolder); },
       project::texts::FolderNotWritable(kFolder, "Access is denied.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig run(kProjects[0].tree);
    row.arrange(run.files);
    const Tree before = Files(run.files);
    run.Generate();
    EXPECT_EQ(run.Shown(), std::vector<std::string>{row.told});
    EXPECT_EQ(Files(run.files), before);
  }
  // A folder with the backup's name is passed over for the next free one.
  Rig run(kProjects[0].tree);
  run.files.AddFolder(kVbp + ".bak\\");
  run.Generate();
  EXPECT_EQ(run.files.Bytes(kVbp + ".bak2"), kFormProject);
}

// A dry run writes nothing where the project lies, not for a moment, and leaves nothing
// elsewhere, whatever its end; what refuses the real run refuses it in the same words.
TEST(ProjectRunTest, ADryRunLeavesNoTraceAndIsRefusedAsTheRealRunWouldBe) {
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    front::Outcome outcome;
    std::string message;
  };
  const Row rows[] = {
      // Was: the compiler's files and the probe made and removed in the project's folder.
      {"set up", [](fakes::Files&) {}, front::Outcome::DryRun, ""},
      {"a compiler that makes nothing", [](fakes::Files& f) { f.compiler = [](auto&) {}; },
       front::Outcome::CompileFailed, generation::texts::kCompileFailed},
      // Was: Create "C:\Work\~themefold-7-0000000000000001.manifest" failed.
      {"a project in a folder that takes no file",
       [](fakes::Files& f) { f.readOnlyFolders.insert(kFolder); }, front::Outcome::Refused,
       project::texts::FolderNotWritable(kFolder, "Access is denied.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::Files files;
    Lay(files, kProjects[0].tree);
    row.arrange(files);
    const auto before = files.Snapshot();
    const std::set<std::string> folders = files.folders;
    const front::Result result = RunUnasked(files, true);
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(result.message, row.message);
    for (const std::string& path : files.written)
      EXPECT_NE(path.rfind(kFolder, 0), 0u) << path;
    EXPECT_EQ(files.Snapshot(), before);
    EXPECT_EQ(files.folders, folders);
    EXPECT_TRUE(files.tracked.empty());
  }
}

// With the UTF-8 code page, the run warns of each text Visual Basic would garble, named from
// the project's folder and read in its code page; other code pages, and ASCII, warn of none.
TEST(ProjectRunTest, TheUtf8CodePageWarnsOfTheTextsItGarbles) {
  const Tree sized = {{kVbp, "Type=Exe\r\nForm=frmMain.frm\r\nClass=Size; Size.cls\r\n"
                             "Startup=\"frmMain\"\r\n"},
                      {kFolder + "frmMain.frm", "Begin VB.Form frmMain\r\n   Caption = \"Gr\xF6\xDF"
                                                "e\"\r\nEnd\r\n"},
                      {kFolder + "Size.cls", "' Gr\xF6\xDF"
                                             "e\nConst A = \"\xC0\"\n"}};
  const auto warning = [](const std::string& caption, const std::string& constant) {
    return "These texts outside ASCII come out garbled with the UTF-8 code page, as Visual "
           "Basic converts every caption, text and string through it; keep the system's code "
           "page for this program, or its texts in ASCII:\n  frmMain.frm:2: Caption = \"Gr" +
           caption + "e\"\n  Size.cls:2: Const A = \"" + constant + "\"";
  };
  struct Row {
    const char* name;
    Tree tree;
    generation::CodePage codePage;
    unsigned projectCodePage;
    bool dryRun;
    std::vector<std::string> warnings;
  };
  const Row rows[] = {
      {"set up",
       sized,
       generation::CodePage::Utf8,
       1252,
       false,
       {warning("\xC3\xB6\xC3\x9F", "\xC3\x80")}},
      {"a dry run",
       sized,
       generation::CodePage::Utf8,
       1252,
       true,
       {warning("\xC3\xB6\xC3\x9F", "\xC3\x80")}},
      {"read in 1251",
       sized,
       generation::CodePage::Utf8,
       1251,
       true,
       {warning("\xD1\x86\xD0\xAF", "\xD0\x90")}},
      {"legacy", sized, generation::CodePage::Legacy, 1252, false, {}},
      {"ASCII", kProjects[1].tree, generation::CodePage::Utf8, 1252, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig(row.tree);
    rig.user.whenNoneLeft = front::Confirmation::Unasked;
    rig.request.manifest.codePage = row.codePage;
    rig.request.projectCodePage = row.projectCodePage;
    rig.request.dryRun = row.dryRun;
    rig.Generate();
    EXPECT_EQ(rig.result.outcome, row.dryRun ? front::Outcome::DryRun : front::Outcome::Done);
    EXPECT_EQ(rig.result.warnings, row.warnings);
  }
}

} // namespace projectrun

namespace projectrun {

namespace {

const std::string kJournal = project::JournalPath(kVbp);
const std::string kOutside = "C:\\Outside\\";
const std::string kVictim = kOutside + "victim.txt";

/// A journal as a run of process 99 writes it; entries: file, backup, before, after.
std::string Journal(const std::vector<std::vector<std::string>>& entries,
                    const std::string& process = "99 started 99") {
  std::string text = "themefold project run 2\nprocess " + process + "\n";
  for (const std::vector<std::string>& entry : entries)
    text += "file " + entry[0] + "\nbackup " + entry[1] + "\nbefore " + entry[2] + "\nafter " +
            entry[3] + "\n";
  return text;
}

std::string Fp(const std::string& bytes) { return fingerprint::Of(bytes); }

/// The form project with a victim outside it, ready for a journal.
fakes::Files ProjectWithVictim() {
  fakes::Files files;
  files.compiledRes = testsupport::Golden("App_manifest.res");
  files.AddFolder(kFolder);
  files.AddFolder(kOutside);
  for (const auto& [path, bytes] : kProjects[0].tree)
    files.AddFile(path, bytes);
  files.AddFile(kVictim, "the user's own\r\n");
  files.AddFile(kVictim + ".bak", "older\r\n");
  return files;
}

/// The write at which a clean run of the project writes a path for the first time.
int FirstWriteOf(const Tree& tree, const std::function<bool(fakes::Files&)>& reached) {
  Rig clean(tree);
  int found = 0;
  for (int at = 1; at <= 200; ++at)
    clean.files.beforeWrite[at] = [&, at] {
      if (!found && reached(clean.files))
        found = at;
    };
  clean.Generate();
  return found;
}

/// A run of the project killed at that write; the files then serve another process.
std::unique_ptr<Rig> KilledAt(const Tree& tree, int at) {
  auto rig = std::make_unique<Rig>(tree);
  rig->files.killAt = at;
  rig->Generate();
  rig->files.dead = false;
  rig->files.killAt = 0;
  rig->files.processId = 8;
  rig->user.said.clear();
  return rig;
}

} // namespace

// A journal that came with the folder is believed only as far as this program could have
// written it: anything else is refused by the journal's name, with nothing touched.
TEST(ProjectRunTest, AJournalThisProgramCouldNotHaveWrittenIsRefusedAndNothingIsTouched) {
  const std::string victim = "the user's own\r\n";
  std::vector<std::vector<std::string>> many;
  for (int i = 0; i < 65; ++i)
    many.push_back(
        {"m" + std::to_string(i) + ".bas", "m" + std::to_string(i) + ".bas.bak", Fp("a"), Fp("b")});
  struct Row {
    const char* name;
    std::string journal;
    std::string why;
    std::function<void(fakes::Files&)> arrange;
  };
  const Row rows[] = {
      {"a full path outside",
       Journal({{kVictim, "", "-", Fp(victim)}}),
       project::texts::JournalOutside(kVictim),
       {}},
      {"a path that climbs out",
       Journal({{"..\\Outside\\victim.txt", "..\\Outside\\victim.txt.bak", Fp("older\r\n"),
                 Fp(victim)}}),
       project::texts::JournalOutside(kFolder + "..\\Outside\\victim.txt"),
       {}},
      {"a folder reached through a link",
       Journal({{"Linked\\victim.txt", "Linked\\victim.txt.bak", Fp("older\r\n"), Fp(victim)}}),
       project::texts::JournalThroughLink(kFolder + "Linked\\victim.txt", kFolder + "Linked"),
       [](fakes::Files& f) { f.links.insert(kFolder + "Linked"); }},
      {"a backup that is no backup's name",
       Journal({{"Ledger.vbp", "..\\Outside\\victim.txt", Fp("x"), Fp(kFormProject)}}),
       project::texts::JournalBadBackup(kVbp, "..\\Outside\\victim.txt"),
       {}},
      {"a backup that is a link",
       Journal({{"Ledger.vbp", "Ledger.vbp.bak", Fp("secret"), Fp(kFormProject)}}),
       project::texts::JournalNotAFile(kVbp + ".bak", project::texts::kALink),
       [](fakes::Files& f) { f.links.insert(kVbp + ".bak"); }},
      {"a new file of a kind no run makes",
       Journal({{"frmMain.frm", "", "-", Fp("Begin VB.Form frmMain\r\nEnd\r\n")}}),
       project::texts::JournalNotNewKind(kFolder + "frmMain.frm"),
       {}},
      {"a file named twice",
       Journal({{"Ledger.vbp", "Ledger.vbp.bak", Fp("x"), Fp("y")},
                {"ledger.VBP", "ledger.VBP.bak2", Fp("x"), Fp("y")}}),
       project::texts::JournalNamesTwice(kFolder + "ledger.VBP"),
       {}},
      {"a control character",
       Journal({{std::string("App.res\0.txt", 12), "", "-", Fp("x")}}),
       project::texts::kJournalControlCharacter,
       {}},
      {"more files than a run changes", Journal(many), project::texts::kJournalTooLong, {}},
      {"another format",
       "themefold project run 2\nprocess 99\nfile x\n",
       project::texts::kJournalNotOurs,
       {}},
      {"a link in the journal's place", "", project::texts::kJournalIsLink,
       [](fakes::Files& f) { f.links.insert(kJournal); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::Files files = ProjectWithVictim();
    if (!row.journal.empty())
      files.AddFile(kJournal, row.journal);
    if (row.arrange)
      row.arrange(files);
    const Tree before = Files(files);
    const int writes = files.writes;
    const BatchRun run = RunInBatch(files);
    EXPECT_EQ(run.result.outcome, front::Outcome::Refused);
    EXPECT_EQ(run.result.message, project::texts::JournalRefused(kJournal, row.why));
    EXPECT_EQ(Files(files), before);
    EXPECT_EQ(files.writes, writes);
    // A dry run says the same and writes nothing either.
    const BatchRun dry = RunInBatch(files, kVbp, true);
    EXPECT_EQ(dry.result.message, run.result.message);
    EXPECT_EQ(files.writes, writes);
  }
}

// Killed after the journal was made: the run that wrote it holds the project only while that
// very process runs, whatever holds its id now; a second run meanwhile finds it and stops.
TEST(ProjectRunTest, OneRunHoldsTheProjectAtATime) {
  const Tree& tree = kProjects[1].tree;
  const int journalled = FirstWriteOf(tree, [](fakes::Files& f) { return f.Has(kJournal); });
  ASSERT_GT(journalled, 0);
  for (const bool sameProcess : {true, false}) {
    SCOPED_TRACE(sameProcess ? "the writer still runs" : "its id runs another program");
    const std::unique_ptr<Rig> killed = KilledAt(tree, journalled + 1);
    fakes::Files& files = killed->files;
    files.runningProcesses.insert(7);
    if (!sameProcess)
      files.identities[7] = "started later";
    const Tree left = Files(files);
    const BatchRun run = RunInBatch(files);
    if (sameProcess) {
      EXPECT_EQ(run.result.outcome, front::Outcome::Changed);
      EXPECT_EQ(run.result.message, project::texts::AnotherRun(kVbp, 7));
      EXPECT_EQ(Files(files), left);
    } else {
      EXPECT_EQ(run.result.outcome, front::Outcome::Done);
      EXPECT_FALSE(files.Has(kJournal));
    }
  }
  // Another run makes its journal between this run's check and its own: this one stops.
  Rig run(tree);
  fakes::Files& files = run.files;
  bool planted = false;
  for (int at = 1; at <= 200; ++at)
    files.beforeWrite[at] = [&] {
      for (const auto& [path, file] : files.files)
        if (!planted && path.size() > 4 && path.compare(path.size() - 4, 4, ".run") == 0) {
          planted = true;
          files.files[kJournal] = {Journal({}, "42 started 42"), false};
          files.runningProcesses.insert(42);
          return;
        }
    };
  const Tree before = tree;
  run.Generate();
  ASSERT_TRUE(planted);
  EXPECT_EQ(run.Shown().back(), project::texts::AnotherRun(kVbp, 42));
  Tree expected = before;
  expected[kJournal] = Journal({}, "42 started 42");
  EXPECT_EQ(Files(files), expected);
}

// A save at any moment of the run survives: before the file is moved aside, while it is, or
// after the new one is in place.
TEST(ProjectRunTest, ASaveAtAnyMomentOfTheRunSurvives) {
  const Tree& tree = kProjects[1].tree;
  const std::string module = kFolder + "modMain.bas";
  const std::string saved = kMainModule + "' saved\r\n";
  Rig clean(tree);
  clean.Generate();
  for (int at = 1; at <= clean.files.writes; ++at) {
    SCOPED_TRACE("before write " + std::to_string(at));
    Rig run(tree);
    run.files.beforeWrite[at] = [&] { run.files.AddFile(module, saved); };
    run.Generate();
    // Saved before the plan was made again, the save is what the run changes.
    const std::string now = run.files.Bytes(module);
    EXPECT_TRUE(now == saved || now.find("' saved\r\n") != std::string::npos) << now;
    EXPECT_FALSE(run.files.Has(kJournal));
    for (const auto& [path, file] : run.files.files)
      EXPECT_EQ(path.find("~themefold-"), std::string::npos) << path;
  }
}

// After a kill, what the next run undoes is told file by file, a file saved since is kept,
// and a run that put files back never says that nothing was changed.
TEST(ProjectRunTest, TheNextRunTellsExactlyWhatItPutBack) {
  const Tree& tree = kProjects[0].tree;
  // Killed with the resource file and the module in place and the project moved aside.
  Rig clean(tree);
  clean.Generate();
  const int lastRename = clean.files.writes - 1;
  const std::string res = kFolder + "Ledger_manifest.res", module = kFolder + "modThemefold.bas";
  {
    SCOPED_TRACE("a dry run tells, a real run does");
    const std::unique_ptr<Rig> rig = KilledAt(tree, lastRename);
    fakes::Files& files = rig->files;
    const Tree left = Files(files);
    const BatchRun dry = RunInBatch(files, kVbp, true);
    ASSERT_EQ(dry.notes.size(), 1u);
    EXPECT_EQ(dry.notes[0],
              project::texts::RecoveryPending(kVbp + "\n" + module + "\n" + res + "\n", ""));
    EXPECT_EQ(Files(files), left);
    // The user saved the project since: the save is kept, its old bytes stay in the backup.
    const std::string saved = kFormProject + "Title=\"Saved since\"\r\n";
    files.AddFile(kVbp, saved);
    const BatchRun real = RunInBatch(files);
    ASSERT_EQ(real.notes.size(), 1u);
    EXPECT_EQ(real.notes[0],
              project::texts::Recovered(module + "\n" + res + "\n",
                                        project::texts::KeptAsSaved(kVbp, kVbp + ".bak")));
    EXPECT_EQ(real.result.outcome, front::Outcome::Done);
    EXPECT_NE(files.Bytes(kVbp).find("Title=\"Saved since\""), std::string::npos);
    EXPECT_EQ(files.Bytes(kVbp + ".bak"), kFormProject);
    EXPECT_EQ(files.Bytes(kVbp + ".bak2"), saved);
  }
  {
    SCOPED_TRACE("one file cannot be put back");
    const std::unique_ptr<Rig> rig = KilledAt(tree, lastRename);
    fakes::Files& files = rig->files;
    files.lockedPaths.insert(res);
    const BatchRun run = RunInBatch(files);
    EXPECT_EQ(run.result.outcome, front::Outcome::Failed);
    EXPECT_EQ(run.result.message.find(project::texts::kNothingChanged), std::string::npos);
    EXPECT_NE(run.result.message.find("wholly undone. Put back:\n" + kVbp + "\n" + module + "\n"),
              std::string::npos)
        << run.result.message;
    EXPECT_EQ(files.Bytes(kVbp), kFormProject);
    EXPECT_TRUE(files.Has(kJournal));
  }
}

} // namespace projectrun

namespace projectrun {

// The first journals named full paths and copied each backup before the file was replaced:
// one killed before any replacement is undone by dropping its copy; a full path outside the
// folder is refused as from any journal.
TEST(ProjectRunTest, AFirstFormJournalIsReadWithTheSameRules) {
  for (const bool inside : {true, false}) {
    SCOPED_TRACE(inside ? "inside" : "outside");
    fakes::Files files = ProjectWithVictim();
    const std::string file = inside ? kVbp : kVictim;
    const std::string bytes = inside ? kFormProject : "the user's own\r\n";
    files.AddFile(file + ".bak", bytes);
    files.AddFile(kJournal, "themefold project run 1\nprocess 99\nfile " + file + "\nbackup " +
                                file + ".bak\nbefore " + Fp(bytes) + "\nafter " + Fp("new") + "\n");
    const BatchRun run = RunInBatch(files);
    if (inside) {
      ASSERT_EQ(run.notes.size(), 1u);
      EXPECT_EQ(run.notes[0], project::texts::Recovered(""));
      EXPECT_EQ(run.result.outcome, front::Outcome::Done);
      EXPECT_EQ(files.Bytes(kVbp + ".bak"), kFormProject);
      EXPECT_FALSE(files.Has(kVbp + ".bak2"));
    } else {
      EXPECT_EQ(run.result.message,
                project::texts::JournalRefused(kJournal, project::texts::JournalOutside(kVictim)));
      EXPECT_EQ(files.Bytes(kVictim + ".bak"), bytes);
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
      row.arrange(run.files);
    const Tree before = Files(run.files);
    run.Generate();
    EXPECT_EQ(run.Shown(), std::vector<std::string>{row.told});
    EXPECT_EQ(Files(run.files), before);
    for (const std::string& named : run.files.named)
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
    EXPECT_EQ(run.files.Bytes(kFolder + "modMain.bas"), expected);
    EXPECT_EQ(run.files.Bytes(kFolder + "modMain.bas.bak"), module);
  }
  // Was: "_manifest.res", and a manifest that named the program "App".
  {
    Rig run({{kVbp, FormProject("ExeName32=\"App\"\r\n")}, {kFolder + "frmMain.frm", kForm}});
    run.Generate();
    EXPECT_EQ(run.files.Bytes(kFolder + "App_manifest.res"),
              testsupport::Golden("App_manifest.res"));
    EXPECT_FALSE(run.files.Has(kFolder + "_manifest.res"));
    EXPECT_NE(run.files.Bytes(kVbp).find("ResFile32=\"App_manifest.res\"\r\n"), std::string::npos);
    EXPECT_NE(run.files.compiledManifest.find("name=\"App.exe\""), std::string::npos)
        << run.files.compiledManifest;
  }
}

} // namespace projectrun
