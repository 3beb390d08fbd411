// Every corpus script compiles to exactly the bytes llvm-rc produced for it, and the
// script the generation writes gives the .res its users add to their projects.
#include "RcTestSupport.h"

#include "generation/Manifest.h"
#include "generation/ResourceScript.h"

#include <cstdint>
#include <cstring>
#include <filesystem>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class CorpusTest : public testsupport::TempDirTest {};

// What a .res with one manifest resource (type 24, id 1, MOVEABLE|PURE, U.S. English)
// holds, written out field by field rather than by the writer under test.
std::string ExpectedManifestRes(const std::string& manifest) {
  std::string out;
  auto u16 = [&](std::uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
  };
  auto u32 = [&](std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  };
  // The empty entry that marks a 32-bit .res.
  u32(0), u32(32), u16(0xffff), u16(0), u16(0xffff), u16(0);
  u32(0), u16(0), u16(0), u32(0), u32(0);
  u32(static_cast<std::uint32_t>(manifest.size())), u32(32);
  u16(0xffff), u16(24), u16(0xffff), u16(1);
  u32(0), u16(0x30), u16(0x409), u32(0), u32(0);
  out += manifest;
  while (out.size() % 4)
    out += '\0';
  return out;
}

} // namespace

// The compiler with every file in memory: the corpus compiles to the same references, and
// a failing script changes nothing there: an older output keeps its bytes.
TEST_F(CorpusTest, InMemoryCompilesAsOnDisk) {
  rc::files::MemoryFileSystem memory;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(rctest::Corpus()))
    if (entry.is_regular_file())
      memory.files[entry.path().lexically_relative(rctest::Corpus()).generic_string()] =
          ReadBytes(entry.path());
  for (const char* name : rctest::kCorpusScripts) {
    SCOPED_TRACE(name);
    auto args = rctest::CorpusOptions(memory.files.at(name));
    args.insert(args.end(), {"/fo", "out/x.res", name});
    rc::Options options = rc::ParseCommandLine(args);
    rc::Result result = rc::Compile(options, memory);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    const std::string reference = std::string(name, std::strlen(name) - 3) + ".res";
    EXPECT_TRUE(memory.files.at("out/x.res") == memory.files.at(reference));
  }
  const auto before = memory.files;
  memory.files["bad.rc"] = "1 ICON \"missing.ico\"\n";
  rc::Options options = rc::ParseCommandLine({"/fo", "out/x.res", "bad.rc"});
  rc::Result result = rc::Compile(options, memory);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.diagnostics.substr(0, 7), "bad.rc(");
  memory.files.erase("bad.rc");
  EXPECT_TRUE(memory.files == before);
}

TEST_F(CorpusTest, EveryScriptMatchesItsReference) {
  for (const char* name : rctest::kCorpusScripts) {
    SCOPED_TRACE(name);
    const auto script = rctest::Corpus(name);
    auto args = rctest::CorpusOptions(ReadBytes(script));
    const std::string out = Path("out.res");
    args.insert(args.end(), {"/r", "/fo", out, script.string()});
    rc::Result result = rctest::CompileArgs(args);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    std::string expected =
        ReadBytes(rctest::Corpus(std::string(name, std::strlen(name) - 3) + ".res"));
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(ReadBytes(out) == expected) << "differs from the llvm-rc reference";
  }
}

// The generation's own command: full paths for /fo and the script, the manifest by its
// bare name in the current directory, which must win over a file of that name beside
// the script.
TEST_F(CorpusTest, GeneratedScriptAsTheGenerationRunsIt) {
  const struct {
    const char* exeName;
    const char* version;
    const char* description;
  } rows[] = {
      {"App.exe", "1.0.0.0", "My application"},
      {"my tool.v2.exe", "2.5.0.1", "Fish & Chips <Deluxe> \"quoted\""},
      {"Unicode.exe", "1.0.0.0", "Übersicht – ein Test"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.exeName);
    const std::filesystem::path target = dir_ / "target folder";
    const std::filesystem::path other = dir_ / "elsewhere";
    std::filesystem::create_directories(target);
    std::filesystem::create_directories(other);
    const std::string manifestName = std::string(row.exeName) + ".manifest";
    const std::string manifest =
        generation::BuildManifestText(row.version, row.exeName, row.description) + "\r\n";
    WriteBytes(target / manifestName, manifest);
    WriteBytes(other / manifestName, "not the one");
    WriteBytes(other / "App_manifest.rc", generation::BuildResourceScript(manifestName) + "\r\n");
    std::filesystem::current_path(target);

    const std::string out = (target / "App_manifest.res").string();
    rc::Result result =
        rctest::CompileArgs({"/r", "/fo", out, (other / "App_manifest.rc").string()});
    ASSERT_TRUE(result.ok) << result.diagnostics;
    EXPECT_TRUE(ReadBytes(out) == ExpectedManifestRes(manifest));
    std::filesystem::current_path(savedCwd_);
  }
}

// The committed fixed texts of a generation compile to the same .res.
TEST_F(CorpusTest, CommittedGoldenScript) {
  std::filesystem::copy_file(testsupport::SourceFile("tests/golden/App_manifest.rc"),
                             dir_ / "App_manifest.rc");
  std::filesystem::copy_file(testsupport::SourceFile("tests/golden/App.exe.manifest"),
                             dir_ / "App.exe.manifest");
  rc::Result result =
      rctest::CompileArgs({"/r", "/fo", Path("App_manifest.res"), Path("App_manifest.rc")});
  ASSERT_TRUE(result.ok) << result.diagnostics;
  EXPECT_TRUE(ReadBytes(Path("App_manifest.res")) ==
              ExpectedManifestRes(ReadBytes(dir_ / "App.exe.manifest")));
}

// A script saved as UTF-16 (with its byte-order mark) reads as the same script in UTF-8.
TEST_F(CorpusTest, Utf16Script) {
  const std::string utf8 = ReadBytes(rctest::Corpus("utf8.rc"));
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    unsigned n = b < 0x80 ? 1 : b < 0xe0 ? 2 : b < 0xf0 ? 3 : 4;
    char32_t c = n == 1 ? b : (b & (0xff >> (n + 1)));
    for (unsigned k = 1; k < n; ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
    i += n;
    ASSERT_LT(c, 0x10000u);
    utf16 += static_cast<char>(c & 0xff);
    utf16 += static_cast<char>(c >> 8);
  }
  WriteBytes(dir_ / "utf16.rc", utf16);
  rc::Result result = rctest::CompileArgs({"/fo", Path("utf16.res"), Path("utf16.rc")});
  ASSERT_TRUE(result.ok) << result.diagnostics;
  EXPECT_TRUE(ReadBytes(Path("utf16.res")) == ReadBytes(rctest::Corpus("utf8.res")));
}

// Scripts that include the headers shipped with the compiler compile, with nothing but
// those headers, to what llvm-rc made of them with mingw-w64's own headers.
TEST_F(CorpusTest, BundledHeadersGiveWhatMingwHeadersGive) {
  for (const char* name : {"headers.rc", "richedit.rc", "vsdialog.rc"}) {
    SCOPED_TRACE(name);
    const auto script = testsupport::SourceFile(std::string("tests/rc/headers/") + name);
    rc::Options options = rc::ParseCommandLine({"/fo", Path("out.res"), script.string()});
    options.bundledIncludeDirs = {rctest::BundledHeaders()};
    rc::Result result = rc::Compile(options);
    ASSERT_TRUE(result.ok) << result.diagnostics;
    const std::string reference = script.string().substr(0, script.string().size() - 3) + ".res";
    EXPECT_TRUE(ReadBytes(Path("out.res")) == ReadBytes(reference));
  }
}

// "LANGUAGE 0x0409, 0" gives what "LANGUAGE 9, 1" gives llvm-rc (language 0x409), with
// winver.h from the bundled headers.
TEST_F(CorpusTest, VisualBasicLanguageHabit) {
  const auto script = testsupport::SourceFile(rctest::kVisualBasicScript);
  rc::Options options = rc::ParseCommandLine({"/fo", Path("out.res"), script.string()});
  options.bundledIncludeDirs = {rctest::BundledHeaders()};
  rc::Result result = rc::Compile(options);
  ASSERT_TRUE(result.ok) << result.diagnostics;
  EXPECT_TRUE(ReadBytes(Path("out.res")) ==
              ReadBytes(testsupport::SourceFile("tests/rc/msrc/vb.res")));
}
