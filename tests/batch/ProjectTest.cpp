// A Visual Basic project as the target of the real themefold-batch and the real compiler:
// the exact bytes of every file it changes, a second run that changes nothing, and the
// projects it refuses with every file left as it was.
#include "support/TestSupport.h"

#include <filesystem>
#include <functional>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#include "base/Fingerprint.h"
#include "batch/Runner.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Golden;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

using Tree = std::map<std::string, std::string>; ///< path below the folder -> bytes

class ProjectTest : public testsupport::TempDirTest {
protected:
  batchtest::Result Batch(std::vector<std::string> args) {
    batchtest::Launch launch;
    launch.program = batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM);
    args.insert(args.begin(), {"--rc", batchtest::BuildPath(THEMEFOLD_RC_PROGRAM)});
    launch.args = std::move(args);
    launch.folder = dir_.string();
    launch.environment = {{"XDG_CONFIG_HOME", Path()}};
    batchtest::Result result = batchtest::RunProgram(launch);
    result.err.erase(std::remove(result.err.begin(), result.err.end(), '\r'), result.err.end());
    return result;
  }
  void Make(const fs::path& folder, const Tree& tree) {
    for (const auto& [name, bytes] : tree) {
      fs::create_directories((folder / name).parent_path());
      WriteBytes(folder / name, bytes);
    }
  }
  static Tree Read(const fs::path& folder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_regular_file())
        tree[entry.path().lexically_relative(folder).generic_string()] = ReadBytes(entry.path());
    return tree;
  }
  /// The .res the program's own generation makes for exeName.
  std::string ProgramRes(const std::string& exeName, const std::string& version,
                         const std::string& description) {
    const fs::path folder = dir_ / "reference";
    fs::create_directories(folder);
    const batchtest::Result result = Batch({"--version-info", version, "--description", description,
                                            "--no-module", "--quiet", (folder / exeName).string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return ReadBytes(folder / (exeName.substr(0, exeName.rfind('.')) + "_manifest.res"));
  }
};

const char kFormProject[] =
    "Type=Exe\r\n"
    "Form=frmMain.frm\r\n"
    "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\Windows\\SysWOW64\\"
    "stdole2.tlb#OLE Automation\r\n"
    "IconForm=\"frmMain\"\r\n"
    "Startup=\"frmMain\"\r\n"
    "ExeName32=\"Ledger.exe\"\r\n"
    "Name=\"Ledger\"\r\n"
    "MajorVer=2\r\nMinorVer=5\r\nRevisionVer=17\r\n"
    "VersionFileDescription=\"Household ledger\"\r\n"
    "\r\n"
    "[MS Transaction Server]\r\n"
    "AutoRefresh=1\r\n";

const char kFormMain[] =
    "VERSION 5.00\r\nBegin VB.Form frmMain\r\n   Caption = \"Ledger\"\r\nEnd\r\n"
    "Attribute VB_Name = \"frmMain\"\r\n";
const char kForm1[] =
    "VERSION 5.00\r\nBegin VB.Form Form1\r\nEnd\r\nAttribute VB_Name = \"Form1\"\r\n";

/// The list of changes in a run's output, without its backups and closing line.
std::string ChangeList(const std::string& out) {
  std::string list;
  for (std::size_t begin = 0, end; begin < out.size(); begin = end + 1) {
    end = std::min(out.find('\n', begin), out.size());
    const std::string line = out.substr(begin, end - begin);
    if (line.rfind("backup: ", 0) != 0 && line.rfind("Next: ", 0) != 0 &&
        line.rfind("dry run", 0) != 0)
      list += line + "\n";
  }
  return list;
}

// Written by git on Linux: LF. A title in code page 1252, a module below a folder spelt in
// another case, a .res of its own.
const char kSubMainProject[] = "Type=Exe\n"
                               "Module=Main; Src\\modMain.bas\n"
                               "Form=frmA.frm\n"
                               "ResFile32=\"res\\app.res\"\n"
                               "Startup=\"Sub Main\"\n"
                               "Name=\"Zwei\"\n"
                               "Title=\"Zw\xe4i\"\n";
const char kSubMainModule[] =
    "Attribute VB_Name = \"Main\"\nOption Explicit\n\nPublic Sub Main()\n  frmA.Show\nEnd Sub\n";

/// A .res holding one manifest, ID 1 in US English, as a compiler writes it.
std::string ResWithManifest(const std::string& manifest) {
  const auto u32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  std::string res = u32(0) + u32(32) + u32(0xFFFF) + u32(0xFFFF) + std::string(16, '\0');
  res += u32(static_cast<std::uint32_t>(manifest.size())) + u32(32) + u32(0x18FFFF) + u32(0x1FFFF) +
         u32(0) + u32(0x04090030) + u32(0) + u32(0) + manifest;
  return res + std::string((4 - res.size() % 4) % 4, '\0');
}

} // namespace

TEST_F(ProjectTest, SetsUpAProjectOnceAndLeavesItOnTheSecondRun) {
  const std::string ownRes =
      ReadBytes(testsupport::SourceFile("tests/project/fixtures/project.windres.res"));
  struct Row {
    const char* name;
    Tree before;
    const char* project;
    Tree changed; ///< what differs from before afterwards, backups included
  };
  const std::string ledgerRes = ProgramRes("Ledger.exe", "2.5.0.17", "Household ledger");
  const std::string zweiRes = ProgramRes("Zwei.exe", "1.0.0.0", "Zw\xe4i");
  std::string form = Golden("modThemefold.bas");
  form.replace(form.find("'frmMain.Show (etc..)"), 21, "frmMain.Show");
  std::string submain = kSubMainModule;
  submain.insert(submain.find("  frmA"),
                 "  If Not InitCommonControlsVB Then MsgBox \"Initialization error!\", "
                 "vbCritical: End\n");
  std::string project = kFormProject;
  project.insert(project.find("IconForm"),
                 "Module=modThemefold; modThemefold.bas\r\nResFile32=\"Ledger_manifest.res\"\r\n");
  project.replace(project.find("\"frmMain\"\r\nExe"), 9, "\"Sub Main\"");
  std::string listed = kSubMainProject;
  listed.insert(listed.find("Form="), "Module=modThemefold; modThemefold.bas\n");
  const std::string bom = "\xEF\xBB\xBF";
  // Listed already with its form commented out, the form named in '!' quotes.
  std::string listedForm = kFormProject;
  listedForm.insert(listedForm.find("IconForm"), "Module=modThemefold; modThemefold.bas\r\n");
  listedForm.replace(listedForm.find("\"frmMain\"\r\nExe"), 9, "!frmMain!");
  // Its program named without an extension, which Visual Basic builds as Ledger.exe.
  std::string bare = kFormProject;
  bare.replace(bare.find("Ledger.exe"), 10, "Ledger");
  std::string bareAfter = project;
  bareAfter.replace(bareAfter.find("Ledger.exe"), 10, "Ledger");
  // A Sub Main whose header is continued onto the next line.
  const std::string continued =
      "Attribute VB_Name = \"Main\"\nPublic Sub _\n  Main()\n  frmA.Show\nEnd Sub\n";
  std::string continuedAfter = continued;
  continuedAfter.insert(continuedAfter.find("  frmA"),
                        "  If Not InitCommonControlsVB Then MsgBox "
                        "\"Initialization error!\", vbCritical: End\n");
  const Row shapes[] = {
      // Was: _manifest.res, its manifest naming the program "Ledger".
      {"its program named without an extension",
       {{"Ledger.vbp", bare}, {"frmMain.frm", kFormMain}},
       "Ledger.vbp",
       {{"Ledger.vbp", bareAfter},
        {"Ledger.vbp.bak", bare},
        {"Ledger_manifest.res", ledgerRes},
        {"modThemefold.bas", form}}},
      // Was: refused, "...Zwei.vbp" starts in Sub Main, but none of the modules it lists holds
      // a Sub Main.
      {"its Sub Main's header continued onto the next line",
       {{"Zwei.vbp", kSubMainProject}, {"src/modMain.bas", continued}, {"res/app.res", ownRes}},
       "Zwei.vbp",
       {{"Zwei.vbp", listed},
        {"Zwei.vbp.bak", kSubMainProject},
        {"src/modMain.bas", continuedAfter},
        {"src/modMain.bas.bak", continued},
        {"res/app.res", ownRes + zweiRes.substr(32)},
        {"res/app.res.bak", ownRes},
        {"modThemefold.bas", Golden("modThemefold-submain.bas")}}},
  };
  // clang-format off
  const Row rows[] = {
      // Was refused: "...Ledger.vbp" is a project without a Type line: only Standard EXE...
      {"a UTF-8 byte order mark first, kept",
       {{"Ledger.vbp", bom + kFormProject}, {"frmMain.frm", kFormMain}},
       "Ledger.vbp",
       {{"Ledger.vbp", bom + project},
        {"Ledger.vbp.bak", bom + kFormProject},
        {"Ledger_manifest.res", ledgerRes},
        {"modThemefold.bas", form}}},
      {"starts in a form, no resource file, CR LF",
       {{"Ledger.vbp", kFormProject}, {"frmMain.frm", kFormMain}},
       "Ledger.vbp",
       {{"Ledger.vbp", project},
        {"Ledger.vbp.bak", kFormProject},
        {"Ledger_manifest.res", ledgerRes},
        {"modThemefold.bas", form}}},
      {"lists the module, whose Sub Main does not show the form yet",
       {{"Ledger.vbp", listedForm},
        {"frmMain.frm", kFormMain},
        {"modThemefold.bas", Golden("modThemefold.bas")}},
       "Ledger.vbp",
       {{"Ledger.vbp", project},
        {"Ledger.vbp.bak", listedForm},
        {"Ledger_manifest.res", ledgerRes},
        {"modThemefold.bas", form},
        {"modThemefold.bas.bak", Golden("modThemefold.bas")}}},
      {"starts in Sub Main, its own .res, LF, case differs on disk",
       {{"Zwei.vbp", kSubMainProject}, {"src/modMain.bas", kSubMainModule}, {"res/app.res", ownRes}},
       "Zwei.vbp",
       {{"Zwei.vbp", listed},
        {"Zwei.vbp.bak", kSubMainProject},
        {"src/modMain.bas", submain},
        {"src/modMain.bas.bak", kSubMainModule},
        {"res/app.res", ownRes + zweiRes.substr(32)},
        {"res/app.res.bak", ownRes},
        {"modThemefold.bas", Golden("modThemefold-submain.bas")}}},
  };
  // clang-format on
  std::vector<Row> all(std::begin(rows), std::end(rows));
  all.insert(all.end(), std::begin(shapes), std::end(shapes));
  for (const Row& row : all) {
    SCOPED_TRACE(row.name);
    const fs::path folder = dir_ / "p";
    fs::remove_all(folder);
    Make(folder, row.before);
    const std::string vbp = (folder / row.project).string();
    // A project only its owner may read: its successor and its backup stay so.
    [[maybe_unused]] const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
#ifndef _WIN32
    fs::permissions(vbp, ownerOnly);
#endif

    // A dry run lists what the real run after it changes, on the first run and the second.
    batchtest::Result dry = Batch({"--dry-run", vbp});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.out.find("dry run: nothing was changed"), std::string::npos);
    EXPECT_EQ(Read(folder), row.before);

    batchtest::Result result = Batch({vbp});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ChangeList(dry.out), ChangeList(result.out));
    Tree expected = row.before;
    for (const auto& [name, bytes] : row.changed)
      expected[name] = bytes;
    EXPECT_EQ(Read(folder), expected);
    EXPECT_NE(result.out.find("Next: open \"" + vbp + "\" in Visual Basic and rebuild it."),
              std::string::npos);
#ifndef _WIN32
    for (const std::string& kept : {vbp, vbp + ".bak"})
      EXPECT_EQ(fs::status(kept).permissions(), ownerOnly) << kept;
#endif

    dry = Batch({"--dry-run", vbp});
    EXPECT_EQ(Read(folder), expected);
    result = Batch({"--project", vbp});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Read(folder), expected);
    EXPECT_EQ(ChangeList(dry.out), ChangeList(result.out));
    EXPECT_EQ(result.out.find("backup"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(vbp + ": already set up"), std::string::npos) << result.out;
  }
}

TEST_F(ProjectTest, RefusedProjectsLeaveEveryFileAsItWas) {
  struct Row {
    const char* name;
    Tree before;
    std::string error; ///< in the error output; all of it when it starts with our name
    int code;
    std::vector<std::string> args = {};
    std::function<void(const fs::path&)> setup = {};
  };
  const fs::path folder = dir_ / "p";
  const std::string vbp = "themefold-batch: \"" + (folder / "App.vbp").string() + "\"";
  const std::string form1 = "Startup=\"Form1\"";
  const std::string names = vbp + " names the resource file \"App.res\", which is ";
  const std::string ownRes =
      ReadBytes(testsupport::SourceFile("tests/project/fixtures/project.windres.res"));
  const std::string nulRes = "Type=Exe\r\nForm=Form1.frm\r\nResFile32=\"App.res" +
                             std::string(1, '\0') + ".txt\"\r\nStartup=\"Form1\"\r\n";
  const std::string nulRefused =
      vbp + ", line 3: ResFile32 names \"App.res<NUL>.txt\", with a control character in it, "
            "which no file name may hold. Correct the line, and run again. Nothing was "
            "changed.\n";
  const Row faults[] = {
      // Was: exit 0, with a second Sub Main that does not compile.
      {"a Sub Main on one line beside a form start-up",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nModule=M; M.bas\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1},
        {"M.bas", "Attribute VB_Name = \"M\"\r\nSub Main(): Form1.Show: End Sub\r\n"}},
       "M.bas\" holds a Sub Main, but the project starts in Form1",
       2},
      // Was: exit 0, its manifest replaced by ours alone.
      {"its .res holds a manifest that is not well-formed",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nResFile32=\"App.res\"\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1},
        {"App.res", ResWithManifest("<assembly xmlns='urn:schemas-microsoft-com:asm.v1'>")}},
       "App.res\" holds a manifest that cannot be merged with the new one: it is not "
       "well-formed XML (line 1: 'assembly' is not closed). Nothing was changed.",
       2},
      // Was: exit 0, started in a Sub Main that shows no form.
      {"a project that starts in no form",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"(None)\"\r\n"}, {"Form1.frm", kForm1}},
       vbp + " starts in no form. Choose the form it starts in (or Sub Main) as the Startup "
             "Object in the project's properties, and run again. Nothing was changed.\n",
       2},
      // Was: exit 0, "App.res .txt: the manifest added"; without --dry-run the run never
      // ended.
      {"a NUL in ResFile32, a dry run",
       {{"App.vbp", nulRes}, {"Form1.frm", kForm1}, {"App.res", ownRes}},
       nulRefused,
       2,
       {"--dry-run"}},
      {"a NUL in ResFile32",
       {{"App.vbp", nulRes}, {"Form1.frm", kForm1}, {"App.res", ownRes}},
       nulRefused,
       2},
#ifndef _WIN32
      // Was: "...M.bas" cannot be read: not a plain file.
      {"a module that is a link",
       {{"App.vbp", "Type=Exe\r\nModule=M; M.bas\r\nStartup=\"Sub Main\"\r\n"},
        {"real.bas", "Attribute VB_Name = \"M\"\r\nSub Main()\r\nEnd Sub\r\n"}},
       "M.bas\" cannot be read: it is a link. Nothing was changed.",
       2,
       {},
       [](const fs::path& at) { fs::create_symlink("real.bas", at / "M.bas"); }},
#endif
  };
  const std::string versionError =
      "themefold-batch: error: Version info should be four numbers separated by dots, such as "
      "1.0.0.0. Windows will not start a program whose manifest has another version.\n";
  // clang-format off
  const Row rows[] = {
      {"an ActiveX DLL", {{"App.vbp", "Type=OleDll\r\nName=\"Lib\"\r\n"}},
       "App.vbp\" is an ActiveX DLL project: only Standard EXE projects are supported.",
       2},
      {"its resource file is missing",
       {{"App.vbp", "Type=Exe\r\nResFile32=\"gone.res\"\r\nStartup=\"Form1\"\r\n"}},
       "App.vbp\" names the resource file \"gone.res\", which does not exist.", 2},
      {"its resource file is not one",
       {{"App.vbp", "Type=Exe\r\nResFile32=\"App.res\"\r\nStartup=\"Form1\"\r\n"},
        {"App.res", "not a resource file at all, just text"}},
       "App.res\" is not a resource file: ", 2},
      {"Sub Main in no module",
       {{"App.vbp", "Type=Exe\r\nModule=M; M.bas\r\nStartup=\"Sub Main\"\r\n"},
        {"M.bas", "Attribute VB_Name = \"M\"\r\nSub Other()\r\nEnd Sub\r\n"}},
       "App.vbp\" starts in Sub Main, but none of the modules it lists holds a Sub Main.", 2},
      {"read-only",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"Form1\"\r\n"}, {"Form1.frm", kForm1}},
       "App.vbp\" is read-only.", 2},
      {"another project's module in the folder",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1},
        {"modThemefold.bas", "theirs"}},
       "modThemefold.bas\" exists with other text, and this project does not list it", 2},
      // Was: exit 0, though the missing module may hold a second Sub Main.
      {"a listed module that is missing",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nModule=M; gone.bas\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1}},
       "gone.bas\" cannot be read: it does not exist", 2},
      {"a Sub Main beside a form start-up",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nModule=M; M.bas\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1},
        {"M.bas", "Attribute VB_Name = \"M\"\r\nSub Main()\r\nEnd Sub\r\n"}},
       "M.bas\" holds a Sub Main, but the project starts in Form1", 2},
      // Was: exit 0, the manifest's version "banana".
      {"--check-version, a version that is not one",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\n" + form1 + "\r\n"}, {"Form1.frm", kForm1}},
       versionError + vbp + " was not set up with the version \"banana\". Nothing was changed.\n",
       2, {"--check-version", "--version-info", "banana"}},
      // Was: exit 0, the manifest's version "70000.0.0.0".
      {"--check-version, a version part over 65535 in the project",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nMajorVer=70000\r\n" + form1 + "\r\n"}, {"Form1.frm", kForm1}},
       versionError + vbp +
           " was not set up with the version \"70000.0.0.0\". Nothing was changed.\n",
       2, {"--check-version"}},
      // Was: ...App.vbp" is a project of Type Exe<CR>: only Standard EXE projects are supported.
      {"CR CR LF line ends", {{"App.vbp", "Type=Exe\r\r\n" + form1 + "\r\r\n"}},
       vbp + " has lines that end in CR CR LF: Visual Basic writes CR LF. Save it with CR LF "
             "line ends and run again. Nothing was changed.\n",
       2},
      // Was: ...App.vbp" is a project of Type Exe<CR>Startup="Form1"<CR>: only Standard EXE...
      {"CR line ends", {{"App.vbp", "Type=Exe\r" + form1 + "\r"}},
       vbp + " has lines that end in CR alone: Visual Basic writes CR LF. Save it with CR LF "
             "line ends and run again. Nothing was changed.\n",
       2},
      // Was, for each: ...names the resource file "App.res", which does not exist.
      {"its resource file is a folder",
       {{"App.vbp", "Type=Exe\r\nResFile32=\"App.res\"\r\n"}, {"App.res/x.res", "x"}},
       names + "a folder, not a file. Nothing was changed.\n", 2},
#ifndef _WIN32
      {"its resource file is a link",
       {{"App.vbp", "Type=Exe\r\nResFile32=\"App.res\"\r\n"}, {"real.res", "x"}}, names +
       "a link: nothing is written through links. Nothing was changed.\n", 2, {},
       [](const fs::path& at) { fs::create_symlink("real.res", at / "App.res"); }},
      {"its resource file is a pipe", {{"App.vbp", "Type=Exe\r\nResFile32=\"App.res\"\r\n"}},
       names + "a device or a pipe, not a file. Nothing was changed.\n", 2, {},
       [](const fs::path& at) { ::mkfifo((at / "App.res").c_str(), 0600); }},
#endif
      // Only a listed form's own name ever reaches the module's code.
      {"Startup is no form's name",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"Form1: Kill \"\"*.*\"\"\"\r\n"},
        {"Form1.frm", kForm1}},
       "App.vbp\" starts in \"Form1: Kill \"*.*\"\", which names none of the forms it lists.", 2},
      {"Startup names a form the project does not list",
       {{"App.vbp", "Type=Exe\r\nForm=Form1.frm\r\nStartup=\"Form2\"\r\n"},
        {"Form1.frm", kForm1},
        {"Form2.frm", "Begin VB.Form Form2\r\nEnd\r\nAttribute VB_Name = \"Form2\"\r\n"}},
       "App.vbp\" starts in \"Form2\", which names none of the forms it lists.", 2},
      {"ResFile32 given twice",
       {{"App.vbp", "Type=Exe\r\nResFile32=\"App.res\"\r\nResFile32=\"\"\r\n"}},
       "App.vbp\" gives ResFile32 more than once.", 2},
      {"the listed module shows another form",
       {{"App.vbp",
         "Type=Exe\r\nForm=Form1.frm\r\nModule=modThemefold; modThemefold.bas\r\nStartup=\"Form1\"\r\n"},
        {"Form1.frm", kForm1},
        {"modThemefold.bas", "Attribute VB_Name = \"modThemefold\"\r\nSub Main()\r\n    Form2.Show\r\n"
                             "End Sub\r\n"}},
       "modThemefold.bas\" is listed by the project, but its Sub Main does not show Form1, the "
       "form the project starts in.",
       2},
  };
  // clang-format on
  std::vector<Row> all(std::begin(rows), std::end(rows));
  all.insert(all.end(), std::begin(faults), std::end(faults));
  for (const Row& row : all) {
    SCOPED_TRACE(row.name);
    fs::remove_all(folder);
    Make(folder, row.before);
    if (row.setup)
      row.setup(folder);
    if (std::string(row.name) == "read-only")
      fs::permissions(folder / "App.vbp", fs::perms::owner_write, fs::perm_options::remove);
    const Tree before = Read(folder);
    std::vector<std::string> args = row.args;
    args.push_back((folder / "App.vbp").string());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, row.code);
    if (row.error.rfind("themefold-batch: ", 0) == 0)
      EXPECT_EQ(result.err, row.error);
    else
      EXPECT_NE(result.err.find(row.error), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Nothing was changed."), std::string::npos) << result.err;
    EXPECT_EQ(Read(folder), before);
    // Windows removes no read-only file with its folder.
    fs::permissions(folder / "App.vbp", fs::perms::owner_write, fs::perm_options::add);
  }
}

#ifndef _WIN32
// A journal that came with the folder, on the real disk: whatever it says, nothing outside
// the project changes, and no link, pipe or device is deleted or read through.
TEST_F(ProjectTest, AForgedJournalTouchesNothingOutsideTheProjectNorAnySpecialFile) {
  const fs::path outside = dir_ / "outside", project = dir_ / "p";
  const std::string secret = "the user's secret\n", victim = "the user's own\n";
  auto fp = [](const std::string& bytes) { return fingerprint::Of(bytes); };
  struct Row {
    const char* name;
    std::string journal; ///< its entries, after the header
    int code;
  };
  const Row rows[] = {
      {"a path that climbs out",
       "file ../outside/victim.txt\nbackup\nbefore -\nafter " + fp(victim) + "\n", 2},
      {"a full path",
       "file " + (outside / "victim.txt").string() + "\nbackup\nbefore -\nafter " + fp(victim) +
           "\n",
       2},
      {"a backup that links outside",
       "file App.vbp\nbackup App.vbp.bak\nbefore " + fp(secret) + "\nafter " + fp("Type=Exe\r\n") +
           "\nfile App.res\nbackup App.res.bak\nbefore " + fp("a") + "\nafter " + fp("b") + "\n",
       2},
      {"new files that are a link, a pipe and a device",
       "file a_manifest.res\nbackup\nbefore -\nafter " + fp(victim) +
           "\nfile modThemefold.bas\nbackup\nbefore -\nafter " + fp("") +
           "\nfile b_manifest.res\nbackup\nbefore -\nafter " + fp("") + "\n",
       2},
  };
  auto state = [](const fs::path& folder) {
    std::map<std::string, std::string> seen;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      struct stat st {};
      ::lstat(entry.path().c_str(), &st);
      std::string what = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino);
      if (entry.is_symlink())
        what += " -> " + fs::read_symlink(entry.path()).string();
      else if (entry.is_regular_file())
        what += " " + ReadBytes(entry.path());
      seen[entry.path().lexically_relative(folder).string()] = what;
    }
    return seen;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(outside);
    fs::remove_all(project);
    Make(outside, {{"victim.txt", victim}, {"secret", secret}});
    fs::permissions(outside / "secret", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("victim.txt", outside / "link");
    ::mkfifo((outside / "pipe").c_str(), 0600);
    Make(project,
         {{"App.vbp", "Type=Exe\r\n"},
          {"App.vbp.themefold-run", "themefold project run 2\nprocess 1 x\n" + row.journal}});
    fs::create_symlink("../outside/secret", project / "App.vbp.bak");
    fs::create_symlink("../outside/victim.txt", project / "a_manifest.res");
    ::mkfifo((project / "modThemefold.bas").c_str(), 0600);
    const bool device =
        ::mknod((project / "b_manifest.res").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    const auto outsideBefore = state(outside);
    auto projectBefore = state(project);
    const batchtest::Result result = Batch({(project / "App.vbp").string()});
    EXPECT_EQ(result.exitCode, row.code) << result.err;
    EXPECT_EQ(state(outside), outsideBefore);
    auto projectAfter = state(project);
    // Only the journal may go, once it was undone as far as it could be.
    projectBefore.erase("App.vbp.themefold-run");
    projectAfter.erase("App.vbp.themefold-run");
    EXPECT_EQ(projectAfter, projectBefore) << result.err;
    EXPECT_TRUE(!device || fs::is_character_file(project / "b_manifest.res"));
  }
}

// A project from Windows names its files in its ANSI code page, where a checkout on Linux
// names them in UTF-8; its title goes into the manifest read in the same code page.
TEST_F(ProjectTest, NamesAndTitlesInTheProjectsCodePage) {
  std::string checked = kSubMainModule;
  checked.insert(checked.find("  frmA"),
                 "  If Not InitCommonControlsVB Then MsgBox \"Initialization error!\", "
                 "vbCritical: End\n");
  const std::string cyrillic = "Type=Exe\nModule=Main; \xCC\xEE\xE4\xF3\xEB\xFC.bas\n"
                               "Startup=\"Sub Main\"\nName=\"Dva\"\n"
                               "Title=\"\xCF\xF0\xE8\xE2\xE5\xF2\"\n";
  const std::string cyrillicFile = "\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBB\xD1\x8C.bas";
  struct Row {
    const char* name;
    std::vector<std::string> options;
    std::string project;
    std::string moduleFile; ///< as the checkout names it
    const char* exeName;
    std::string description; ///< UTF-8; "" when the project is refused
  };
  // clang-format off
  const Row rows[] = {
      {"1252 unless told, a folder in another case", {},
       "Type=Exe\nModule=Main; Src\\c\xF3" "digos.BAS\nStartup=\"Sub Main\"\nName=\"Uno\"\n"
       "Title=\"Zw\xE4i\"\n",
       "src/C\xC3\xB3" "DIGOS.bas", "Uno.exe", "Zw\xC3\xA4i"},
      {"1251 named", {"--project-code-page", "1251"}, cyrillic, cyrillicFile, "Dva.exe",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"1251 not named", {}, cyrillic, cyrillicFile, "Dva.exe", ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path folder = dir_ / "p";
    fs::remove_all(folder);
    const Tree before = {{"App.vbp", row.project}, {row.moduleFile, kSubMainModule}};
    Make(folder, before);
    std::vector<std::string> args = row.options;
    args.push_back((folder / "App.vbp").string());
    const batchtest::Result result = Batch(args);
    if (row.description.empty()) {
      EXPECT_EQ(result.exitCode, 2);
      EXPECT_EQ(result.err, "themefold-batch: \"" + (folder / "").string() +
                                "\xCC\xEE\xE4\xF3\xEB\xFC.bas\" cannot be read: it does not exist "
                                "as its bytes or in code page 1252; --project-code-page names the "
                                "one the project was written in: 1250, 1251, 1252, 1253, 1254, "
                                "1255, 1256, 1257. Nothing was changed.\n");
      EXPECT_EQ(Read(folder), before);
      continue;
    }
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const Tree after = Read(folder);
    ASSERT_EQ(after.count(row.moduleFile), 1u);
    EXPECT_EQ(after.at(row.moduleFile), checked);
    const std::string exe = row.exeName;
    const std::string res = exe.substr(0, exe.rfind('.')) + "_manifest.res";
    ASSERT_EQ(after.count(res), 1u);
    EXPECT_EQ(after.at(res), ProgramRes(row.exeName, "1.0.0.0", row.description));
  }
}
#endif

// A project whose .res holds a manifest keeps all it says, the report naming each change.
// Was: Common Controls 6 alone, reported as "the manifest replaced".
TEST_F(ProjectTest, KeepsWhatTheManifestInItsResSays) {
  const std::string own =
      "<assembly xmlns='urn:schemas-microsoft-com:asm.v1' manifestVersion='1.0'>"
      "<assemblyIdentity name='Ledger.exe' version='2.5.0.17' type='win32'/>"
      "<dependency><dependentAssembly><assemblyIdentity type='win32' name='Microsoft.VC90.CRT' "
      "version='9.0.21022.8' processorArchitecture='x86' publicKeyToken='1fc8b3b9a1e18e3b'/>"
      "</dependentAssembly></dependency>"
      "<file name='Calc.dll'><comClass clsid='{11111111-2222-3333-4444-555555555555}'/></file>"
      "<trustInfo xmlns='urn:schemas-microsoft-com:asm.v3'><security><requestedPrivileges>"
      "<requestedExecutionLevel level='requireAdministrator'/></requestedPrivileges>"
      "</security></trustInfo></assembly>";
  std::string vbp = kFormProject;
  vbp.insert(vbp.find("IconForm"), "ResFile32=\"app.res\"\r\n");
  Make(dir_, {{"Ledger.vbp", vbp}, {"frmMain.frm", kFormMain}, {"app.res", ResWithManifest(own)}});
  const batchtest::Result result = Batch({(dir_ / "Ledger.vbp").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("app.res: the manifest merged with the one it held (description: none "
                            "-> Household ledger; dependency Microsoft.Windows.Common-Controls: "
                            "none -> 6.0.0.0)\n"),
            std::string::npos)
      << result.out;
  const std::string res = ReadBytes(dir_ / "app.res");
  for (const char* kept : {"Microsoft.VC90.CRT", "<file name='Calc.dll'>", "requireAdministrator",
                           "Microsoft.Windows.Common-Controls"})
    EXPECT_NE(res.find(kept), std::string::npos) << kept;
  const batchtest::Result again = Batch({(dir_ / "Ledger.vbp").string()});
  EXPECT_NE(again.out.find("app.res: already set up"), std::string::npos) << again.out;
}
