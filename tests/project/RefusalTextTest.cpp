// The words of each refusal whose text no run of a test shows: its code and facts, and the
// message byte for byte.
#include "support/TestSupport.h"

#include "project/ProjectTexts.h"
#include "readers/ReaderTexts.h"

namespace {

using project::Problem;

struct Row {
  project::Refusal refusal;
  const char* text;
};

const std::string kNone = " Nothing was changed.";

} // namespace

TEST(RefusalTextTest, EachCodeWithItsFactsReadsAsBefore) {
  const Row rows[] = {
      {project::Refusal(Problem::RepeatedKey, {"C:\\P\\App.vbp", "Startup"}),
       "\"C:\\P\\App.vbp\" gives Startup more than once. Keep the line Visual Basic should use, "
       "and run again."},
      {project::Refusal(Problem::NoResFile, {"P.vbp", "R.res", "device", ""}),
       "\"P.vbp\" names the resource file \"R.res\", which is a device or a pipe, not a file."},
      {project::Refusal(Problem::NoResFile, {"P.vbp", "R.res", "", "1252"}),
       "\"P.vbp\" names the resource file \"R.res\", which does not exist as its bytes or in "
       "code page 1252; --project-code-page names the one the project was written in: 1250, "
       "1251, 1252, 1253, 1254, 1255, 1256, 1257."},
      {project::Refusal(Problem::SubMainNotStarted, {"M.bas", ""}),
       "\"M.bas\" holds a Sub Main, but the project starts in no form: a second Sub Main would "
       "not compile. Start the project in Sub Main, or remove it, and run again."},
      {project::Refusal(Problem::ModuleInTheWay, {"T.bas"}),
       "\"T.bas\" exists with other text, and this project does not list it: another project in "
       "the folder may use it. Move it away, or list it in this project, and run again."},
      {project::Refusal(Problem::ListedModuleWithoutSubMain, {"T.bas"}),
       "\"T.bas\" is listed by the project but holds no Sub Main to start in. Remove it from the "
       "project, move it away, and run again."},
      {project::Refusal(Problem::SubMainOnItsHeaderLine, {"M.bas", "12"}),
       "\"M.bas\", line 12: Sub Main has statements on the line of its header, where the check "
       "of the common controls cannot be put first safely. Put them on lines of their own below "
       "the header, and run again."},
      {project::Refusal(
           Problem::ManifestNotMerged,
           project::Wrapping({"A.res"}, readers::MergeRefusal(readers::MergeProblem::TooLarge,
                                                              {"2000000", "1048576"}))),
       "\"A.res\" holds a manifest that cannot be merged with the new one: it is 2000000 bytes; "
       "at most 1048576 are read."},
      {project::Refusal(
           Problem::ResNotMerged,
           project::Wrapping({"A.res"}, project::Refusal(Problem::CompiledResWithoutManifest))),
       "\"A.res\" is not a resource file: the compiled manifest holds no manifest entry."},
      {project::Refusal(Problem::CompilerOutputNotRes, {"rc.exe", "too short"}),
       "The resource compiler \"rc.exe\" wrote no resource file holding the manifest (resource "
       "type 24, ID 1): too short."},
      {project::Refusal(Problem::LineBreakInName, {"A\nB"}),
       "\"A\nB\": a line break in a name is not supported."},
      {project::Refusal(Problem::OutsideProject, {"D:\\M.bas"}),
       "\"D:\\M.bas\" lies outside the project's folder, and a project sets up only files in its "
       "own folder. Move it into the folder, list it from there, and run again."},
      {project::Refusal(Problem::LinkInTheWay, {"L"}),
       "\"L\" is a link, and a file is to be written there."},
      {project::Refusal(Problem::FolderInTheWay, {"F"}),
       "\"F\" is a folder, and a file is to be written there."},
      {project::Refusal(Problem::NotAPlainFileInTheWay, {"N"}),
       "\"N\" is not a plain file, and a file is to be written there."},
      {project::Refusal(Problem::FolderNotWritable, {"C:\\P\\", "access denied"}),
       "No file can be written in \"C:\\P\\\": access denied."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(project::texts::Words(row.refusal), row.text + kNone);
  }
  // What failed while the plan was carried out and the compiler's run: as they are.
  const Row failures[] = {
      {project::Refusal(Problem::NoBackupName, {"A.vbp"}),
       "\"A.vbp\": every backup name from .bak to .bak999 is taken; move old backups away"},
      {project::Refusal(Problem::AnotherRun, {"A.vbp", "0"}),
       "Another run is setting up \"A.vbp\". Run again when it has ended. Nothing was changed."},
      {project::Refusal(Problem::SystemFailure, {"disk full"}), "disk full"},
      {project::Refusal(Problem::ChangedWhileReplaced, {"A.vbp"}),
       "\"A.vbp\" changed while it was being replaced"},
      {project::Refusal(Problem::CompileFailed), "Error compiling file!"},
      {project::Refusal(Problem::CompilerNotStarted, {"not found"}),
       "Error compiling file! not found"},
  };
  for (const Row& row : failures) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(project::texts::Words(row.refusal), row.text);
  }
  EXPECT_EQ(project::texts::Words(std::nullopt), "");
  EXPECT_EQ(readers::texts::Words(readers::MergeRefusal(readers::MergeProblem::OutOfMemory)),
            "not enough memory to read it");
  EXPECT_EQ(
      readers::texts::Words(readers::InspectionRefusal(readers::InspectionProblem::OutOfMemory)),
      "not enough memory to read it");
}
