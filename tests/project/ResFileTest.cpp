// The manifest merged into .res files as the bundled compiler, windres and llvm-rc write
// them (fixtures/, remade by fixtures/regenerate.sh), and bytes that are no .res refused.
#include "support/TestSupport.h"

#include <cstdio>
#include <map>
#include <random>

#include "project/ProjectTexts.h"
#include "project/ResFile.h"

namespace {

using project::MergeOutcome;

std::string Fixture(const std::string& name) {
  return testsupport::ReadBytes(testsupport::SourceFile("tests/project/fixtures/" + name));
}

// "type/name/language" of each entry; bytes gets each entry's bytes, padded, by that key.
std::string Listing(const std::string& res, std::map<std::string, std::string>& bytes) {
  std::string listing;
  for (const project::ResEntry& entry : project::ReadResFile(res).entries) {
    char language[8];
    std::snprintf(language, sizeof language, "%x", entry.language);
    const std::string key = entry.type.ToString() + "/" + entry.name.ToString() + "/" + language;
    listing += (listing.empty() ? "" : " ") + key;
    bytes[key] = res.substr(entry.offset, entry.size) + std::string((4 - entry.size % 4) % 4, '\0');
  }
  return listing;
}

std::string Patched(std::string bytes, std::size_t at, std::uint32_t value) {
  const char little[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                          static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  return bytes.replace(at, 4, little, 4);
}

} // namespace

TEST(ResFileTest, KeepsEveryEntryAndPutsOursInPlaceOfManifestOneOrLast) {
  const std::string ours = testsupport::Golden("App_manifest.res");
  const std::string project = Fixture("project.llvm.res");
  // One RCDATA entry of three bytes, without the padding after it.
  const std::string unpadded = Patched(Patched(project.substr(0, 64) + "abc", 32, 3), 40, 0xAFFFF);
  const std::string entries =
      "3/1/409 3/2/409 14/101/409 2/102/409 CUSTOM/101/409 16/1/409 6/7/409";
  // windres sorts the entries.
  const std::string sorted = "CUSTOM/101/409 2/102/409 3/1/409 3/2/409 6/7/409 14/101/409 16/1/409";
  // Manifest 1 is German (407) before the merge, ours (409) after.
  const std::string head = "5/ABOUT/409 24/1/4";
  const std::string tail =
      " 5/ABOUT/407 HELPTEXT/INTRO/40c 24/2/409 HELPTEXT/INTRO/409 6/1/409 6/1/407";
  const std::string sortedHead = "HELPTEXT/INTRO/409 HELPTEXT/INTRO/40c 5/ABOUT/407 5/ABOUT/409 "
                                 "6/1/407 6/1/409 24/1/4";
  const struct {
    const char* what;
    std::string existing, before, after;
    MergeOutcome outcome;
  } cases[] = {
      {"bundled", Fixture("project.bundled.res"), entries, entries + " 24/1/409",
       MergeOutcome::Appended},
      {"llvm-rc", project, entries, entries + " 24/1/409", MergeOutcome::Appended},
      {"windres", Fixture("project.windres.res"), sorted, sorted + " 24/1/409",
       MergeOutcome::Appended},
      {"bundled, German manifest", Fixture("manifested.bundled.res"), head + "07" + tail,
       head + "09" + tail, MergeOutcome::Replaced},
      {"llvm-rc, German manifest", Fixture("manifested.llvm.res"), head + "07" + tail,
       head + "09" + tail, MergeOutcome::Replaced},
      {"German and English manifest", Fixture("manifested.llvm.res") + ours.substr(32),
       head + "07" + tail + " 24/1/409", head + "09" + tail, MergeOutcome::Replaced},
      {"windres, German manifest", Fixture("manifested.windres.res"), sortedHead + "07 24/2/409",
       sortedHead + "09 24/2/409", MergeOutcome::Replaced},
      {"unpadded", unpadded, "10/1/409", "10/1/409 24/1/409", MergeOutcome::Appended},
  };
  std::map<std::string, std::string> oursBytes;
  ASSERT_EQ(Listing(ours, oursBytes), "24/1/409");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::map<std::string, std::string> before, after;
    ASSERT_EQ(Listing(c.existing, before), c.before);
    const project::MergeResult merged = project::MergeManifest(c.existing, ours);
    EXPECT_EQ(merged.outcome, c.outcome);
    // What the program built with it carries, and what the next run merges with.
    EXPECT_EQ(project::ManifestIn(merged.bytes, project::ReadResFile(merged.bytes)),
              project::ManifestIn(ours, project::ReadResFile(ours)));
    EXPECT_EQ(Listing(merged.bytes, after), c.after);
    for (const auto& [key, bytes] : after)
      EXPECT_EQ(bytes, key == "24/1/409" ? oursBytes[key] : before[key]) << key;
    // A project set up once is already set up.
    const project::MergeResult again = project::MergeManifest(merged.bytes, ours);
    EXPECT_EQ(again.outcome, MergeOutcome::Unchanged);
    EXPECT_EQ(again.bytes, merged.bytes);
  }
}

TEST(ResFileTest, RefusesWhatIsNoThirtyTwoBitResFileWithItsReason) {
  const std::string project = Fixture("project.llvm.res");
  std::mt19937 random(20);
  std::string noise(4096, '\0');
  for (char& byte : noise)
    byte = static_cast<char>(random());
  const struct {
    const char* what;
    std::string existing, ours, reason;
  } cases[] = {
      {"empty", "", "", "the file is empty"},
      {"truncated header", project.substr(0, 52), "",
       "the entry header at offset 0x20 (32 bytes) runs past the end of the file (52 bytes)"},
      {"header size past the end", Patched(project, 36, 0x1000), "",
       "the entry header at offset 0x20 (4096 bytes) runs past the end of the file (2020 bytes)"},
      {"name past its header", Patched(Fixture("manifested.llvm.res"), 36, 16), "",
       "the entry header at offset 0x20 (16 bytes) is too short for its fields"},
      {"data past the end", project.substr(0, 100), "",
       "the entry data at offset 0x40 (296 bytes) runs past the end of the file (100 bytes)"},
      // RCDATA 1: type and name as 0xFF and a number, flags, size, data.
      {"16-bit compiler's",
       std::string("\xFF\x0A\x00\xFF\x01\x00\x30\x10\x04\x00\x00\x00"
                   "data",
                   16),
       "", "a 16-bit resource file; Visual Basic 6 takes only 32-bit ones"},
      {"random bytes", noise, "", "no empty entry at the start: not a 32-bit resource file"},
      {"ours empty", project, "", "the compiled manifest: the file is empty"},
      {"ours without a manifest", project, project,
       "the compiled manifest holds no manifest entry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const project::MergeResult merged = project::MergeManifest(c.existing, c.ours);
    EXPECT_EQ(merged.outcome, MergeOutcome::Refused);
    EXPECT_EQ(project::texts::Words(merged.refusal), c.reason);
    EXPECT_EQ(merged.bytes, "");
  }
}
