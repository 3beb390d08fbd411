// The batch front end in-process, on real files with a stand-in compiler: exit codes,
// the exact console texts, and what is left in the folder.
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "front/Compiler.h"
#include "front/Keys.h"
#include "batch/Batch.h"
#include "support/FakeServices.h"
#include "support/PeBuilder.h"
#include "support/RealFiles.h"
#include "base/CommandLine.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using testsupport::Golden;

class BatchTest : public testsupport::StandInTest {
protected:
  void SetUp() override {
    StandInTest::SetUp();
    settings.values = {{"Themefold/General/RC.EXE", (dir_ / "rc").string()}};
    testsupport::WriteBytes(dir_ / "rc", "");
  }
  std::string Target(const std::string& name = "App.exe") const { return (work / name).string(); }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    batch::Console console{out, err, registry, settings, "bundled-rc", "9.8.7.6", ""};
    const int code = batch::Run(args, files, console);
    EXPECT_EQ(fs::current_path(), savedCwd_) << "a run changes no current directory";
    return code;
  }
  /// "name=content;" for each entry, sorted; the window's module text shows as <module>.
  std::string Listing() const {
    const std::string module = Golden("modThemefold.bas");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work)) {
      const std::string bytes = entry.is_directory() ? "<dir>"
                                : entry.is_fifo()    ? "<pipe>"
                                                     : testsupport::ReadBytes(entry.path());
      names.push_back(entry.path().filename().string() + "=" +
                      (bytes == module ? "<module>" : bytes));
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names)
      listing += name + ";";
    return listing;
  }

  fakes::Registry registry;
  fakes::Settings settings;
  std::ostringstream out, err;
};

} // namespace

TEST_F(BatchTest, ExitCodesTextsAndWhatIsLeft) {
  const std::string kDone = "App_manifest.res=RES;modThemefold.bas=<module>;";
  const std::string kInstructions = "Add App_manifest.res for App.exe.\r\n";
  struct Row {
    const char* name;
    std::function<void()> setup;
    std::vector<std::string> args; ///< "@" stands for the target, "#" for the stand-in rc
    int code;
    std::string out;
    std::string err; ///< "~text": err contains text
    std::string listing;
  };
  const std::string t = "@";
  auto write = [this](const char* name, const char* bytes) {
    return [this, name, bytes] { testsupport::WriteBytes(work / name, bytes); };
  };
  auto none = [] {};
  const std::string warning =
      "Version info should be four numbers separated by dots, such as 1.0.0.0. Windows will "
      "not start a program whose manifest has another version.\n";
  // A .res of the empty entry alone.
  const std::string emptyRes =
      std::string("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16) + std::string(16, '\0');
  const std::string project = "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"Form1\"\r\nName=\"App\"\r\n";
  const std::string compilerWrote = "themefold-batch: The resource compiler \"" +
                                    (dir_ / "rc").string() +
                                    "\" wrote no resource file holding the manifest (resource "
                                    "type 24, ID 1): ";
  const std::string w = work.string() + files.PathSeparator();
  // A compiler the settings name but the system cannot find, and the system's words for that.
  const std::string gone = (dir_ / "gone rc").string();
  std::string goneReason;
  try {
    files.ReadBytes(gone, 1);
  } catch (const base::SystemError& error) {
    goneReason = error.Description();
  }
  // A project as the target, which starts in the form Form1.
  const std::string form = "Begin VB.Form Form1\r\nEnd\r\nAttribute VB_Name = \"Form1\"\r\n";
  const std::string formListed = "Form1.frm=" + form + ";";
  const auto writeForm = [&] { testsupport::WriteBytes(work / "Form1.frm", form); };
  const Row projectRows[] = {
      // Was: exit 0 and App_manifest.res=RES.
      {"a project: the compiler writes no .res",
       [&] {
         testsupport::WriteBytes(work / "App.vbp", project);
         writeForm();
       },
       {Target("App.vbp")},
       1,
       "",
       compilerWrote +
           "no empty entry at the start: not a 32-bit resource file. Nothing was changed.\n",
       "App.vbp=" + project + ";" + formListed},
      // Was: "...App.res" is not a resource file: the compiled manifest holds no manifest entry.
      {"a project's own .res: the compiler's holds no manifest",
       [&] {
         files.output = emptyRes;
         testsupport::WriteBytes(work / "App.res", emptyRes);
         testsupport::WriteBytes(work / "App.vbp", project + "ResFile32=\"App.res\"\r\n");
         writeForm();
       },
       {Target("App.vbp")},
       1,
       "",
       compilerWrote + "what it wrote holds no such entry. Nothing was changed.\n",
       "App.res=" + emptyRes + ";App.vbp=" + project + "ResFile32=\"App.res\"\r\n;" + formListed},
      // Was: no warning.
      {"a project's version part over 65535 warns",
       [&] {
         // A dry run compiles too.
         files.output = testsupport::Golden("App_manifest.res");
         testsupport::WriteBytes(work / "App.vbp", project + "MajorVer=70000\r\n");
         writeForm();
       },
       {"--dry-run", Target("App.vbp")},
       0,
       w + "App_manifest.res: new, with the manifest\n" + w +
           "modThemefold.bas: new start-up module; it shows Form1\n" + w +
           "App.vbp: lists modThemefold.bas; takes App_manifest.res as its resource file; "
           "starts in Sub Main\ndry run: nothing was changed\n",
       "themefold-batch: warning: " + warning,
       "App.vbp=" + project + "MajorVer=70000\r\n;" + formListed},
      // Was: exit 0, started in a Sub Main that shows no form.
      {"a project that starts in no form",
       [&] { testsupport::WriteBytes(work / "App.vbp", "Type=Exe\r\nName=\"App\"\r\n"); },
       {Target("App.vbp")},
       2,
       "",
       "themefold-batch: \"" + Target("App.vbp") +
           "\" starts in no form. Choose the form it starts in (or Sub Main) as the Startup "
           "Object in the project's properties, and run again. Nothing was changed.\n",
       "App.vbp=Type=Exe\r\nName=\"App\"\r\n;"},
  };
  // clang-format off
  const Row rows[] = {
      {"fresh folder", none, {t}, 0, kInstructions, "", kDone},
      {"bad version warns", none, {"--version-info", "1.2", t}, 0, kInstructions,
       "themefold-batch: warning: " + warning, kDone},
      {"bad version with --check-version", none, {"--check-version", "--version-info=x", t}, 2,
       "", "themefold-batch: error: " + warning, ""},
      {"existing .res", [&] { write("App_manifest.res", "OLD")(); write("App.exe.manifest", "M")(); },
       {t}, 4, "",
       "themefold-batch: File \"App_manifest.res\" already exist!\n"
       "themefold-batch: nothing changed; --force replaces existing files\n",
       "App.exe.manifest=M;App_manifest.res=OLD;"},
      {"existing module", write("modThemefold.bas", "MINE"), {t}, 4, "",
       "themefold-batch: File \"" + Target("modThemefold.bas") + "\" already exist!\n"
       "themefold-batch: nothing changed; --force replaces existing files\n",
       "modThemefold.bas=MINE;"},
      {"existing module and --no-module", write("modThemefold.bas", "MINE"),
       {"--no-module", t}, 0, kInstructions, "", "App_manifest.res=RES;modThemefold.bas=MINE;"},
      {"both existing and --force",
       [&] { write("App_manifest.res", "OLD")(); write("modThemefold.bas", "MINE")(); },
       {"--force", t}, 0, kInstructions, "", kDone},
      {"compiler makes nothing", [&] { files.compilerWorks = false; }, {t}, 1, "",
       "themefold-batch: Error compiling file!\n", ""},
      {"compiler cannot start",
       [&] {
         files.knownFiles = {gone};
         files.systemStarts = true;
       },
       {"--rc", gone, t}, 1, "", "themefold-batch: Error compiling file! " + goneReason + "\n",
       ""},
      {"folder missing", none, {(dir_ / "gone" / "App.exe").string()}, 3, "",
       "themefold-batch: Error, folder cannot access folder!\n", ""},
      {"folder where the module goes", [&] { fs::create_directories(work / "modThemefold.bas"); },
       {t}, 5, kInstructions, "~themefold-batch: Error writing \"" + Target("modThemefold.bas") + "\"\n",
       "App_manifest.res=RES;modThemefold.bas=<dir>;"},
      {"the user's files of the old temporary names stay",
       [&] { write("App.exe.manifest", "M")(); write("App_manifest.rc", "S")(); }, {t}, 0,
       kInstructions, "", "App.exe.manifest=M;App_manifest.rc=S;" + kDone},
      {"compiler makes nothing: the old .res stays",
       [&] { files.compilerWorks = false; write("App_manifest.res", "OLD")(); }, {"--force", t}, 1,
       "", "themefold-batch: Error compiling file!\n", "App_manifest.res=OLD;"},
      {"folder where the .res goes", [&] { fs::create_directories(work / "App_manifest.res"); },
       {"--force", t}, 4, "",
       "themefold-batch: \"" + Target("App_manifest.res") +
           "\" is a folder, not a file. Nothing was changed.\n",
       "App_manifest.res=<dir>;"},
#ifndef _WIN32
      {"link where the module goes",
       [&] {
         testsupport::WriteBytes(dir_ / "elsewhere.bas", "ELSEWHERE");
         fs::create_symlink(dir_ / "elsewhere.bas", work / "modThemefold.bas");
       },
       {"--force", t}, 4, "",
       "themefold-batch: \"" + Target("modThemefold.bas") +
           "\" is a link: nothing is written through links. Nothing was changed.\n",
       "modThemefold.bas=ELSEWHERE;"},
      {"pipe where the .res goes", [&] { ::mkfifo((work / "App_manifest.res").c_str(), 0600); },
       {"--force", t}, 4, "",
       "themefold-batch: \"" + Target("App_manifest.res") +
           "\" is a device or a pipe, not a file. Nothing was changed.\n",
       "App_manifest.res=<pipe>;"},
#endif
      {"line break in the target", none, {Target("A\npp.exe")}, 2, "",
       "themefold-batch: a line break or other control character cannot be passed to the "
       "resource compiler: " + Target("A\\npp.exe") + "\nTry 'themefold-batch --help'.\n", ""},
      {"--quiet reads no template", [&] { fs::remove(dir_ / "readme.txt"); }, {"--quiet", t}, 0,
       "", "", kDone},
      {"default template missing", [&] { fs::remove(dir_ / "readme.txt"); }, {t}, 5, "",
       "~\"" + (dir_ / "readme.txt").string() + "\"", kDone},
      {"own template", [&] { testsupport::WriteBytes(dir_ / "mine.txt", "%exename%%exename%"); },
       {"--readme", (dir_ / "mine.txt").string(), t}, 0, "App.exeApp.exe\r\n", "", kDone},
      {"own template missing", none, {"--readme", (dir_ / "none.txt").string(), t}, 2, "",
       "~no instructions template at", ""},
      {"not a program", none, {Target("App.txt")}, 2, "",
       "~the target must name a .exe program", ""},
      {"--rc names nothing", none, {"--rc", (dir_ / "none").string(), t}, 2, "",
       "~no resource compiler at", ""},
      {"no compiler anywhere", [&] { fs::remove(dir_ / "rc"); }, {t}, 2, "",
       "~no resource compiler found in Visual Basic 6 (not registered), the setting RC.EXE (" +
           (dir_ / "rc").string() + "), " + files.appFolder + "bundled-rc; name one with --rc",
       ""},
      {"unknown option", none, {"--frobnicate", t}, 2, "",
       "themefold-batch: unknown option --frobnicate\nTry 'themefold-batch --help'.\n", ""},
      {"--version", none, {"--version"}, 0, "themefold-batch 9.8.7.6\n", "", ""},
  };
  // clang-format on
  std::vector<Row> all(std::begin(rows), std::end(rows));
  all.insert(all.end(), std::begin(projectRows), std::end(projectRows));
  for (const Row& row : all) {
    SCOPED_TRACE(row.name);
    for (const auto& entry : fs::directory_iterator(work))
      fs::remove_all(entry.path());
    files.compilerWorks = true;
    files.systemStarts = false;
    files.output = "RES";
    files.commandLines.clear();
    settings.values = {{"Themefold/General/RC.EXE", (dir_ / "rc").string()}};
    testsupport::WriteBytes(dir_ / "readme.txt", testsupport::kReadmeTemplate);
    testsupport::WriteBytes(dir_ / "rc", "");
    row.setup();
    std::vector<std::string> args;
    for (const std::string& arg : row.args)
      args.push_back(arg == "@" ? Target() : arg);
    EXPECT_EQ(Run(args), row.code);
    EXPECT_EQ(out.str(), row.out);
    if (row.err.rfind("~", 0) == 0) {
      EXPECT_NE(err.str().find(row.err.substr(1)), std::string::npos) << err.str();
    } else {
      EXPECT_EQ(err.str(), row.err);
    }
    EXPECT_EQ(Listing(), row.listing);
    if (row.code == 2 || row.code == 4) {
      EXPECT_TRUE(files.commandLines.empty());
    }
    if (!files.commandLines.empty()) {
      // A program's compiler runs beside it; a project's in a folder of the run's own, which
      // goes again whatever the outcome.
      const std::string& target = args.back();
      if (target.size() > 4 && target.compare(target.size() - 4, 4, ".vbp") == 0) {
        EXPECT_FALSE(fs::exists(files.folderAtCompile)) << files.folderAtCompile;
      } else {
        EXPECT_TRUE(fs::equivalent(files.folderAtCompile, work));
      }
    }
  }
  EXPECT_TRUE(settings.writes.empty());
}

TEST_F(BatchTest, ModuleIsTheWindowsText) {
  ASSERT_EQ(Run({"--quiet", Target()}), 0);
  EXPECT_EQ(testsupport::ReadBytes(work / "modThemefold.bas"), Golden("modThemefold.bas"));
}

// The compiler runs in the target's folder, so relative paths must be settled first.
TEST_F(BatchTest, RelativePathsMeanWhatTheyMeantAtTheStart) {
  fs::current_path(dir_);
  testsupport::WriteBytes(dir_ / "mine.txt", "%resfile%");
  batch::Console console{out, err, registry, settings, "bundled-rc", "1", ""};
  const char separator = files.PathSeparator();
  const std::string rc = std::string(".") + separator + "rc";
  const int code =
      batch::Run({"--rc", rc, "--readme", "mine.txt", "my work/App.exe"}, files, console);
  fs::current_path(savedCwd_);
  EXPECT_EQ(code, 0) << err.str();
  EXPECT_EQ(out.str(), "App_manifest.res\r\n");
  ASSERT_EQ(files.commandLines.size(), 1u);
  const std::string folder = dir_.string() + separator + "my work" + separator;
  const std::vector<std::string> args = commandline::Split(files.commandLines[0]);
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args[0], dir_.string() + separator + rc);
  EXPECT_EQ(args[3].rfind(folder + "~themefold-", 0), 0u) << args[3];
  EXPECT_EQ(args[4], args[3].substr(0, args[3].size() - 4) + ".rc");
}

// One table for every way: what each outcome exits with.
TEST(BatchExitCodeTest, OneTableForEveryWay) {
  using front::Outcome;
  const std::pair<Outcome, int> rows[] = {
      {Outcome::Done, 0},          {Outcome::Removed, 0},
      {Outcome::Unchanged, 0},     {Outcome::DryRun, 0},
      {Outcome::CompileFailed, 1}, {Outcome::Declined, 2},
      {Outcome::Refused, 2},       {Outcome::FolderInaccessible, 3},
      {Outcome::OutputExists, 4},  {Outcome::Changed, 5},
      {Outcome::Failed, 5},
  };
  for (const auto& [outcome, code] : rows)
    EXPECT_EQ(batch::ExitCodeFor(outcome), code) << static_cast<int>(outcome);
}

TEST(BatchPathsTest, AbsolutePaths) {
  struct Row {
    const char* path;
    char separator;
    const char* expected;
  };
  const Row rows[] = {
      {"App.exe", '/', "/cwd/App.exe"},
      {"sub/App.exe", '/', "/cwd/sub/App.exe"},
      {"/abs/App.exe", '/', "/abs/App.exe"},
      {"C:\\x.exe", '/', "/cwd/C:\\x.exe"},
      {"", '/', ""},
      {"App.exe", '\\', "C:\\cwd\\App.exe"},
      {"sub/App.exe", '\\', "C:\\cwd\\sub\\App.exe"},
      {"D:/abs/App.exe", '\\', "D:\\abs\\App.exe"},
      {"d:\\abs\\App.exe", '\\', "d:\\abs\\App.exe"},
      {"\\\\server\\share\\App.exe", '\\', "\\\\server\\share\\App.exe"},
      {"//server/share/App.exe", '\\', "\\\\server\\share\\App.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const std::string cwd = row.separator == '/' ? "/cwd" : "C:\\cwd\\";
    EXPECT_EQ(batch::AbsolutePath(row.path, cwd, row.separator), row.expected);
  }
}

TEST(BatchPathsTest, PathsTheCompilerCommandCannotCarry) {
  struct Row {
    const char* path;
    char separator;
    bool safe;
  };
  const Row rows[] = {
      {"/w/$(touch x); a & b `c` 'd'.exe", '/', true},
      {"/w/a\"b.exe", '/', false},
      {"/w/a\\b.exe", '/', false},
      {"C:\\w\\a b.exe", '\\', true},
      {"C:\\w\\a\"b.exe", '\\', false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(!batch::UnsafePathReason(row.path, row.separator), row.safe);
  }
}

TEST_F(BatchTest, CompilerPlacesInTheWindowsOrder) {
  const std::string bundled = files.appFolder + "bundled-rc";
  struct Row {
    const char* name;
    std::string vb6Folder;
    std::string stored;
    std::vector<std::string> existing;
    std::string expected;
  };
  // clang-format off
  const Row rows[] = {
      {"registry without backslash", "C:\\VB98", "C:\\s\\rc.exe",
       {"C:\\VB98\\Wizards\\RC.EXE", "C:\\s\\rc.exe", bundled}, "C:\\VB98\\Wizards\\RC.EXE"},
      {"registry with backslash", "C:\\VB98\\", "", {"C:\\VB98\\Wizards\\RC.EXE"},
       "C:\\VB98\\Wizards\\RC.EXE"},
      {"registered but no compiler there", "C:\\VB98", "C:\\s\\other.exe",
       {"C:\\s\\other.exe", bundled}, "C:\\s\\other.exe"},
      {"stored setting gone", "", "C:\\s\\rc.exe", {bundled}, bundled},
      {"nothing at all", "", "", {}, ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    registry.values = {{std::string(front::keys::kVb6SetupKey) + "|" + front::keys::kVb6ProductDir,
                        row.vb6Folder}};
    settings.values = {{"Themefold/General/RC.EXE", row.stored}};
    files.knownFiles = row.existing;
    EXPECT_EQ(front::LocateCompiler({registry, settings, files, "bundled-rc"}), row.expected);
  }
  EXPECT_TRUE(settings.writes.empty());
}

TEST(BatchBuildTest, BundledCompilerHasTheNameTheWindowLooksFor) {
  const bool windows = platform::SystemFiles().PathSeparator() == '\\';
  EXPECT_STREQ(THEMEFOLD_BUNDLED_COMPILER,
               windows ? front::keys::kBundledCompiler : "themefold-rc");
}

// --inspect reads the program and its neighbour, prints, and writes nothing.
TEST_F(BatchTest, InspectReportsAndWritesNothing) {
  const std::string manifest =
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
      "<assemblyIdentity name=\"A\" version=\"1.0\" processorArchitecture=\"x86\"/></assembly>";
  const std::string withManifest =
      testsupport::BuildPe(0x14C, false,
                           {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), manifest}})
          .image;
  const std::string plain = testsupport::BuildPe(0x14C, false, {}).image;
  struct Row {
    const char* name;
    std::string program; ///< "" writes no file
    int code;
    std::string out;
    std::string err;
  };
  // clang-format off
  const Row rows[] = {
      {"manifest", withManifest, 0,
       "App.exe: PE32 program, machine x86\n"
       "Manifest: embedded, resource type 24 ID 1 (" + std::to_string(manifest.size()) + " bytes)\n"
       "Identity: name \"A\", version 1.0, architecture x86, type not set\n"
       "Visual styles: off (no Common Controls 6 dependency)\n"
       "Supported Windows versions: none declared\n"
       "Run level: not set\n"
       "DPI: not set (Windows scales it)\n"
       "GDI scaling: not set\n"
       "Long paths: not set\n"
       "Warning: line 1: version \"1.0\" is not four numbers of 0 to 65535: Windows refuses to "
       "start the program.\n"
       "Warning: the manifest has no Common Controls 6 dependency: visual styles are off.\n",
       ""},
      {"no manifest", plain, 6, "App.exe: PE32 program, machine x86\nManifest: none\n", ""},
      {"not a program", "MZ", 5, "",
       "themefold-batch: " + Target() + ": cannot be read as a PE file: the MZ header at offset "
       "0x3C (4 bytes) runs past the end of the file (2 bytes)\n"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto& entry : fs::directory_iterator(work))
      fs::remove_all(entry.path());
    testsupport::WriteBytes(work / "App.exe", row.program);
    EXPECT_EQ(Run({"--inspect", "--force", Target()}), row.code);
    EXPECT_EQ(out.str(), row.out);
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 1);
    EXPECT_TRUE(files.commandLines.empty());
  }
}
