// The /fo path: replaced only by a finished compilation through a temporary file created
// exclusively beside it; never one of the compilation's inputs; devices written in place;
// pipes and other special files refused, as inputs too, without waiting on them.
#include "RcTestSupport.h"

#include "rc/Files.h"

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const std::regex kTemporaryShape(R"(out\.res\.~[0-9a-f]{16}\.tmp)");

class OutputTest : public testsupport::TempDirTest {
protected:
  struct Row {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files; // written before, removed after
    std::vector<std::string> args;
    std::string expected; // the whole diagnostic
    const char* kept;     // a file whose bytes must not change
  };

  // Compiles in the test folder as the current directory; the compilation must fail with
  // the message and leave kept and the rest of the folder as they were.
  void CheckRefused(const Row& row) {
    SCOPED_TRACE(row.name);
    std::filesystem::current_path(dir_);
    for (const auto& [name, bytes] : row.files)
      WriteBytes(dir_ / name, bytes);
    const std::string before = ReadBytes(dir_ / row.kept);
    rc::Result result = rctest::CompileArgs(row.args);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.diagnostics, row.expected + "\n");
    EXPECT_EQ(ReadBytes(dir_ / row.kept), before);
    ExpectNoTemporary();
    for (const auto& [name, bytes] : row.files)
      std::filesystem::remove(dir_ / name);
    std::filesystem::current_path(savedCwd_);
  }

  void ExpectNoTemporary() {
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
};

} // namespace

TEST_F(OutputTest, AnInputNamedAsTheOutputIsRefused) {
  const std::string script = "s.rc";
  const std::pair<const char*, std::string> plain = {"s.rc", "1 RCDATA { 1 }\n"};
  std::filesystem::create_directories(dir_ / "inc");
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  // clang-format off
  std::vector<Row> rows = {
      {"RCDATA file", {{"s.rc", "1 RCDATA \"data.bin\"\n"}, {"data.bin", "DATA"}},
       {"/fo", "data.bin", "s.rc"},
       "s.rc(1) : error RC1109: output 'data.bin' is also an input of this compilation", "data.bin"},
      {"ICON file", {{"s.rc", "1 ICON \"app.ico\"\n"}, {"app.ico", "not read"}},
       {"/fo", "app.ico", "s.rc"},
       "s.rc(1) : error RC1109: output 'app.ico' is also an input of this compilation", "app.ico"},
      {"manifest", {{"s.rc", "1 24 \"app.manifest\"\n"}, {"app.manifest", "<assembly/>"}},
       {"/fo", "app.manifest", "s.rc"},
       "s.rc(1) : error RC1109: output 'app.manifest' is also an input of this compilation",
       "app.manifest"},
      {"included header", {{"s.rc", "#include \"x.h\"\n1 RCDATA { X }\n"}, {"x.h", "#define X 1\n"}},
       {"/fo", "x.h", "s.rc"},
       "s.rc(1) : error RC1109: output 'x.h' is also an input of this compilation", "x.h"},
      {"header of a header, found through /i",
       {{"s.rc", "#include <a.h>\n"}, {"inc/a.h", "#include <b.h>\n"}, {"inc/b.h", "\n"}},
       {"/i", "inc", "/fo", "inc/b.h", "s.rc"},
       "inc" + separator + "a.h(1) : error RC1109: output 'inc/b.h' is also an input of this "
       "compilation", "inc/b.h"},
      {"the script", {plain}, {"/fo", "s.rc", "s.rc"},
       "rc : error RC1109: output 's.rc' is also an input of this compilation", "s.rc"},
      {"the script spelt otherwise", {plain}, {"/fo", "./s.rc", "s.rc"},
       "rc : error RC1109: output './s.rc' is also an input of this compilation", "s.rc"},
      {"the script by its full path", {plain}, {"/fo", Path("s.rc"), "s.rc"},
       "rc : error RC1109: output '" + Path("s.rc") + "' is also an input of this compilation",
       "s.rc"},
  };
  // clang-format on
  for (const auto& row : rows)
    CheckRefused(row);
#ifndef _WIN32
  WriteBytes(dir_ / script, plain.second);
  std::filesystem::create_hard_link(dir_ / script, dir_ / "hard.rc");
  std::filesystem::create_symlink(script, dir_ / "soft.rc");
  CheckRefused({"a hard link to the script",
                {},
                {"/fo", "hard.rc", "s.rc"},
                "rc : error RC1109: output 'hard.rc' is also an input of this compilation",
                "s.rc"});
  CheckRefused({"a symbolic link to the script",
                {},
                {"/fo", "soft.rc", "s.rc"},
                "rc : error RC1109: output 'soft.rc' is also an input of this compilation",
                "s.rc"});
#endif
  // In memory as on disk.
  rc::files::MemoryFileSystem memory;
  memory.files = {plain};
  rc::Result result = rc::Compile(rc::ParseCommandLine({"/fo", "./s.rc", "s.rc"}), memory);
  EXPECT_EQ(result.diagnostics,
            "rc : error RC1109: output './s.rc' is also an input of this compilation\n");
  EXPECT_TRUE(memory.files == decltype(memory.files){plain});
}

TEST_F(OutputTest, InputsLargerThanTheCapAreRefused) {
  WriteBytes(dir_ / "out.res", "old");
  WriteBytes(dir_ / "big.bin", "");
  std::filesystem::resize_file(dir_ / "big.bin", rc::files::kMaxInputSize + 1); // sparse
  CheckRefused({"RCDATA file",
                {{"s.rc", "\n1 RCDATA \"big.bin\"\n"}},
                {"/fo", "out.res", "s.rc"},
                "s.rc(2) : error RC2161: 'big.bin' is larger than 256 MiB",
                "out.res"});
}

namespace {

// A file system in memory that finds the first names it is given taken, and records the
// names and what the program is told.
class Crowded : public rc::files::MemoryFileSystem {
public:
  std::unique_ptr<rc::files::OutputFile> CreateNew(const std::string& path, bool& taken) override {
    tried.push_back(path);
    if (tried.size() <= takenCount) {
      taken = true;
      return nullptr;
    }
    return MemoryFileSystem::CreateNew(path, taken);
  }
  std::size_t takenCount = 0;
  std::vector<std::string> tried;
};

std::vector<std::string> told;
void Tell(const char* path) { told.push_back(path ? path : "(none)"); }

} // namespace

TEST(TemporaryOutputTest, FreshRandomNamesUntilOneIsFree) {
  const struct {
    std::size_t takenCount;
    bool ok;
    std::size_t tries;
  } rows[] = {{0, true, 1}, {3, true, 4}, {1000, false, 100}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.takenCount);
    Crowded fs;
    fs.takenCount = row.takenCount;
    fs.files["s.rc"] = "1 RCDATA { 1 }\n";
    fs.files["out.res"] = "old";
    rc::Options options = rc::ParseCommandLine({"/fo", "out.res", "s.rc"});
    options.temporaryFile = Tell;
    told.clear();
    rc::Result result = rc::Compile(options, fs);
    EXPECT_EQ(result.ok, row.ok);
    EXPECT_EQ(result.diagnostics, row.ok ? "" : "rc : error RC1109: cannot create 'out.res'\n");
    ASSERT_EQ(fs.tried.size(), row.tries);
    for (const auto& name : fs.tried) {
      EXPECT_TRUE(std::regex_match(name, kTemporaryShape)) << name;
      EXPECT_EQ(std::count(fs.tried.begin(), fs.tried.end(), name), 1) << name;
    }
    // The program hears of the file it may have to remove, and when it is gone.
    const std::vector<std::string> expectedTold = {fs.tried.back(), "(none)"};
    EXPECT_EQ(told, row.ok ? expectedTold : std::vector<std::string>{});
    EXPECT_EQ(fs.files.size(), 2u);
    EXPECT_EQ(fs.files["out.res"] == "old", !row.ok);
  }
}

#ifndef _WIN32
// Neither a file nor a link of the name is opened: both count as taken.
TEST_F(OutputTest, TemporaryIsCreatedExclusively) {
  WriteBytes(dir_ / "there", "someone's");
  std::filesystem::create_symlink(dir_ / "target", dir_ / "link");
  for (const char* name : {"there", "link"}) {
    SCOPED_TRACE(name);
    bool taken = false;
    EXPECT_EQ(rc::files::Disk().CreateNew(Path(name), taken), nullptr);
    EXPECT_TRUE(taken);
  }
  EXPECT_EQ(ReadBytes(dir_ / "there"), "someone's");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "target"));
}

// Devices, reached through links here so that no test ever touches /dev itself: written in
// place. Pipes: refused at once, whoever may be reading.
TEST_F(OutputTest, SpecialOutputs) {
  std::filesystem::current_path(dir_);
  WriteBytes(dir_ / "s.rc", "1 RCDATA { 1 }\n");
  std::filesystem::create_symlink("/dev/null", dir_ / "null.res");
  std::filesystem::create_symlink("/dev/full", dir_ / "full.res");
  ASSERT_EQ(mkfifo("pipe.res", 0600), 0);
  const struct {
    const char* output;
    std::filesystem::file_type type; // of what the output leads to, before and after
    const char* expected;
  } rows[] = {
      {"null.res", std::filesystem::file_type::character, ""},
      {"full.res", std::filesystem::file_type::character,
       "rc : error RC1109: cannot write 'full.res'\n"},
      {"pipe.res", std::filesystem::file_type::fifo,
       "rc : error RC1109: output 'pipe.res' is neither a file nor a character device\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.output);
    rc::Result result = rctest::CompileArgs({"/fo", row.output, "s.rc"});
    EXPECT_EQ(result.diagnostics, row.expected);
    EXPECT_EQ(std::filesystem::status(row.output).type(), row.type);
    ExpectNoTemporary();
  }
  EXPECT_TRUE(std::filesystem::is_symlink("null.res"));
  EXPECT_TRUE(std::filesystem::is_symlink("full.res"));
}

// A pipe or a device named as an input is refused by name, never read.
TEST_F(OutputTest, SpecialInputsAreRefused) {
  std::filesystem::current_path(dir_);
  for (const char* pipe : {"p.rc", "p.h", "p.bin"})
    ASSERT_EQ(mkfifo(pipe, 0600), 0);
  std::filesystem::current_path(savedCwd_);
  WriteBytes(dir_ / "out.res", "old");
  // clang-format off
  const Row rows[] = {
      {"script", {}, {"/fo", "out.res", "p.rc"}, "rc : error RC2161: 'p.rc' is not a regular file",
       "out.res"},
      {"include", {{"s.rc", "#include \"p.h\"\n"}}, {"/fo", "out.res", "s.rc"},
       "s.rc(1) : error RC2161: 'p.h' is not a regular file", "out.res"},
      {"RCDATA file", {{"s.rc", "1 RCDATA { 1 }\n2 RCDATA \"p.bin\"\n"}}, {"/fo", "out.res", "s.rc"},
       "s.rc(2) : error RC2161: 'p.bin' is not a regular file", "out.res"},
      {"device as include", {{"s.rc", "#include \"/dev/null\"\n"}}, {"/fo", "out.res", "s.rc"},
       "s.rc(1) : error RC2161: '/dev/null' is not a regular file", "out.res"},
      {"device as ICON", {{"s.rc", "1 ICON \"/dev/zero\"\n"}}, {"/fo", "out.res", "s.rc"},
       "s.rc(1) : error RC2161: '/dev/zero' is not a regular file", "out.res"},
  };
  // clang-format on
  for (const auto& row : rows)
    CheckRefused(row);
}

// The program stopped by a signal while it writes: it removes its temporary file and ends
// at once with 128 + the signal; the old output keeps its bytes.
TEST_F(OutputTest, InterruptedProgramLeavesNothingOfItsOwn) {
  // Long enough to be caught at work (seconds under the sanitizers).
  std::string line = "1 RCDATA {";
  for (int i = 0; i < 60; ++i)
    line += " " + std::to_string(i) + ",";
  line += " 60 }\n";
  std::string script;
  for (int i = 0; i < 50000; ++i)
    script += line;
  WriteBytes(dir_ / "slow.rc", script);
  WriteBytes(dir_ / "out.res", "old");
  using Clock = std::chrono::steady_clock;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // As from a terminal: whoever started the tests may ignore some of these.
      for (int s : {SIGTERM, SIGINT, SIGHUP})
        std::signal(s, SIG_DFL);
      if (chdir(dir_.c_str()) == 0)
        execl(THEMEFOLD_RC_PROGRAM, THEMEFOLD_RC_PROGRAM, "/fo", "out.res", "slow.rc",
              static_cast<char*>(nullptr));
      _exit(127);
    }
    std::string temporary;
    for (auto until = Clock::now() + std::chrono::seconds(30);
         temporary.empty() && Clock::now() < until;) {
      for (const auto& entry : std::filesystem::directory_iterator(dir_))
        if (entry.path().extension() == ".tmp")
          temporary = entry.path().filename().string();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(std::regex_match(temporary, kTemporaryShape)) << temporary;
    kill(pid, signal);
    int status = 0;
    pid_t ended = 0;
    for (auto until = Clock::now() + std::chrono::seconds(1); ended == 0 && Clock::now() < until;)
      if ((ended = waitpid(pid, &status, WNOHANG)) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
      ADD_FAILURE() << "still running a second after the signal";
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + signal);
    EXPECT_EQ(ReadBytes(dir_ / "out.res"), "old");
    ExpectNoTemporary();
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      if (entry.path().extension() == ".tmp")
        std::filesystem::remove(entry.path());
  }
}
#endif
