// One generation as the user starts it with "Generate...": every step, every answer, the
// files left behind and the exact texts of the boxes.
#include "Fakes.h"
#include "support/PeBuilder.h"
#include "support/TestSupport.h"

#include "generation/Architecture.h"
#include "generation/DriverTexts.h"
#include "generation/ModuleText.h"
#include "generation/Placeholders.h"

using app::Answer;
using app::Buttons;
using app::Icon;
using Field = app::MainView::Field;

namespace {

const std::string kFolder = "C:\\My Work\\";
const std::string kRes = kFolder + "App_manifest.res";
// Files of the user's that carry the names a generation once used for its own.
const std::string kManifest = kFolder + "App.exe.manifest";
const std::string kScript = kFolder + "App_manifest.rc";
// The first run's temporary files: the fake's process 7 and its first random number.
const std::string kStem = "~themefold-7-0000000000000001";
const std::string kTempManifest = kFolder + kStem + ".manifest";
const std::string kTempScript = kFolder + kStem + ".rc";
const std::string kTempRes = kFolder + kStem + ".res";
const std::string kModule = kFolder + "modThemefold.bas";
const std::string kReadme = "C:\\Tool\\readme.txt";
const std::string kCompiler = "C:\\VB98\\Wizards\\RC.EXE";

using testsupport::Golden;

/// A main window with its fakes, set up for a target in a folder with a blank in its name.
struct Scenario : fakes::MainWindowRig {
  Scenario() {
    globals::RcExePath = kCompiler;
    globals::ReadmeText.clear();
    world.files.AddFolder(kFolder);
    world.files.AddFile(kReadme, "Add %resfile% to the project of %exename%.\r\n"
                                 "Rebuild %exename%; keep %resfile%.\r\n");
    view.texts[Field::Text1] = kFolder + "App.exe";
    view.texts[Field::Text3] = "Fourteen chars";
    view.texts[Field::Text4] = "1.0.0.0";
  }
  void Generate() { form.Command1_Click(); }
};

class GenerationTest : public ::testing::Test {};

// A fresh scenario per test and per table row, its parts under short names.
#define FRESH_SCENARIO                                                                             \
  Scenario fresh;                                                                                  \
  auto& world = fresh.world;                                                                       \
  auto& view = fresh.view;                                                                         \
  auto& readme = fresh.readme;                                                                     \
  auto& form = fresh.form;                                                                         \
  auto Generate = [&fresh] { fresh.Generate(); };                                                  \
  (void)world, (void)view, (void)readme, (void)form, (void)Generate

void ExpectBox(const app::Box& box, const std::string& text, Icon icon, Buttons buttons,
               int defaultButton) {
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.icon, icon);
  EXPECT_EQ(box.buttons, buttons);
  EXPECT_EQ(box.defaultButton, defaultButton);
}

} // namespace

TEST_F(GenerationTest, FullRunLeavesResAndModuleAndShowsFilledInInstructions) {
  FRESH_SCENARIO;
  std::string manifestSeen, scriptSeen, folderSeen;
  std::set<std::string> trackedSeen;
  world.files.compiler = [&](const std::string& commandLine) {
    manifestSeen = world.files.Bytes(kTempManifest);
    scriptSeen = world.files.Bytes(kTempScript);
    folderSeen = world.files.workingFolder;
    trackedSeen = world.files.tracked;
    EXPECT_EQ(view.doEvents, 0) << "events are processed after the compiler, not before";
    world.files.CompileLikeRc(commandLine);
  };
  Generate();

  EXPECT_TRUE(world.boxes.shown.empty());
  EXPECT_EQ(manifestSeen, Golden("App.exe.manifest"));
  EXPECT_EQ(scriptSeen, generation::ReplaceAll(Golden("App_manifest.rc"), "App.exe.manifest",
                                               kStem + ".manifest"));
  EXPECT_EQ(folderSeen, kFolder) << "the compiler finds the manifest in the folder it runs in";
  EXPECT_EQ(trackedSeen, (std::set<std::string>{kTempManifest, kTempScript, kTempRes}))
      << "a stop request while the compiler runs removes them all";
  ASSERT_EQ(world.files.commandLines.size(), 1u);
  EXPECT_EQ(world.files.commandLines[0], "\"C:\\VB98\\Wizards\\RC.EXE\" /r /fo \"C:\\My Work\\" +
                                             kStem +
                                             ".res\" "
                                             "\"C:\\My Work\\" +
                                             kStem + ".rc\"");
  EXPECT_EQ(view.doEvents, 1);

  // The .res, the module and the template: nothing else was ever there, and nothing is left.
  std::set<std::string> left;
  for (const auto& [path, file] : world.files.files)
    left.insert(path);
  EXPECT_EQ(left, (std::set<std::string>{kRes, kModule, kReadme}));
  EXPECT_TRUE(world.files.tracked.empty());
  EXPECT_EQ(world.files.Bytes(kModule), Golden("modThemefold.bas"));
  ASSERT_EQ(readme.shownTexts.size(), 1u);
  EXPECT_EQ(readme.shownTexts[0], "Add App_manifest.res to the project of App.exe.\r\n"
                                  "Rebuild App.exe; keep App_manifest.res.");
}

// The old .res stays until the new one is complete; the user's own files of the names a
// generation once used are never touched; a killed run's files go, a running one's stay;
// the compiler's inputs are there while it runs and gone afterwards.
TEST_F(GenerationTest, OldResStaysUntilTheNewOneIsCompleteAndOnlyOurFilesGo) {
  FRESH_SCENARIO;
  world.files.AddFile(kRes, "OLD");
  world.files.AddFile(kManifest, "mine");
  world.files.AddFile(kScript, "mine");
  const std::string killed = kFolder + "~themefold-99-00000000000000aa.rc";
  const std::string running = kFolder + "~themefold-98-00000000000000bb.rc";
  world.files.AddFile(killed, "stale");
  world.files.AddFile(running, "in use");
  world.files.runningProcesses = {98};
  bool compiled = false;
  world.files.compiler = [&](const std::string& commandLine) {
    EXPECT_EQ(world.files.Bytes(kRes), "OLD") << "the old .res stays while the compiler runs";
    EXPECT_FALSE(world.files.Has(killed)) << "a killed run's files go before ours come";
    EXPECT_TRUE(world.files.Has(kTempManifest) && world.files.Has(kTempScript));
    world.files.CompileLikeRc(commandLine);
    compiled = true;
  };
  Generate();
  EXPECT_TRUE(compiled);
  for (const auto& [path, file] : world.files.files)
    EXPECT_EQ(path.rfind(kFolder + "~themefold-7-", 0), std::string::npos) << path << " is left";
  EXPECT_TRUE(world.files.tracked.empty());
  EXPECT_EQ(world.files.Bytes(kModule), Golden("modThemefold.bas"));
  EXPECT_EQ(world.files.reads, std::vector<std::string>{kReadme});
  EXPECT_EQ(world.files.Bytes(kManifest), "mine");
  EXPECT_EQ(world.files.Bytes(kScript), "mine");
  EXPECT_EQ(world.files.Bytes(running), "in use");
  EXPECT_EQ(world.files.Bytes(kRes), "RES");
}

TEST_F(GenerationTest, OverwriteQuestionForAnExistingRes) {
  struct Row {
    const char* name;
    Answer answer;
    bool replaced;
  };
  const Row rows[] = {
      {"OK", Answer::Ok, true},
      {"Cancel", Answer::Cancel, false},
      {"Esc or close box (Cancel)", Answer::Cancel, false},
      {"anything else", Answer::No, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    world.files.AddFile(kRes, "OLD", true);
    world.files.AddFile(kManifest, "mine", true);
    world.files.AddFile(kScript, "mine", true);
    const auto before = world.files.files;
    world.boxes.answers = {row.answer};
    Generate();

    ASSERT_FALSE(world.boxes.shown.empty());
    ExpectBox(world.boxes.shown[0], "File \"App_manifest.res\" already exist!\r\n\r\nOverwrite?",
              Icon::Exclamation, Buttons::OkCancel, 1);
    if (row.replaced) {
      EXPECT_EQ(world.files.Bytes(kRes), "RES");
      EXPECT_EQ(world.files.Bytes(kManifest), "mine");
      EXPECT_EQ(world.files.Bytes(kScript), "mine");
      EXPECT_TRUE(world.files.Has(kModule));
      EXPECT_EQ(readme.shownTexts.size(), 1u);
    } else {
      EXPECT_EQ(world.boxes.shown.size(), 1u);
      EXPECT_EQ(world.files.files.size(), before.size());
      for (const auto& [path, file] : before) {
        EXPECT_EQ(world.files.Bytes(path), file.bytes) << path;
        EXPECT_EQ(world.files.files[path].readOnly, file.readOnly) << path;
      }
      EXPECT_TRUE(world.files.commandLines.empty());
      EXPECT_TRUE(readme.shownTexts.empty());
    }
  }
}

TEST(ManifestVersionTest, FourNumbersUpTo65535) {
  struct Row {
    const char* version;
    bool valid;
  };
  // clang-format off
  const Row rows[] = {
      {"1.0.0.0", true},          {"65535.65535.65535.65535", true},
      {"01.002.0.0", true},       {"", false},
      {"1.0", false},             {"1.0.0", false},
      {"1.0.0.0.0", false},       {"1.0.0.65536", false},
      {"99999999999.0.0.0", false}, {"1..0.0", false},
      {".1.0.0", false},          {"1.0.0.", false},
      {" 1.0.0.0", false},        {"1.0.0.0 ", false},
      {"1.0.0.a", false},         {"-1.0.0.0", false},
      {"1,0,0,0", false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.version);
    EXPECT_EQ(generation::IsManifestVersion(row.version), row.valid);
  }
}

TEST_F(GenerationTest, VersionWarningComesAfterTheFolderCheckAndBeforeTheOverwrite) {
  struct Row {
    const char* name;
    Answer answer;
    bool generated;
  };
  const Row rows[] = {{"Yes", Answer::Yes, true}, {"No", Answer::No, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    view.texts[Field::Text4] = "1.0";
    world.files.AddFile(kRes, "OLD");
    world.boxes.answers = {row.answer, Answer::Ok};
    Generate();

    ASSERT_FALSE(world.boxes.shown.empty());
    ExpectBox(world.boxes.shown[0],
              "Version info should be four numbers separated by dots, such as 1.0.0.0. "
              "Windows will not start a program whose manifest has another version.\r\n"
              "\r\nGenerate anyway?",
              Icon::Exclamation, Buttons::YesNo, 2);
    if (row.generated) {
      ASSERT_EQ(world.boxes.shown.size(), 2u);
      EXPECT_EQ(world.boxes.shown[1].text,
                "File \"App_manifest.res\" already exist!\r\n\r\nOverwrite?");
      EXPECT_EQ(world.files.Bytes(kRes), "RES");
      EXPECT_EQ(readme.shownTexts.size(), 1u);
    } else {
      EXPECT_EQ(world.boxes.shown.size(), 1u);
      EXPECT_EQ(world.files.writes, 0) << "nothing touched after the folder check";
      EXPECT_TRUE(world.files.reads.empty());
      EXPECT_TRUE(world.files.commandLines.empty());
      EXPECT_EQ(world.files.Bytes(kRes), "OLD");
    }
  }
}

TEST_F(GenerationTest, InaccessibleFolderEndsBeforeAnyQuestion) {
  FRESH_SCENARIO;
  const char* targets[] = {"D:\\Gone\\App.exe", "App.exe"};
  for (const char* target : targets) {
    SCOPED_TRACE(target);
    world.boxes.shown.clear();
    view.texts[Field::Text1] = target;
    view.texts[Field::Text4] = "not a version";
    Generate();
    ASSERT_EQ(world.boxes.shown.size(), 1u);
    ExpectBox(world.boxes.shown[0], "Error, folder cannot access folder!", Icon::Exclamation,
              Buttons::Ok, 1);
    EXPECT_EQ(world.files.writes, 0);
    EXPECT_TRUE(world.files.reads.empty());
    EXPECT_TRUE(world.files.commandLines.empty());
  }
}

TEST_F(GenerationTest, OutputNamesHeldByALinkOrAFolderAreRefusedWithNothingTouched) {
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    std::string message;
  };
  const Row rows[] = {
      {"folder named like the .res", [](fakes::Files& f) { f.AddFolder(kRes + "\\"); },
       "\"C:\\My Work\\App_manifest.res\" is a folder, not a file. Nothing was changed."},
      {"link named like the .res", [](fakes::Files& f) { f.links.insert(kRes); },
       "\"C:\\My Work\\App_manifest.res\" is a link: nothing is written through links. "
       "Nothing was changed."},
      {"link named like the module", [](fakes::Files& f) { f.links.insert(kModule); },
       "\"C:\\My Work\\modThemefold.bas\" is a link: nothing is written through links. "
       "Nothing was changed."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    row.arrange(world.files);
    Generate();
    ASSERT_EQ(world.boxes.shown.size(), 1u);
    ExpectBox(world.boxes.shown[0], row.message, Icon::Exclamation, Buttons::Ok, 1);
    EXPECT_TRUE(world.files.commandLines.empty());
    EXPECT_EQ(world.files.files.size(), 1u) << "only readme.txt";
  }
}

TEST_F(GenerationTest, CompilerThatMakesNothingGivesErrorCompilingFileAndKeepsTheOldRes) {
  for (const bool oldRes : {false, true}) {
    SCOPED_TRACE(oldRes ? "old .res, answered OK" : "no old .res");
    FRESH_SCENARIO;
    globals::RcExePath = "C:\\nowhere\\rc.exe";
    if (oldRes)
      world.files.AddFile(kRes, "OLD", true);
    Generate();
    ASSERT_EQ(world.boxes.shown.size(), oldRes ? 2u : 1u);
    ExpectBox(world.boxes.shown.back(), "Error compiling file!", Icon::Exclamation, Buttons::Ok, 1);
    EXPECT_EQ(world.files.commandLines.size(), 1u);
    EXPECT_EQ(world.files.Bytes(kRes), oldRes ? "OLD" : "<missing>");
    if (oldRes) {
      EXPECT_TRUE(world.files.files[kRes].readOnly) << "not even its attributes change";
    }
    EXPECT_FALSE(world.files.Has(kModule));
    EXPECT_EQ(world.files.files.size(), oldRes ? 2u : 1u) << "no temporary file is left";
    EXPECT_TRUE(readme.shownTexts.empty());
  }
}

TEST_F(GenerationTest, ExistingModuleIsAskedAbout) {
  struct Row {
    const char* name;
    bool readOnly;
    Answer answer;
    bool rewritten;
  };
  const Row rows[] = {
      {"Yes", false, Answer::Yes, true},
      {"Yes over read-only", true, Answer::Yes, true},
      {"No keeps it", false, Answer::No, false},
      {"No keeps a read-only one", true, Answer::No, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    world.files.AddFile(kModule, "my own module\r\n", row.readOnly);
    world.boxes.answers = {row.answer};
    Generate();

    ASSERT_EQ(world.boxes.shown.size(), 1u);
    ExpectBox(world.boxes.shown[0],
              "File\r\n\"C:\\My Work\\modThemefold.bas\"\r\nalready exist!\r\n\r\nOverwrite ?",
              Icon::Exclamation, Buttons::YesNo, 1);
    EXPECT_EQ(world.files.Bytes(kModule),
              row.rewritten ? Golden("modThemefold.bas") : "my own module\r\n");
    EXPECT_EQ(readme.shownTexts.size(), 1u) << "instructions follow whatever the answer";
  }
}

TEST_F(GenerationTest, FileOperationFailuresAreReportedAndLeaveNoStrayFiles) {
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    std::string message;
    bool resLeft, moduleLeft;
  };
  const std::string inUse =
      "The process cannot access the file because it is being used by another process.";
  // clang-format off
  const Row rows[] = {
      {"read-only folder",
       [](fakes::Files& f) { f.readOnlyFolders.insert(kFolder); },
       "Create \"" + kTempManifest + "\" failed:\r\nAccess is denied.\r\nCode 5", false, false},
      {"script file locked after the manifest was written",
       [](fakes::Files& f) { f.lockedPaths.insert(kTempScript); },
       "Create \"" + kTempScript + "\" failed:\r\n" + inUse + "\r\nCode 32", false, false},
      {"old output locked",
       [](fakes::Files& f) {
         f.AddFile(kRes, "OLD");
         f.lockedPaths.insert(kRes);
       },
       "Attributes \"C:\\My Work\\App_manifest.res\" failed:\r\n" + inUse + "\r\nCode 32",
       true, false},
      {"readme.txt missing",
       [](fakes::Files& f) { f.files.erase(kReadme); },
       "Open \"C:\\Tool\\readme.txt\" failed:\r\nThe system cannot find the file "
       "specified.\r\nCode 2",
       true, true},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    row.arrange(world.files);
    world.boxes.answers = {Answer::Ok};
    Generate();

    ASSERT_FALSE(world.boxes.shown.empty());
    ExpectBox(world.boxes.shown.back(), row.message, Icon::Critical, Buttons::Ok, 1);
    EXPECT_EQ(world.files.Has(kRes), row.resLeft);
    if (world.files.Has(kRes) && world.files.lockedPaths.count(kRes)) {
      EXPECT_EQ(world.files.Bytes(kRes), "OLD");
    }
    EXPECT_EQ(world.files.Has(kModule), row.moduleLeft);
    for (const std::string& temporary : {kTempManifest, kTempScript, kTempRes})
      EXPECT_FALSE(world.files.Has(temporary)) << "a temporary file this run wrote stays";
    EXPECT_TRUE(world.files.tracked.empty());
    EXPECT_TRUE(readme.shownTexts.empty());
    // The program goes on: the fields are still there and stored on close.
    form.Command2_Click();
    EXPECT_EQ(world.settings.values["Themefold/General/Application"], kFolder + "App.exe");
  }
}

TEST_F(GenerationTest, ModuleWriteFailureIsReportedAndTheInstructionsStillFollow) {
  struct Row {
    const char* name;
    std::function<void(fakes::Files&)> arrange;
    std::string message;
  };
  // clang-format off
  const Row rows[] = {
      {"a folder named like the module",
       [](fakes::Files& f) { f.AddFolder(kModule + "\\"); },
       "Error writing \"C:\\My Work\\modThemefold.bas\"\r\nAccess is denied.\r\nCode 5"},
      {"a locked module, answered Yes",
       [](fakes::Files& f) {
         f.AddFile(kModule, "old");
         f.lockedPaths.insert(kModule);
       },
       "Error writing \"C:\\My Work\\modThemefold.bas\"\r\nThe process cannot access the file "
       "because it is being used by another process.\r\nCode 32"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    row.arrange(world.files);
    Generate();
    ASSERT_FALSE(world.boxes.shown.empty());
    ExpectBox(world.boxes.shown.back(), row.message, Icon::Critical, Buttons::Ok, 1);
    EXPECT_EQ(readme.shownTexts.size(), 1u);
  }
}

TEST_F(GenerationTest, WriteBasWritesTheSameBytesEveryTimeAndReportsByResult) {
  FRESH_SCENARIO;
  EXPECT_TRUE(form.WriteBas(kModule));
  const std::string first = world.files.Bytes(kModule);
  EXPECT_TRUE(form.WriteBas(kModule)); // asked, Yes by default
  EXPECT_EQ(world.files.Bytes(kModule), first);
  EXPECT_EQ(first, std::string(generation::kModuleText) + "\r\n");

  world.boxes.answers = {Answer::No};
  EXPECT_TRUE(form.WriteBas(kModule)) << "declining is no failure";

  world.files.readOnlyFolders.insert("C:\\Elsewhere\\");
  EXPECT_FALSE(form.WriteBas("C:\\Elsewhere\\modThemefold.bas"));
}

TEST_F(GenerationTest, ClickQueuedWhileTheCompilerRunsStartsNoSecondGeneration) {
  FRESH_SCENARIO;
  view.onDoEvents = [&] { form.Command1_Click(); };
  Generate();
  EXPECT_EQ(world.files.commandLines.size(), 1u);
  EXPECT_EQ(readme.shownTexts.size(), 1u);
  // And the guard is released afterwards.
  view.onDoEvents = nullptr;
  world.boxes.answers = {Answer::Ok, Answer::No};
  Generate();
  EXPECT_EQ(world.files.commandLines.size(), 2u);
}

TEST_F(GenerationTest, NamesFollowTheTargetFileName) {
  struct Row {
    const char* target;
    const char* res;
    const char* readme;
  };
  const Row rows[] = {
      {"C:\\My Work\\App.exe.bak", "App.exe_manifest.res",
       "Add App.exe_manifest.res to the project of App.exe.bak."},
      {"C:\\My Work\\App", "_manifest.res", "Add _manifest.res to the project of App."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.target);
    FRESH_SCENARIO;
    world.files.files[kReadme].bytes = "Add %resfile% to the project of %exename%.";
    view.texts[Field::Text1] = row.target;
    Generate();
    EXPECT_TRUE(world.files.Has(kFolder + row.res));
    ASSERT_EQ(readme.shownTexts.size(), 1u);
    EXPECT_EQ(readme.shownTexts[0], row.readme);
  }
}

TEST_F(GenerationTest, ManifestValuesAreConvertedToUtf8) {
  FRESH_SCENARIO;
  view.texts[Field::Text3] = "Caf\xE9";
  Generate();
  EXPECT_NE(world.files.compiledManifest.find("<description>Caf\xC3\xA9</description>"),
            std::string::npos);
}

TEST_F(GenerationTest, TwoSuccessfulRunsShowTheLatestInstructions) {
  FRESH_SCENARIO;
  Generate();
  view.texts[Field::Text1] = kFolder + "Other.exe";
  Generate();
  ASSERT_EQ(readme.shownTexts.size(), 2u);
  EXPECT_NE(readme.shownTexts[1].find("Other_manifest.res"), std::string::npos);
  EXPECT_EQ(globals::ReadmeText, readme.shownTexts[1]);
}

TEST_F(GenerationTest, TheManifestNamesTheTargetsOwnArchitecture) {
  struct Row {
    const char* name;
    const char* image; ///< nullptr: the program is not built yet
    std::uint16_t machine;
    const char* golden;
  };
  const Row rows[] = {
      {"not built yet", nullptr, 0, "App.exe.manifest"},
      {"not a program", "not a PE image", 0, "App.exe.manifest"},
      {"32-bit", "", generation::kMachineI386, "App.exe.manifest"},
      {"64-bit", "", generation::kMachineAmd64, "App-amd64.exe.manifest"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FRESH_SCENARIO;
    if (row.image)
      world.files.AddFile(
          kFolder + "App.exe",
          row.machine
              ? testsupport::BuildPe(row.machine, row.machine == generation::kMachineAmd64, {})
                    .image
              : row.image);
    Generate();
    EXPECT_EQ(world.files.compiledManifest, Golden(row.golden));
  }
}
