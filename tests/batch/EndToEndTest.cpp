// The real themefold-batch with the real bundled compiler, started as a build script would
// start it: the same bytes as the window's generation, every exit code, hostile names, a
// folder that cannot be entered and a full disk.
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include "batch/Runner.h"
#include "generation/Driver.h"
#include "support/FakeFiles.h"
#include "support/PeBuilder.h"
#include "support/RealFiles.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Golden;

struct Outputs {
  std::string res, bas, instructions;
};

class EndToEndTest : public testsupport::TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testsupport::WriteBytes(dir_ / "readme.txt", testsupport::kReadmeTemplate);
    fs::create_directories(dir_ / "config");
  }

  std::string Sep() const { return std::string(1, fs::path::preferred_separator); }

  batchtest::Result Batch(std::vector<std::string> args, long long fileSizeLimit = -1) {
    batchtest::Launch launch;
    launch.program = batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM);
    launch.args = std::move(args);
    launch.folder = dir_.string();
    // The stored setting of this machine's user must not choose the compiler.
    launch.environment = {{"XDG_CONFIG_HOME", Path("config")}};
    launch.fileSizeLimit = fileSizeLimit;
    batchtest::Result result = batchtest::RunProgram(launch);
    // Standard error is text: Windows ends its lines in CR LF.
    result.err.erase(std::remove(result.err.begin(), result.err.end(), '\r'), result.err.end());
    return result;
  }
  std::vector<std::string> Common() const {
    return {"--rc", batchtest::BuildPath(THEMEFOLD_RC_PROGRAM), "--readme", Path("readme.txt")};
  }

  /// A generation as the window makes it, in folder, with the real compiler.
  Outputs Windowed(const fs::path& folder, const std::string& name, const std::string& version,
                   const std::string& description) {
    fs::create_directories(folder);
    testsupport::StandInFiles files;
    files.appFolder = dir_.string() + Sep();
    files.systemStarts = true;
    fakes::Conversation answers;
    generation::Driver driver(files, answers);
    const generation::Outcome outcome = driver.Run({(folder / name).string(), version, description},
                                                   batchtest::BuildPath(THEMEFOLD_RC_PROGRAM));
    EXPECT_EQ(outcome, generation::Outcome::Done);
    EXPECT_TRUE(answers.told.empty());
    EXPECT_EQ(answers.instructions.size(), 1u);
    const std::string base = name.substr(0, name.rfind('.'));
    return {testsupport::ReadBytes(folder / (base + "_manifest.res")),
            testsupport::ReadBytes(folder / "modThemefold.bas"),
            answers.instructions.empty() ? std::string() : answers.instructions.back()};
  }

  static std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
      names.insert(entry.path().filename().string());
    return names;
  }
  /// Files named "pwned" anywhere below the test's folder: a name that ran as a command.
  bool SomethingRan() const {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ec))
      if (entry.path().filename() == "pwned")
        return true;
    return false;
  }
};

} // namespace

TEST_F(EndToEndTest, SameBytesAsTheWindowsGeneration) {
  struct Row {
    const char* version;
    const char* description;
  };
  for (const Row& row : {Row{"1.0.0.0", "Fourteen chars"}, Row{"2.5.0.17", ""}}) {
    SCOPED_TRACE(row.version);
    const fs::path window = dir_ / "window" / row.version;
    const fs::path batch = dir_ / "batch" / row.version;
    const Outputs expected = Windowed(window, "App.exe", row.version, row.description);
    fs::create_directories(batch);
    std::vector<std::string> args = Common();
    args.insert(args.end(), {"--version-info", row.version, "--description", row.description,
                             (batch / "App.exe").string()});
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected.instructions + "\r\n");
    EXPECT_EQ(Listing(batch), (std::set<std::string>{"App_manifest.res", "modThemefold.bas"}));
    EXPECT_EQ(testsupport::ReadBytes(batch / "App_manifest.res"), expected.res);
    EXPECT_EQ(testsupport::ReadBytes(batch / "modThemefold.bas"), expected.bas);
    EXPECT_EQ(expected.bas, Golden("modThemefold.bas"));
  }
  // The golden manifest, compiled in whole; the .res itself is golden too, so that the 32-bit
  // and 64-bit Windows programs and the Linux one are held to the same bytes.
  const std::string res = testsupport::ReadBytes(dir_ / "batch" / "1.0.0.0" / "App_manifest.res");
  EXPECT_NE(res.find(Golden("App.exe.manifest")), std::string::npos);
  EXPECT_TRUE(res == Golden("App_manifest.res"));
}

TEST_F(EndToEndTest, WithoutOptionsTheBundledCompilerAndShippedTemplateServe) {
  const Outputs expected = Windowed(dir_ / "window", "App.exe", "1.0.0.0", "");
  fs::create_directories(dir_ / "batch");
  const batchtest::Result result = Batch({(dir_ / "batch" / "App.exe").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(testsupport::ReadBytes(dir_ / "batch" / "App_manifest.res"), expected.res);
  EXPECT_NE(result.out.find("App_manifest.res"), std::string::npos);
  EXPECT_EQ(result.out.find("%resfile%"), std::string::npos);
  EXPECT_EQ(result.out.find("%exename%"), std::string::npos);
}

TEST_F(EndToEndTest, EveryExitCode) {
  const fs::path work = dir_ / "work";
  struct Row {
    const char* name;
    const char* makeFolder; ///< created in the work folder first ("" for none)
    const char* makeFile;
    std::vector<std::string> extra;
    int code;
    std::vector<std::string> errHas;
    std::set<std::string> left;
  };
  // clang-format off
  const Row rows[] = {
      {"done", "", "", {}, 0, {}, {"App_manifest.res", "modThemefold.bas"}},
      {"compiler fails", "", "", {"--rc", "readme.txt"}, 1,
       {"themefold-batch: Error compiling file!"}, {}},
      {"usage", "", "", {"--check-version", "--version-info", "1.0"}, 2,
       {"themefold-batch: error: Version info should be four numbers"}, {}},
      {"output exists", "", "modThemefold.bas", {}, 4, {"--force replaces"},
       {"modThemefold.bas"}},
      {"a folder has the output's name", "App_manifest.res", "", {"--force"}, 4,
       {"App_manifest.res\" is a folder"}, {"App_manifest.res"}},
      {"file operation fails", "modThemefold.bas", "", {}, 5,
       {"Error writing \"", "modThemefold.bas\"", "Code "},
       {"App_manifest.res", "modThemefold.bas"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(work);
    fs::create_directories(work);
    // Not empty, so that nothing can replace it.
    if (*row.makeFolder) {
      fs::create_directories(work / row.makeFolder);
      testsupport::WriteBytes(work / row.makeFolder / "keep", "");
    }
    if (*row.makeFile)
      testsupport::WriteBytes(work / row.makeFile, "MINE");
    std::vector<std::string> args = Common();
    for (const std::string& arg : row.extra)
      args.push_back(arg == "readme.txt" ? Path(arg) : arg);
    args.push_back((work / "App.exe").string());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, row.code) << result.err;
    for (const std::string& text : row.errHas)
      EXPECT_NE(result.err.find(text), std::string::npos) << text << " in " << result.err;
    EXPECT_EQ(Listing(work), row.left);
    if (*row.makeFile) {
      EXPECT_EQ(testsupport::ReadBytes(work / row.makeFile), "MINE");
    }
  }
}

TEST_F(EndToEndTest, HostileNamesRunNothingAndWorkOrFailCleanly) {
  const bool windows = Sep() == "\\";
  struct Row {
    std::string folder;
    std::string file;
    bool mustWork; ///< on this platform; otherwise failing cleanly is enough
  };
  // clang-format off
  const std::vector<Row> rows = {
      {"w", "my app.exe", true},
      {"w", "$(touch pwned).exe", true},
      {"w", "a;touch pwned;.exe", true},
      {"w", "a & mkdir pwned & b.exe", true},
      {"w", "`touch pwned`.exe", true},
      {"w", "it's.exe", true},
      {"w", "%PATH%.exe", true},
      {"w", "-leading.exe", true},
      {"$(touch pwned) & x; `touch pwned`", "App.exe", true},
      {"w", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83.exe", !windows},
      {"w", std::string(196, 'n') + ".exe", !windows},
      {"w", windows ? "tab\there.exe" : "say \"hi\".exe", false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder + " / " + row.file);
    const fs::path work = dir_ / "hostile";
    fs::remove_all(work);
    std::error_code absent;
    fs::create_directories(work / row.folder, absent);
    std::vector<std::string> args = Common();
    args.insert(args.end(), {"--quiet", "--", (work / row.folder).string() + Sep() + row.file});
    const batchtest::Result result = Batch(args);
    EXPECT_FALSE(SomethingRan());
    const std::set<std::string> left = Listing(work / row.folder);
    if (result.exitCode == 0) {
      const std::string base = row.file.substr(0, row.file.rfind('.'));
      const bool ascii =
          std::all_of(row.file.begin(), row.file.end(), [](char c) { return (c & 0x80) == 0; });
      // Windows passes the name through its ANSI code page, which may spell it otherwise.
      if (ascii || !windows) {
        EXPECT_EQ(left, (std::set<std::string>{base + "_manifest.res", "modThemefold.bas"}));
      }
      EXPECT_EQ(left.size(), 2u);
      EXPECT_EQ(left.count("modThemefold.bas"), 1u);
      continue;
    }
    EXPECT_FALSE(row.mustWork) << result.err;
    EXPECT_TRUE(result.exitCode == 1 || result.exitCode == 2 || result.exitCode == 3 ||
                result.exitCode == 5)
        << result.exitCode;
    EXPECT_NE(result.err, "");
    for (const std::string& name : left)
      EXPECT_TRUE(name.size() < 9 || (name.substr(name.size() - 9) != ".manifest" &&
                                      name.substr(name.size() - 3) != ".rc"))
          << name;
  }
}

TEST_F(EndToEndTest, FolderThatCannotBeEntered) {
  testsupport::WriteBytes(dir_ / "plain.txt", "x");
  fs::create_directories(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::none);
  // Root, and Wine, enter it all the same; then that row proves nothing.
  const bool lockHolds = !std::ofstream(dir_ / "locked" / "probe").is_open();
  struct Row {
    const char* name;
    fs::path target;
    bool meaningful;
  };
  const Row rows[] = {
      {"missing", dir_ / "missing" / "App.exe", true},
      {"a file", dir_ / "plain.txt" / "App.exe", true},
      {"no permission", dir_ / "locked" / "App.exe", lockHolds},
  };
  for (const Row& row : rows) {
    if (!row.meaningful)
      continue;
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = Common();
    args.push_back(row.target.string());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "themefold-batch: Error, folder cannot access folder!\n");
    EXPECT_EQ(result.out, "");
  }
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
  EXPECT_EQ(Listing(dir_), (std::set<std::string>{"config", "locked", "plain.txt", "readme.txt"}));
}

// Sizes: manifest 802 bytes, script 227, .res 864, module 1528. Whichever write the disk
// refuses, the old .res and the user's module are each whole: the old bytes or the new.
TEST_F(EndToEndTest, FullDiskLeavesEveryFileWholeAndSaysSo) {
  if (!batchtest::CanLimitFileSize())
    GTEST_SKIP() << "no file-size limit on this platform";
  struct Row {
    long long limit;
    int code;
    const char* errHas;
    bool newRes, newModule;
  };
  const Row rows[] = {
      {0, 5, "manifest\" failed:\nFile too large\nCode 27\n", false, false},
      {500, 5, "manifest\" failed:\nFile too large\nCode 27\n", false, false},
      {850, 1, "Error compiling file!", false, false},
      {1000, 5, "Error writing \"", true, false},
      {1 << 20, 0, "", true, true},
  };
  const fs::path work = dir_ / "work";
  const std::string newRes = Windowed(dir_ / "expected", "App.exe", "1.0.0.0", "").res;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.limit);
    fs::remove_all(work);
    fs::create_directories(work);
    testsupport::WriteBytes(work / "App_manifest.res", "OLD RES");
    testsupport::WriteBytes(work / "modThemefold.bas", "MY MODULE");
    std::vector<std::string> args = Common();
    args.insert(args.end(), {"--force", (work / "App.exe").string()});
    const batchtest::Result result = Batch(args, row.limit);
    EXPECT_EQ(result.exitCode, row.code) << result.err;
    EXPECT_NE(result.err.find(row.errHas), std::string::npos) << result.err;
    EXPECT_EQ(Listing(work), (std::set<std::string>{"App_manifest.res", "modThemefold.bas"}));
    EXPECT_EQ(testsupport::ReadBytes(work / "App_manifest.res"), row.newRes ? newRes : "OLD RES");
    EXPECT_EQ(testsupport::ReadBytes(work / "modThemefold.bas"),
              row.newModule ? Golden("modThemefold.bas") : "MY MODULE");
  }
}

// The compiler stands in for Ctrl-C: it asks the program to stop, then would run on for a
// minute. The program stops it and ends at once; the old .res stays as it was.
// What the compiler prints on its standard output reaches standard error.
TEST_F(EndToEndTest, StopRequestEndsTheRunAtOnceAndLeavesTheOldRes) {
  if (!batchtest::CanRunShellScripts())
    GTEST_SKIP() << "no shell scripts here";
  const fs::path compiler = dir_ / "stopping-rc";
  testsupport::WriteBytes(compiler,
                          "#!/bin/sh\necho compiler says\nkill -TERM $PPID\nexec sleep 60\n");
  fs::permissions(compiler, fs::perms::owner_all);
  const fs::path work = dir_ / "work";
  fs::create_directories(work);
  testsupport::WriteBytes(work / "App_manifest.res", "OLD");
  const auto start = std::chrono::steady_clock::now();
  const batchtest::Result result =
      Batch({"--rc", compiler.string(), "--force", (work / "App.exe").string()});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30))
      << "the compiler was not stopped";
  EXPECT_EQ(result.exitCode, 128 + 15);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "compiler says\n"
                        "themefold-batch: stopped by signal 15; the temporary files are removed\n");
  EXPECT_EQ(Listing(work), std::set<std::string>{"App_manifest.res"});
  EXPECT_EQ(testsupport::ReadBytes(work / "App_manifest.res"), "OLD");
}

// A full disk or a closed pipe behind standard output is no success.
TEST_F(EndToEndTest, InstructionsThatCannotBeWrittenAreAFailure) {
  if (!batchtest::CanRunShellScripts() || !fs::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full here";
  fs::create_directories(dir_ / "work");
  std::string line = "exec '" + batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM) + "'";
  for (const std::string& arg : Common())
    line += " '" + arg + "'";
  line += " '" + Path("work/App.exe") + "' >/dev/full";
  batchtest::Launch launch;
  launch.program = "/bin/sh";
  launch.args = {"-c", line};
  launch.folder = dir_.string();
  launch.environment = {{"XDG_CONFIG_HOME", Path("config")}};
  const batchtest::Result result = batchtest::RunProgram(launch);
  EXPECT_EQ(result.exitCode, 5);
  EXPECT_EQ(result.err, "themefold-batch: cannot write to standard output\n");
}

TEST_F(EndToEndTest, ManifestSettingsReachTheResAndBadValuesTouchNothing) {
  fs::create_directories(dir_ / "all");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--supported-os", "--execution-level", "asInvoker", "--dpi=permonitorv2",
                           "--gdi-scaling", "--long-path-aware", "--description", "Fourteen chars",
                           (dir_ / "all" / "App.exe").string()});
  const batchtest::Result result = Batch(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string res = testsupport::ReadBytes(dir_ / "all" / "App_manifest.res");
  EXPECT_NE(res.find(Golden("App-all.exe.manifest")), std::string::npos);

  struct Row {
    std::vector<std::string> args;
    const char* err;
  };
  const Row rows[] = {
      {{"--execution-level", "admin"},
       "themefold-batch: option --execution-level takes asInvoker, highestAvailable or "
       "requireAdministrator, not 'admin'\n"},
      {{"--dpi=PerMonitorV2"},
       "themefold-batch: option --dpi takes system or permonitorv2, not 'PerMonitorV2'\n"},
      {{"--dpi", ""}, "themefold-batch: option --dpi takes system or permonitorv2, not ''\n"},
      {{"--gdi-scaling=yes"}, "themefold-batch: option --gdi-scaling takes no value\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.err);
    fs::create_directories(dir_ / "bad");
    std::vector<std::string> bad = Common();
    bad.insert(bad.end(), row.args.begin(), row.args.end());
    bad.push_back((dir_ / "bad" / "App.exe").string());
    const batchtest::Result refused = Batch(bad);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, std::string(row.err) + "Try 'themefold-batch --help'.\n");
    EXPECT_TRUE(Listing(dir_ / "bad").empty());
  }
}

// --inspect in the real program: the report on standard output, the exit code, and no new
// file in the folder.
TEST_F(EndToEndTest, InspectReportsWhatTheProgramCarries) {
  const std::string manifest =
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
      "<assemblyIdentity name=\"A\" version=\"1.0.0.0\" processorArchitecture=\"amd64\"/>"
      "</assembly>";
  struct Row {
    const char* name;
    std::string bytes;
    int code;
    std::string outStart;
  };
  const Row rows[] = {
      {"Carries.exe",
       testsupport::BuildPe(0x8664, true,
                            {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), manifest}})
           .image,
       0, "Carries.exe: PE32+ program, machine x64\nManifest: embedded, resource type 24 ID 1"},
      {"Plain.exe", testsupport::BuildPe(0x8664, true, {}).image, 6,
       "Plain.exe: PE32+ program, machine x64\nManifest: none\n"},
      {"Text.exe", "plain text", 5, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::WriteBytes(dir_ / row.name, row.bytes);
    const std::set<std::string> before = Listing(dir_);
    batchtest::Result result = Batch({"--inspect", row.name});
    result.out.erase(std::remove(result.out.begin(), result.out.end(), '\r'), result.out.end());
    EXPECT_EQ(result.exitCode, row.code);
    EXPECT_EQ(result.out.compare(0, row.outStart.size(), row.outStart), 0) << result.out;
    EXPECT_EQ(result.err, row.code == 5 ? std::string("themefold-batch: ") + row.name +
                                              ": cannot be read as a PE file: no MZ header: "
                                              "not a program or library\n"
                                        : "");
    EXPECT_EQ(Listing(dir_), before);
  }
}

// --inspect --strict in the real program: any warning fails it with 7, for CI; a note does
// not, and a program without a manifest keeps its 6.
TEST_F(EndToEndTest, StrictInspectionFailsOnWarnings) {
  const std::string head =
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "<assemblyIdentity name=\"A\" version=\"1.0.0.0\" processorArchitecture=\"amd64\"/>\n";
  const std::string styles = "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                             "processorArchitecture=\"*\"/></dependentAssembly></dependency>\n";
  const std::string warned = head + styles +
                             "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"
                             "<windowsSettings>\n<dpiAware xmlns=\"https://schemas.microsoft.com/"
                             "SMI/2005/WindowsSettings\">true</dpiAware>\n"
                             "</windowsSettings></application>\n</assembly>";
  const std::string noted = head + styles +
                            "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security>"
                            "<requestedPrivileges>\n<requestedExecutionLevel level=\"asInvoker\"/>"
                            "\n</requestedPrivileges></security></trustInfo>\n</assembly>";
  const auto program = [](const std::string& manifest) {
    return testsupport::BuildPe(
               0x8664, true,
               {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), manifest}})
        .image;
  };
  const auto report = [](const std::string& manifest, const std::string& runLevel,
                         const std::string& last) {
    return "App.exe: PE32+ program, machine x64\n"
           "Manifest: embedded, resource type 24 ID 1 (" +
           std::to_string(manifest.size()) +
           " bytes)\n"
           "Identity: name \"A\", version 1.0.0.0, architecture amd64, type not set\n"
           "Visual styles: on (Common Controls 6)\n"
           "Supported Windows versions: none declared\n"
           "Run level: " +
           runLevel +
           "\n"
           "DPI: not set (Windows scales it)\n"
           "GDI scaling: not set\n"
           "Long paths: not set\n" +
           last;
  };
  struct Row {
    const char* what;
    std::vector<std::string> args;
    std::string program;
    int code;
    std::string out;
  };
  // clang-format off
  const Row rows[] = {
      {"a warning, strict", {"--inspect", "--strict"}, program(warned), 7,
       report(warned, "not set",
              "Warning: line 5: namespace https://schemas.microsoft.com/SMI/2005/WindowsSettings "
              "begins with https://: Windows knows only http://schemas.microsoft.com/SMI/2005/"
              "WindowsSettings and ignores <dpiAware>.\n")},
      {"a warning, not strict", {"--inspect"}, program(warned), 0,
       report(warned, "not set",
              "Warning: line 5: namespace https://schemas.microsoft.com/SMI/2005/WindowsSettings "
              "begins with https://: Windows knows only http://schemas.microsoft.com/SMI/2005/"
              "WindowsSettings and ignores <dpiAware>.\n")},
      {"a note, strict", {"--strict", "--inspect"}, program(noted), 0,
       report(noted, "asInvoker",
              "Note: line 5: <requestedExecutionLevel> turns off file and registry "
              "virtualization: a program that writes into its own folder under Program Files "
              "gets \"access denied\" instead of a redirected write.\n")},
      {"no manifest, strict", {"--inspect", "--strict"},
       testsupport::BuildPe(0x8664, true, {}).image, 6,
       "App.exe: PE32+ program, machine x64\nManifest: none\n"},
  };
  // clang-format on
  fs::create_directories(dir_ / "strict");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    testsupport::WriteBytes(dir_ / "strict" / "App.exe", row.program);
    std::vector<std::string> args = row.args;
    args.push_back((dir_ / "strict" / "App.exe").string());
    batchtest::Result result = Batch(args);
    result.out.erase(std::remove(result.out.begin(), result.out.end(), '\r'), result.out.end());
    EXPECT_EQ(result.exitCode, row.code);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, "");
  }
}

// A component that cannot be read, or a project that names one that is not there, stops
// the run before anything is written, naming the file.
TEST_F(EndToEndTest, ComponentsThatCannotBeReadTouchNothing) {
  fs::create_directories(dir_ / "com");
  testsupport::WriteBytes(dir_ / "com" / "text.ocx", "not a type library");
  testsupport::WriteBytes(dir_ / "com" / "App.vbp",
                          "Type=Exe\r\nObject={6B1F3C2E-8D4A-4E57-9A51-2F0C7E1D3A10}#1.0#0; "
                          "gone.ocx\r\nName=\"App\"\r\n");
  struct Row {
    std::vector<std::string> args;
    std::string errStart;
  };
  // As the program prints it: with the platform's own separator.
  const std::string folder = (dir_ / "com" / "").string();
  const Row rows[] = {
      {{"--com", folder + "missing.ocx"}, "themefold-batch: " + folder + "missing.ocx: "},
      {{"--com=" + folder + "text.ocx"}, "themefold-batch: " + folder + "text.ocx: "},
      {{"--vbp", folder + "App.vbp"},
       "themefold-batch: " + folder + "App.vbp: line 2: gone.ocx not found\n"},
      {{"--com="}, "themefold-batch: option --com needs a path\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.errStart);
    const std::set<std::string> before = Listing(dir_ / "com");
    std::vector<std::string> args = Common();
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.push_back((dir_ / "com" / "App.exe").string());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind(row.errStart, 0), 0u) << result.err;
    EXPECT_EQ(Listing(dir_ / "com"), before);
  }
}
