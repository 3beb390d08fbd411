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
  batchtest::Result Check(const std::string& project) {
    batchtest::Launch launch;
    launch.program = batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM);
    launch.args = {"--check-forms", project};
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
