// The fixed texts of a generation, byte for byte against golden files.
#include "support/TestSupport.h"

#include "generation/Manifest.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/ResourceScript.h"
#include "platform/Stopping.h"

#include <cstdlib>

using testsupport::ReadBytes;
using testsupport::SourceFile;

namespace {

using testsupport::Golden;

size_t CountDots(const std::string& manifest) {
  const size_t open = manifest.rfind("<!--");
  const size_t close = manifest.rfind("-->");
  return close - open - 4;
}

} // namespace

TEST(ManifestTest, WorkedExamplesMatchGoldenFiles) {
  const std::string full = generation::BuildManifestText("1.0.0.0", "App.exe", "Fourteen chars");
  EXPECT_EQ(full.size(), 798u);
  EXPECT_EQ(CountDots(full), 85u);
  EXPECT_EQ(full + "\r\n", Golden("App.exe.manifest"));

  const std::string empty = generation::BuildManifestText("", "App.exe", "");
  EXPECT_EQ(empty.size(), 698u);
  EXPECT_EQ(CountDots(empty), 6u);
  EXPECT_EQ(empty + "\r\n", Golden("App-empty.exe.manifest"));
}

TEST(ManifestTest, FillerRoundsEveryLengthToAHundredBytes) {
  // Text length before the filler is 685 + the description's length.
  struct Row {
    size_t descriptionLength;
    size_t dots;
  } rows[] = {
      {6, 0},  // M = 691: M mod 100 = 91, "-->" follows "<!--" directly
      {7, 99}, // M = 692
      {14, 92}, {0, 6}, {106, 0}, {300, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.descriptionLength);
    const std::string text =
        generation::BuildManifestText("", "App.exe", std::string(row.descriptionLength, 'x'));
    EXPECT_EQ(CountDots(text), row.dots);
    EXPECT_EQ((text.size() + 2) % 100, 0u);
  }
}

TEST(ManifestTest, PlaceholdersAreReplacedInOrder) {
  // A version typed as a later placeholder becomes that value; a description is inserted
  // last, so placeholder words in it stay literal.
  const std::string text =
      generation::BuildManifestText("%exename%", "App.exe", "%version% %exename%");
  EXPECT_NE(text.find("        version=\"App.exe\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("<description>%version% %exename%</description>"), std::string::npos);
  EXPECT_EQ(text.find("%description%"), std::string::npos);
}

TEST(ManifestTest, ValuesAreEscapedSoTheXmlStaysWellFormed) {
  const std::string text =
      generation::BuildManifestText("1.0.0.0", "A&B.exe", "A & B <C> \"q\" 'a'");
  EXPECT_NE(text.find("<description>A &amp; B &lt;C&gt; &quot;q&quot; &apos;a&apos;</description>"),
            std::string::npos);
  EXPECT_NE(text.find("name=\"A&amp;B.exe\""), std::string::npos);
  EXPECT_EQ((text.size() + 2) % 100, 0u);
}

// Found by fuzzing: XML 1.0 has no way to write most control characters, nor bytes that are
// not UTF-8, and Windows refuses a manifest that holds them. Each becomes U+FFFD; text that
// XML can hold is unchanged.
TEST(ManifestTest, CharactersXmlCannotHoldBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  struct Row {
    std::string value, escaped;
  };
  // clang-format off
  const Row rows[] = {
      {std::string("a\0b", 3), "a" + replacement + "b"},
      {"a\x01\x08\x0B\x0C\x1F", "a" + replacement + replacement + replacement + replacement +
                                      replacement},
      {"tab\tcr\rlf\n", "tab\tcr\rlf\n"},
      {"\xFF\xC3", replacement + replacement},            // no UTF-8 lead, a cut-off sequence
      {"\xC0\x80", replacement + replacement},            // overlong NUL
      {"\xED\xA0\x80", replacement + replacement + replacement}, // a UTF-16 surrogate
      {"\xEF\xBF\xBE", replacement},                      // U+FFFE, not a character
      {"\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(generation::EscapeXml(row.value), row.escaped);
  }
}

TEST(ManifestTest, NonAsciiIsCountedInBytes) {
  const std::string text =
      generation::BuildManifestText("1.0.0.0", "Caf\xC3\xA9.exe", "\xE2\x82\xAC uro");
  EXPECT_EQ((text.size() + 2) % 100, 0u);
}

TEST(ManifestTest, ArchitectureVariantOnlyChangesBothIdentities) {
  std::string x86 = generation::BuildManifestText("1.0.0.0", "App.exe", "d");
  const std::string amd64 = generation::BuildManifestText("1.0.0.0", "App.exe", "d", "amd64");
  ASSERT_EQ(amd64.find("X86"), std::string::npos);
  for (size_t at; (at = x86.find("\"X86\"")) != std::string::npos;)
    x86.replace(at, 5, "\"amd64\"");
  // Same text apart from the architecture and the filler that keeps the length rule.
  EXPECT_EQ(x86.substr(0, x86.find("<!--")), amd64.substr(0, amd64.find("<!--")));
  EXPECT_EQ((amd64.size() + 2) % 100, 0u);
}

TEST(ResourceScriptTest, ScriptMatchesGoldenFile) {
  const std::string script = generation::BuildResourceScript("App.exe.manifest");
  EXPECT_EQ(script + "\r\n", Golden("App_manifest.rc"));
  for (size_t start = 0, line = 0; line < 3; ++line) {
    const size_t end = script.find("\r\n", start);
    EXPECT_EQ(end - start, 50u) << "line " << line + 1;
    start = end + 2;
  }
}

TEST(ResourceScriptTest, CompilerCommandQuotesEveryPath) {
  EXPECT_EQ(generation::BuildCompilerCommand("C:\\Program Files\\VB98\\Wizards\\RC.EXE",
                                             "C:\\My Work\\", "App_manifest.res",
                                             "App_manifest.rc"),
            "\"C:\\Program Files\\VB98\\Wizards\\RC.EXE\" /r /fo \"C:\\My Work\\App_manifest.res\" "
            "\"C:\\My Work\\App_manifest.rc\"");
}

TEST(OutputNamesTest, NamesFollowTheTarget) {
  struct Row {
    const char* target;
    const char* folder;
    const char* probe;
    const char* file;
    const char* output;
  } rows[] = {
      {"C:\\Work\\App.exe", "C:\\Work\\", "C:\\Work\\", "App.exe", "App_manifest.res"},
      {"C:\\Work\\my.tool.exe", "C:\\Work\\", "C:\\Work\\", "my.tool.exe", "my.tool_manifest.res"},
      {"C:\\Work\\App.exe.bak", "C:\\Work\\", "C:\\Work\\", "App.exe.bak", "App.exe_manifest.res"},
      {"C:\\Work\\noext", "C:\\Work\\", "C:\\Work\\", "noext", "_manifest.res"},
      // No backslash: the folder is the whole path, with one appended after the check.
      {"App.exe", "App.exe\\", "App.exe", "App.exe", "App_manifest.res"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.target);
    const generation::OutputNames names = generation::DeriveOutputNames(row.target);
    EXPECT_EQ(names.folder, row.folder);
    EXPECT_EQ(names.probeFolder, row.probe);
    EXPECT_EQ(names.fileName, row.file);
    EXPECT_EQ(names.outputName, row.output);
    EXPECT_EQ(names.ModulePath(), std::string(row.folder) + "modThemefold.bas");
  }
  EXPECT_EQ(generation::DeriveOutputNames("/home/u/App.exe", '/').OutputPath(),
            "/home/u/App_manifest.res");
}

// Only a name made by TemporaryStem may ever be taken for a killed run's file.
TEST(TemporaryNamesTest, OwnerIsReadOnlyFromOurOwnNames) {
  EXPECT_EQ(platform::TemporaryStem(4242, 0xA1B2C3D4E5F60718ull),
            "~themefold-4242-a1b2c3d4e5f60718");
  struct Row {
    const char* name;
    unsigned long owner;
  } rows[] = {
      {"~themefold-4242-a1b2c3d4e5f60718.manifest", 4242},
      {"~themefold-1-0000000000000001.res.~0123456789abcdef.tmp", 1},
      {"~themefold-4242-a1b2c3d4e5f60718", 4242},
      {"App.exe.manifest", 0},
      {"~themefold-4242-a1b2c3d4e5f6071", 0},     // too few digits
      {"~themefold-4242-A1B2C3D4E5F60718.rc", 0}, // not our spelling
      {"~themefold--a1b2c3d4e5f60718.rc", 0},
      {"~themefold-42x-a1b2c3d4e5f60718.rc", 0},
      {"x~themefold-4242-a1b2c3d4e5f60718.rc", 0},
      {"~themefold-99999999999-a1b2c3d4e5f60718.rc", 0}, // no process id has 11 digits
      {"~themefold-4294967295-a1b2c3d4e5f60718.rc", 4294967295ul},
      {"~themefold-4294967297-a1b2c3d4e5f60718.rc", 0}, // nor 33 bits, not even wrapped to 1
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(platform::TemporaryOwner(row.name), row.owner);
  }
}

TEST(ModuleTextTest, MatchesGoldenFile) {
  const std::string bytes = std::string(generation::kModuleText) + "\r\n";
  EXPECT_EQ(bytes, Golden("modThemefold.bas"));
  size_t lines = 0;
  for (size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2)
    ++lines;
  EXPECT_EQ(lines, 45u);
  EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1) << "only CR LF line ends";
}
