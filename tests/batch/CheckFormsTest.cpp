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
  for (const Row& row : rows) {
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
