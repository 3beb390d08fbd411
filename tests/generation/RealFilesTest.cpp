// The driver on real files through the real ports, in a temporary folder with a blank in its
// name; only the compiler is stood in for.
#include "support/FakeFiles.h"
#include "support/RealFiles.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>

#include "generation/Driver.h"
#include "generation/ModuleText.h"
#include "generation/Placeholders.h"
#include "platform/Stopping.h"
#include "platform/Platform.h"
#include "base/CommandLine.h"

namespace fs = std::filesystem;
using generation::Outcome;
using generation::Question;
using generation::Report;

namespace {

using testsupport::Golden;

class RealFilesTest : public testsupport::StandInTest {
protected:
  std::string Target() const { return (work / "App.exe").string(); }
  Outcome Generate() { return driver.Run({Target(), "1.0.0.0", "Fourteen chars"}, "rc.exe"); }
  void MakeReadOnly(const fs::path& path) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fakes::Conversation conversation;
  generation::Driver driver{files, conversation};
};

} // namespace

TEST_F(RealFilesTest, FullRunLeavesTheResAndTheModuleOnly) {
  EXPECT_EQ(Generate(), Outcome::Done);
  EXPECT_EQ(files.manifestSeen, Golden("App.exe.manifest"));
  EXPECT_TRUE(fs::equivalent(files.folderAtCompile, work)) << "the compiler runs in the folder";
  EXPECT_EQ(fs::current_path(), savedCwd_) << "a generation changes no current directory";
  EXPECT_EQ(platform::TemporaryOwner(files.manifestName), platform::ProcessId());
  EXPECT_EQ(files.scriptSeen, generation::ReplaceAll(Golden("App_manifest.rc"), "App.exe.manifest",
                                                     files.manifestName));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"App_manifest.res", "modThemefold.bas"}));
  EXPECT_EQ(testsupport::ReadBytes(work / "modThemefold.bas"), Golden("modThemefold.bas"));
  EXPECT_EQ(conversation.instructions,
            std::vector<std::string>{"Add App_manifest.res for App.exe."});
  EXPECT_TRUE(conversation.told.empty());
}

// The old .res is replaced only after OK; files of the user's that carry the names a
// generation once used for its temporary files are never touched.
TEST_F(RealFilesTest, ReadOnlyResGoesAfterOkAndUsersFilesAlwaysStay) {
  struct Row {
    const char* name;
    bool answer;
  };
  for (const Row& row : {Row{"OK", true}, Row{"Cancel", false}}) {
    SCOPED_TRACE(row.name);
    for (const char* name : {"App_manifest.res", "App.exe.manifest", "App_manifest.rc"}) {
      std::error_code absent;
      fs::permissions(work / name, fs::perms::owner_write, fs::perm_options::add, absent);
      testsupport::WriteBytes(work / name, "OLD");
      MakeReadOnly(work / name);
    }
    fs::remove(work / "modThemefold.bas");
    conversation.answers = {row.answer};
    Generate();
    EXPECT_EQ(testsupport::ReadBytes(work / "App_manifest.res"), row.answer ? "RES" : "OLD");
    EXPECT_EQ(testsupport::ReadBytes(work / "App.exe.manifest"), "OLD");
    EXPECT_EQ(testsupport::ReadBytes(work / "App_manifest.rc"), "OLD");
    std::vector<std::string> expected{"App.exe.manifest", "App_manifest.rc", "App_manifest.res"};
    if (row.answer)
      expected.push_back("modThemefold.bas");
    EXPECT_EQ(Listing(), expected);
  }
}

TEST_F(RealFilesTest, ModuleAnsweredNoStaysByteForByte) {
  const std::string mine = "Attribute VB_Name = \"modThemefold\"\r\n' mine\r\n";
  testsupport::WriteBytes(work / "modThemefold.bas", mine);
  conversation.answers = {false};
  EXPECT_EQ(Generate(), Outcome::Done);
  EXPECT_EQ(testsupport::ReadBytes(work / "modThemefold.bas"), mine);
  EXPECT_EQ(conversation.instructions.size(), 1u);
}

TEST_F(RealFilesTest, FailuresNameTheOperationAndPathAndDeleteNothingForeign) {
  // A folder holds the temporary manifest's name, however often a new one is drawn:
  // creating the file fails, for root too.
  files.fixedRandomBits = 0x1234;
  const std::string taken = platform::TemporaryStem(platform::ProcessId(), 0x1234) + ".manifest";
  fs::create_directories(work / taken);
  EXPECT_EQ(Generate(), Outcome::FileOperationFailed);
  ASSERT_EQ(conversation.told.size(), 1u);
  EXPECT_EQ(conversation.told[0], "Create \"" + (work / taken).string() +
                                      "\" failed:\r\na file of this name exists already\r\n"
                                      "Code 17");
  EXPECT_TRUE(fs::is_directory(work / taken));
  EXPECT_EQ(Listing(), std::vector<std::string>{taken});
  EXPECT_TRUE(files.commandLines.empty());
  files.fixedRandomBits = 0;

  // readme.txt missing: the results stay, the failure is told, nothing is shown.
  fs::remove(work / taken);
  fs::remove(dir_ / "readme.txt");
  conversation.told.clear();
  EXPECT_EQ(Generate(), Outcome::FileOperationFailed);
  ASSERT_EQ(conversation.told.size(), 1u);
  EXPECT_EQ(conversation.told[0].find("\"" + (dir_ / "readme.txt").string() + "\""),
            conversation.told[0].find('"'));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"App_manifest.res", "modThemefold.bas"}));
  EXPECT_TRUE(conversation.instructions.empty());
}

TEST_F(RealFilesTest, ModuleQuestionAskedFirstIsAskedOnce) {
  struct Row {
    const char* name;
    bool answer;
    Outcome outcome;
    bool rewritten;
  };
  // clang-format off
  const Row rows[] = {
      {"Yes: replaced after the compiler, no second question", true, Outcome::Done, true},
      {"No: nothing touched, not even the compiler run", false, Outcome::OverwriteDeclined,
       false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::WriteBytes(work / "modThemefold.bas", "mine\r\n");
    fs::remove(work / "App_manifest.res");
    files.commandLines.clear();
    fakes::Conversation answers;
    answers.answers = {row.answer};
    generation::DriverOptions options;
    options.moduleQuestionFirst = true;
    options.instructions = false;
    generation::Driver first(files, answers, options);
    EXPECT_EQ(first.Run({Target(), "1.0.0.0", "d"}, "rc.exe"), row.outcome);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].rfind("File\r\n\"", 0), 0u);
    EXPECT_EQ(files.commandLines.size(), row.rewritten ? 1u : 0u);
    EXPECT_EQ(testsupport::ReadBytes(work / "modThemefold.bas"),
              row.rewritten ? Golden("modThemefold.bas") : "mine\r\n");
  }
}
