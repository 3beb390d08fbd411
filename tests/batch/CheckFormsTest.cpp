// themefold-batch --check-forms on a project copied from the form fixtures: the exact lines,
// the exit codes, and a project that cannot be read.
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>

#include "batch/Runner.h"

namespace fs = std::filesystem;

namespace {

class CheckFormsTest : public testsupport::TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::copy(testsupport::SourceFile("tests/readers/fixtures/forms"), dir_,
             fs::copy_options::recursive);
  }
  /// The project named relative to the folder, as a build script in it would.
  batchtest::Result Check(const std::string& project,
                          const std::vector<std::string>& options = {}) {
    batchtest::Launch launch;
    launch.program = batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM);
    launch.args = {"--check-forms", project};
    launch.args.insert(launch.args.end(), options.begin(), options.end());
    launch.folder = dir_.string();
    launch.environment = {{"XDG_CONFIG_HOME", Path()}};
    batchtest::Result result = batchtest::RunProgram(launch);
    for (std::string* text : {&result.out, &result.err}) {
      text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
      std::replace(text->begin(), text->end(), '\\', '/');
    }
    return result;
  }
};

} // namespace

TEST_F(CheckFormsTest, FindingsExitCodesAndAnUnreadableProject) {
  testsupport::WriteBytes(dir_ / "Clean.vbp",
                          "Type=Exe\r\nForm=frmClean.frm\r\nUserControl=ucClean.ctl\r\n"
                          "UserControl=ucGone.ctl\r\nStartup=\"Sub Main\"\r\n");
  testsupport::WriteBytes(dir_ / "ucClean.ctl", "Begin VB.UserControl ucClean\r\nEnd\r\n");
  testsupport::WriteBytes(dir_ / "frmClean.frm",
                          "VERSION 5.00\r\nBegin VB.Form frmClean\r\n   Begin VB.Frame fra\r\n"
                          "      Begin VB.PictureBox pic\r\n         Begin VB.CommandButton cmd\r\n"
                          "         End\r\n      End\r\n   End\r\nEnd\r\n");
  struct Row {
    const char* project;
    int exitCode;
    std::string out;
    std::string err;
  };
  // Was: frmClean.frm checked, the name read up to its NUL.
  testsupport::WriteBytes(dir_ / "Cut.vbp",
                          std::string("Type=Exe\r\nForm=frmClean.frm\0.txt\r\n", 34));
#ifndef _WIN32
  testsupport::WriteBytes(dir_ / "Link.vbp", "Type=Exe\r\nForm=link.frm\r\n");
  fs::create_symlink("frmClean.frm", dir_ / "link.frm");
#endif
  const Row names[] = {
      {"Cut.vbp", 2, "",
       "themefold-batch: \"Cut.vbp\", line 2: Form names \"frmClean.frm<NUL>.txt\", with a "
       "control character in it, which no file name may hold. Correct the line, and run "
       "again.\n"},
#ifndef _WIN32
      // Was: "cannot be read (not a plain file)".
      {"Link.vbp", 7,
       "Link.vbp:2: link.frm: cannot be read (it is a link), so it was not checked: correct the "
       "Form= line\nchecked 0 files: 1 finding\n",
       ""},
#endif
  };
  // clang-format off
  const Row rows[] = {
      {"Options.vbp", 7, testsupport::Golden("check-forms.txt"), ""},
      // A user control that cannot be read is a finding; one in a project that starts in
      // Sub Main crashes nothing.
      {"Clean.vbp", 7,
       "Clean.vbp:4: ucGone.ctl: cannot be read (it does not exist), so it was not checked: "
       "correct the UserControl= line\nchecked 2 files: 1 finding\n", ""},
      {"Missing.vbp", 2, "",
       "themefold-batch: \"Missing.vbp\" cannot be read: it does not exist.\n"},
  };
  // clang-format on
  std::vector<Row> all(std::begin(rows), std::end(rows));
  all.insert(all.end(), std::begin(names), std::end(names));
  for (const Row& row : all) {
    SCOPED_TRACE(row.project);
    const batchtest::Result result = Check(row.project);
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, row.err);
  }
  testsupport::WriteBytes(dir_ / "Clean.vbp", "Type=Exe\r\nForm=frmClean.frm\r\n");
  const batchtest::Result clean = Check("Clean.vbp");
  EXPECT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.out, "checked 1 file: nothing that themes break\n");
}

#ifndef _WIN32
// A project from Windows names its files in any case; the finding names the file on disk.
// A file listed again, in another spelling, is checked once.
TEST_F(CheckFormsTest, AFileInAnotherCaseIsFoundFromARelativeProject) {
  testsupport::WriteBytes(dir_ / "Case.vbp", "Type=Exe\nForm=FORMS\\russian.FRM\n");
  const batchtest::Result result = Check("Case.vbp");
  EXPECT_EQ(result.exitCode, 7);
  EXPECT_EQ(result.out.substr(0, result.out.find(':')), "Forms/Russian.frm");
  testsupport::WriteBytes(dir_ / "Twice.vbp",
                          "Type=Exe\nForm=FORMS\\russian.FRM\nForm=Forms/Russian.frm\n");
  EXPECT_EQ(Check("Twice.vbp").out, result.out);
}
#endif

// With --code-page utf-8, each line of a form, user control, module or class holding text
// outside ASCII is a finding, read in the project's code page; comments are not, nor is
// anything without the option.
TEST_F(CheckFormsTest, TextsTheUtf8CodePageGarbles) {
  testsupport::WriteBytes(dir_ / "Texts.vbp",
                          "Type=Exe\r\nForm=frmSize.frm\r\nUserControl=ucSize.ctl\r\n"
                          "Module=modSize; modSize.bas\r\nClass=Size; Size.cls\r\n"
                          "Startup=\"Sub Main\"\r\n");
  testsupport::WriteBytes(dir_ / "frmSize.frm",
                          "Begin VB.Form frmSize\r\n   Caption         =   \"Gr\xF6\xDF"
                          "e\"\r\n   ' Gr\xF6\xDF"
                          "e\r\nEnd\r\n");
  testsupport::WriteBytes(dir_ / "ucSize.ctl",
                          "Begin VB.UserControl ucSize\r\n   Begin VB.Label "
                          "lbl\r\n      Caption = \"Ma\xDF\"\r\n   End\r\nEnd\r\n");
  testsupport::WriteBytes(dir_ / "modSize.bas",
                          "Sub Main()\n  MsgBox \"\xC4rger\" ' \xFC\nRem \xFC\n"
                          "  s = \"It's \"\"\xDF\"\"\"\nEnd Sub\n");
  testsupport::WriteBytes(dir_ / "Size.cls", "Const A = \"\xC0\"\n");
  std::string many = "Type=Exe\nModule=modMany; modMany.bas\n";
  std::string manyModule;
  for (int i = 1; i <= 12; ++i)
    manyModule += "s = \"\xE9" + std::to_string(i) + "\"\n";
  testsupport::WriteBytes(dir_ / "Many.vbp", many);
  testsupport::WriteBytes(dir_ / "modMany.bas", manyModule);
  testsupport::WriteBytes(dir_ / "Russian.vbp", "Type=Exe\nForm=Forms\\Russian.frm\n");
  testsupport::WriteBytes(dir_ / "Clean.vbp", "Type=Exe\r\nForm=frmClean.frm\r\n");
  testsupport::WriteBytes(dir_ / "frmClean.frm", "Begin VB.Form frmClean\r\nEnd\r\n");
  const std::string garbled =
      ": outside ASCII, so garbled with the UTF-8 code page, which Visual Basic converts every "
      "caption, text and string through: keep the system's code page, or this text in ASCII\n";
  std::string manyOut;
  for (int i = 1; i <= 10; ++i)
    manyOut +=
        "modMany.bas:" + std::to_string(i) + ": s = \"é" + std::to_string(i) + "\"" + garbled;
  struct Row {
    const char* project;
    std::vector<std::string> options;
    int exitCode;
    std::string out;
  };
  const std::vector<std::string> utf8 = {"--code-page", "utf-8"};
  // clang-format off
  const Row rows[] = {
      {"Texts.vbp", utf8, 7,
       "frmSize.frm:2: Caption = \"Größe\"" + garbled +
       "ucSize.ctl:3: Caption = \"Maß\"" + garbled +
       "modSize.bas:2: MsgBox \"Ärger\"" + garbled +
       "modSize.bas:4: s = \"It's \"\"ß\"\"\"" + garbled +
       "Size.cls:1: Const A = \"À\"" + garbled +
       "checked 4 files: 5 findings\n"},
      {"Texts.vbp", {"--code-page", "legacy"}, 0, "checked 2 files: nothing that themes break\n"},
      {"Texts.vbp", {}, 0, "checked 2 files: nothing that themes break\n"},
      {"Clean.vbp", utf8, 0, "checked 1 file: nothing that themes break\n"},
      {"Many.vbp", utf8, 7,
       manyOut + "... and 2 more lines with texts outside ASCII, garbled the same way\n"
       "checked 1 file: 11 findings\n"},
      {"Russian.vbp", {"--code-page", "utf-8", "--project-code-page", "1251"}, 7,
       "Forms/Russian.frm:8: cmdSchlie\xDF" "en: black background once themed, as it sits "
       "directly in the frame fraMain: put a PictureBox inside the frame as its container\n"
       "Forms/Russian.frm:3: Caption = \"Настройки\"" + garbled +
       "Forms/Russian.frm:6: Caption = \"Настройки \"\"1\"\"\"" + garbled +
       "Forms/Russian.frm:8: Begin VB.CommandButton cmdSchlieЯen" + garbled +
       "Forms/Russian.frm:9: Caption = \"Готово\"" + garbled +
       "Forms/Russian.frm:13: Caption = \"Готово\"" + garbled +
       "checked 1 file: 6 findings\n"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.project) + " " + std::to_string(row.options.size()));
    const batchtest::Result result = Check(row.project, row.options);
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, "");
  }
}
