// Starting programs: the command line, the inherited current directory and environment,
// programs that cannot start, and the shell's open.
#include "support/TestSupport.h"

#include <chrono>
#include <thread>

#include <functional>

#include "platform/Platform.h"
#include "platform/Ports.h"
#include "platform/BraskModule.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char kHelper[] = "platform_report_helper.exe";
void SetVariable(const char* name, const char* value) { _putenv_s(name, value); }
#else
const char kHelper[] = "platform_report_helper";
void SetVariable(const char* name, const char* value) { setenv(name, value, 1); }
#endif

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

class ProcessesTest : public testsupport::TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    helper_ = brask::AppFolder() + kHelper;
    ASSERT_TRUE(fs::exists(helper_)) << helper_;
    SetVariable("THEMEFOLD_PROBE", "inherited value");
  }
  void TearDown() override {
    SetVariable("THEMEFOLD_PROBE", "");
    TempDirTest::TearDown();
  }
  /// The helper copied to a folder whose path has blanks.
  std::string HelperWithBlanks() {
    fs::create_directories(dir_ / "program files");
    const fs::path copy = dir_ / "program files" / (std::string("report ") + kHelper);
    fs::copy_file(helper_, copy);
    return copy.string();
  }
  /// The report the helper left in folder, line by line; empty when there is none.
  std::vector<std::string> Report(const fs::path& folder) {
    return Lines(testsupport::ReadBytes(folder / "report.txt"));
  }

  std::string helper_;
};

// The utility module's child runs in the current directory; the process port's in the
// folder it is given, and ours stays where it was.
TEST_F(ProcessesTest, ChildInheritsCurrentDirectoryAndEnvironment) {
  const std::string line = Quoted(HelperWithBlanks()) + " /r /fo \"out file.res\" plain";
  struct Way {
    const char* what;
    const char* folder;
    std::function<void()> run;
  };
  const Way rows[] = {
      {"the current directory", "work dir",
       [&] {
         ASSERT_TRUE(brask::FolderExists(Path("work dir")));
         brask::RunAndWait(line);
       }},
      {"the folder given", "other dir",
       [&] {
         ASSERT_TRUE(brask::FolderExists(Path()));
         platform::SystemProcesses().RunAndWait(line, Path("other dir"));
         EXPECT_TRUE(fs::equivalent(fs::current_path(), dir_));
       }},
  };
  for (const Way& row : rows) {
    SCOPED_TRACE(row.what);
    fs::create_directories(dir_ / row.folder);
    row.run();
    const auto report = Report(dir_ / row.folder);
    ASSERT_EQ(report.size(), 6u);
    EXPECT_TRUE(fs::equivalent(report[0], dir_ / row.folder));
    EXPECT_EQ(report[1], "inherited value");
    EXPECT_EQ(std::vector<std::string>(report.begin() + 2, report.end()),
              (std::vector<std::string>{"/r", "/fo", "out file.res", "plain"}));
  }
  // A folder that is not there: the start fails, as for a program that is not there.
  EXPECT_THROW(platform::SystemProcesses().RunAndWait(line, Path("no such dir")),
               base::SystemError);
  EXPECT_FALSE(fs::exists(dir_ / "no such dir"));
}

TEST_F(ProcessesTest, ProgramThatCannotStartSaysWhyAndLeavesNothing) {
  ASSERT_TRUE(brask::FolderExists(Path()));
  testsupport::WriteBytes(dir_ / "not a program.exe", "touch pwned\n");
#ifndef _WIN32
  ::chmod((dir_ / "not a program.exe").c_str(), 0755); // executable, but no valid format
#endif
  const std::string rows[] = {
      Quoted(Path("missing.exe")),
      Quoted(Path("missing folder") + "/prog") + " arg",
      Quoted(Path("not a program.exe")),
      "themefold-no-such-program-on-path",
      "",
      "   ",
  };
  for (const std::string& line : rows) {
    SCOPED_TRACE(line);
    try {
      brask::RunAndWait(line);
      ADD_FAILURE() << "started";
    } catch (const base::SystemError& error) {
      EXPECT_EQ(error.Operation(), "Start");
      EXPECT_NE(error.Number(), 0u);
      EXPECT_NE(error.Description(), "");
      EXPECT_EQ(error.Description().find("%1"), std::string::npos) << error.Description();
    }
#ifndef _WIN32
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1); // no child, not even a finished one
    EXPECT_EQ(errno, ECHILD);
#endif
  }
  // Nobody handed the file to a shell.
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
}

#ifndef _WIN32
TEST_F(ProcessesTest, ShellTextReachesTheChildVerbatimAndRunsNothing) {
  ASSERT_TRUE(brask::FolderExists(Path()));
  const std::string line =
      Quoted(helper_) +
      R"x( "$(touch pwned1)" "`touch pwned2`" "a; touch pwned3" "b & touch pwned4")x"
      R"x( "c | touch pwned5" d;touch\ pwned6 "e\"f" "g\\" $HOME >out)x";
  brask::RunAndWait(line);
  const auto report = Report(dir_);
  const std::vector<std::string> expected{"$(touch pwned1)",
                                          "`touch pwned2`",
                                          "a; touch pwned3",
                                          "b & touch pwned4",
                                          "c | touch pwned5",
                                          "d;touch\\",
                                          "pwned6",
                                          "e\"f",
                                          "g\\",
                                          "$HOME",
                                          ">out"};
  ASSERT_EQ(report.size(), expected.size() + 2);
  EXPECT_EQ(std::vector<std::string>(report.begin() + 2, report.end()), expected);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().rfind("pwned", 0), std::string::npos)
        << entry.path();
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(ProcessesTest, ShellOpenStartsTheOpenerDetached) {
  // A stand-in opener on PATH that reports what it was given.
  fs::create_directories(dir_ / "bin");
  fs::copy_file(helper_, dir_ / "bin" / "xdg-open");
  fs::create_directories(dir_ / "start here");
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir_ / "bin").c_str(), 1);
  const std::intptr_t status =
      brask::ShellOpen("https://example.org/a b?c=$(d)", Path("start here"), 0, "", "");
  const std::intptr_t badVerb = brask::ShellOpen("x", "", 0, "", "print");
  setenv("PATH", (dir_ / "empty").c_str(), 1);
  const std::intptr_t noOpener = brask::ShellOpen("x", "", 0, "", "open");
  setenv("PATH", savedPath.c_str(), 1);

  EXPECT_GT(status, 32);
  EXPECT_EQ(badVerb, 31);
  EXPECT_EQ(noOpener, 2);
  // Nobody waits for the opener, so its report comes when it comes.
  std::vector<std::string> report;
  for (int i = 0; i < 200 && report.size() < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    report = Report(dir_ / "start here");
  }
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report[2], "https://example.org/a b?c=$(d)");
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1); // reaped: no zombie of ours
}
#else
TEST_F(ProcessesTest, ShellOpenPassesParametersOnlyWhenThereAreSome) {
  const std::string program = HelperWithBlanks();
  const struct {
    const char* folder;
    const char* parameters;
    std::vector<std::string> arguments;
  } rows[] = {
      {"none", "", {}},
      {"some", "one \"two three\"", {"one", "two three"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder);
    fs::create_directories(dir_ / row.folder);
    EXPECT_GT(brask::ShellOpen(program, Path(row.folder), 0, row.parameters, ""), 32);
    std::vector<std::string> report;
    for (int i = 0; i < 200 && report.size() < 2 + row.arguments.size(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      report = Report(dir_ / row.folder);
    }
    ASSERT_GE(report.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(report.begin() + 2, report.end()), row.arguments);
  }
}
#endif

} // namespace

#ifndef _WIN32
// A killed run whose parent has not reaped it yet must not keep its files from the next run.
TEST_F(ProcessesTest, AnEndedProcessNotYetReapedRunsNoMore) {
  const pid_t child = fork();
  if (child == 0)
    _exit(0);
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500 && platform::ProcessRunning(static_cast<unsigned long>(child)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(platform::ProcessRunning(static_cast<unsigned long>(child)));
  EXPECT_TRUE(platform::ProcessRunning(static_cast<unsigned long>(getpid())));
  int status = 0;
  waitpid(child, &status, 0);
}
#endif

// The identity a journal records tells the process that wrote it from another that has its
// id later: it is the same for one process every time, another for another, none once ended.
TEST_F(ProcessesTest, AProcessIdentityIsItsOwnAndEndsWithIt) {
  const unsigned long self = platform::ProcessId();
  const std::string identity = platform::ProcessIdentity(self);
  EXPECT_FALSE(identity.empty());
  EXPECT_NE(identity, "running");
  EXPECT_EQ(platform::ProcessIdentity(self), identity);
  platform::SystemProcesses processes;
  // Ids no process has: the largest the systems hand out are far below.
  EXPECT_EQ(processes.ProcessIdentity(0x7FFFFFF0ul), "");
  EXPECT_EQ(processes.ProcessIdentity(0xFFFFFFFFul), "");
#ifndef _WIN32
  const pid_t child = fork();
  if (child == 0) {
    pause();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  const std::string other = platform::ProcessIdentity(static_cast<unsigned long>(child));
  EXPECT_FALSE(other.empty());
  EXPECT_NE(other, identity);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(platform::ProcessIdentity(static_cast<unsigned long>(child)), "");
#endif
}
