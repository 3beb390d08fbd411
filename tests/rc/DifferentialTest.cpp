// Live comparison with llvm-rc where it is installed: the corpus, and generated scripts
// for names and descriptions that stress escaping.
#include "RcTestSupport.h"

#include "generation/Manifest.h"
#include "generation/ResourceScript.h"

#include <cstdlib>
#include <cstring>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const char* const kLlvmRc = "/usr/bin/llvm-rc";

class DifferentialTest : public testsupport::TempDirTest {
protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "llvm-rc runs on the Linux host only";
#endif
    if (!std::filesystem::exists(kLlvmRc))
      GTEST_SKIP() << kLlvmRc << " is not installed";
    TempDirTest::SetUp();
  }

  // Runs llvm-rc in folder with the given arguments; true when it succeeded.
  static bool LlvmRc(const std::filesystem::path& folder, const std::string& args) {
    std::string command =
        "cd '" + folder.string() + "' && " + kLlvmRc + " " + args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
};

} // namespace

TEST_F(DifferentialTest, CorpusAgainstLiveLlvmRc) {
  for (const char* name : rctest::kCorpusScripts) {
    SCOPED_TRACE(name);
    const auto script = rctest::Corpus(name);
    auto options = rctest::CorpusOptions(ReadBytes(script));
    std::string joined;
    for (const auto& o : options)
      joined += o + " ";
    ASSERT_TRUE(LlvmRc(rctest::Corpus(), joined + "/fo '" + Path("theirs.res") + "' " + name));
    options.insert(options.end(), {"/fo", Path("ours.res"), script.string()});
    rc::Result result = rctest::CompileArgs(options);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    EXPECT_TRUE(ReadBytes(Path("ours.res")) == ReadBytes(Path("theirs.res")));
  }
}

TEST_F(DifferentialTest, GeneratedScriptsAgainstLiveLlvmRc) {
  const struct {
    const char* exeName;
    const char* description;
  } rows[] = {
      {"App.exe", "My application"},
      {"my.tool.exe", "Fish & Chips <Deluxe>"},
      {"With Blanks.exe", "\"quoted\" and 'apostrophes'"},
      {"x.exe", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.exeName);
    const std::string manifestName = std::string(row.exeName) + ".manifest";
    WriteBytes(dir_ / manifestName,
               generation::BuildManifestText("1.2.3.4", row.exeName, row.description) + "\r\n");
    WriteBytes(dir_ / "App_manifest.rc", generation::BuildResourceScript(manifestName) + "\r\n");
    ASSERT_TRUE(LlvmRc(dir_, "/r /fo theirs.res App_manifest.rc"));
    std::filesystem::current_path(dir_);
    rc::Result result =
        rctest::CompileArgs({"/r", "/fo", Path("ours.res"), Path("App_manifest.rc")});
    std::filesystem::current_path(savedCwd_);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    EXPECT_TRUE(ReadBytes(Path("ours.res")) == ReadBytes(Path("theirs.res")));
  }
}

// A header past 64 KiB: its size is written whole, not cut to 16 bits.
TEST_F(DifferentialTest, LongNamesAgainstLiveLlvmRc) {
  const std::string longName(40000, 'N');
  const struct {
    const char* name;
    std::string script;
  } rows[] = {
      {"a name of 40,000 characters", longName + " RCDATA { \"x\" }\n1 RCDATA { \"next\" }\n"},
      {"a type of 40,000 characters", "1 " + longName + " { \"x\" }\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(dir_ / "long.rc", row.script);
    ASSERT_TRUE(LlvmRc(dir_, "/fo theirs.res long.rc"));
    rc::Result result = rctest::CompileArgs({"/fo", Path("ours.res"), Path("long.rc")});
    ASSERT_TRUE(result.ok) << result.diagnostics;
    EXPECT_TRUE(ReadBytes(Path("ours.res")) == ReadBytes(Path("theirs.res")));
  }
}

// Live: the bundled headers against mingw-w64's, where both are installed.
TEST_F(DifferentialTest, BundledHeadersAgainstMingwHeaders) {
  const char* const mingw = "/usr/share/mingw-w64/include";
  if (!std::filesystem::exists(mingw))
    GTEST_SKIP() << mingw << " is not installed";
  for (const char* name : {"headers.rc", "richedit.rc", "vsdialog.rc"}) {
    SCOPED_TRACE(name);
    const auto folder = testsupport::SourceFile("tests/rc/headers");
    ASSERT_TRUE(
        LlvmRc(folder, std::string("/i ") + mingw + " /fo '" + Path("theirs.res") + "' " + name));
    rc::Options options = rc::ParseCommandLine({"/fo", Path("ours.res"), (folder / name).string()});
    options.bundledIncludeDirs = {rctest::BundledHeaders()};
    rc::Result result = rc::Compile(options);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    EXPECT_TRUE(ReadBytes(Path("ours.res")) == ReadBytes(Path("theirs.res")));
  }
}

TEST_F(DifferentialTest, VisualBasicLanguageHabitAgainstLlvmRcTwin) {
  const auto script = testsupport::SourceFile(rctest::kVisualBasicScript);
  std::string text = ReadBytes(script);
  const std::size_t at = text.find(rctest::kVisualBasicLanguage);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, std::strlen(rctest::kVisualBasicLanguage),
               rctest::kVisualBasicLanguageForLlvmRc);
  WriteBytes(dir_ / "twin.rc", text);
  // The files it names are found through /i, from the script's own folder.
  const std::string folder = std::filesystem::absolute(script.parent_path()).string();
  ASSERT_TRUE(
      LlvmRc(dir_, "/i /usr/share/mingw-w64/include /i '" + folder + "' /fo theirs.res twin.rc"));
  rc::Options options = rc::ParseCommandLine({"/fo", Path("ours.res"), script.string()});
  options.bundledIncludeDirs = {rctest::BundledHeaders()};
  rc::Result result = rc::Compile(options);
  ASSERT_TRUE(result.ok) << result.diagnostics;
  EXPECT_TRUE(ReadBytes(Path("ours.res")) == ReadBytes(Path("theirs.res")));
}
