// The manifest written into built programs: images made in memory for every placement and
// refusal, and a DLL that lld linked, which the rebuilt directory must match byte for byte.
// With THEMEFOLD_EMBED_SAMPLES set, the cases leave their programs there for
// check-independent.py, which reads them with pefile and llvm-readobj.
#include "support/TestSupport.h"

#include <cstdlib>
#include <functional>
#include <tuple>

#include "embed/Embed.h"
#include "readers/Bytes.h"
#include "readers/PeConditions.h"
#include "readers/PeImage.h"
#include "support/PeBuilder.h"

using embed::EmbedManifest;
using embed::EmbedOptions;
using embed::EmbedResult;
using embed::Placement;
using embed::Refused;
using readers::ResourceKey;
using testsupport::PeResource;
using testsupport::PeSectionSpec;
using testsupport::PeSpec;

namespace {

using Outcome = EmbedResult::Outcome;
using base::Setting;

/// A refusal as compared here: its code, its facts and the setting that lifts it. Its words
/// are front/EmbedRefusals' (tests/front/EmbedRefusalsTest.cpp).
using Told = std::tuple<Refused, std::vector<std::string>, Setting>;
Told Why(const EmbedResult& result) {
  return {result.refusal.code, result.refusal.facts, result.refusal.liftedBy};
}
/// For a failed assertion: the refusal's code and facts.
std::string Shown(const EmbedResult& result) {
  std::string shown = "refused " + std::to_string(static_cast<int>(result.refusal.code));
  for (const std::string& fact : result.refusal.facts)
    shown += ", " + fact;
  return shown;
}

std::uint32_t U32(const std::string& s, std::size_t at) { return readers::Bytes(s).U32(at, ""); }

std::string Manifest(std::size_t size) { return "<assembly" + std::string(size - 11, ' ') + "/>"; }

const PeSectionSpec kText{".text", std::string(0x300, '\xCC'), 0x60000020};
const PeSectionSpec kResources{".rsrc", "", 0x40000040, true};
const PeSectionSpec kRelocations{
    ".reloc", std::string("\x00\x10\x00\x00\x0C\x00\x00\x00\x04\x30\x08\x30", 12), 0x42000040};
const PeSectionSpec kData{".data", std::string(0x80, 'D'), 0xC0000040};

/// NSIS's first header after its stub: flags, 0xDEADBEEF, "NullsoftInst", lengths.
std::string NsisHeader(std::uint32_t flags) {
  std::string header(4, '\0');
  testsupport::PutU32(header, 0, flags);
  return header + std::string("\xEF\xBE\xAD\xDENullsoftInst", 16) + "lengths.";
}

std::vector<PeResource> SomeResources() {
  return {{ResourceKey::Name("TYPELIB"), ResourceKey::Id(1), "MSFT"},
          {ResourceKey::Id(3), ResourceKey::Id(1), std::string(700, 'i')},
          {ResourceKey::Id(24), ResourceKey::Id(1), "<old/>"}};
}

/// For check-independent.py, when it asked.
void Sample(const std::string& name, const std::string& before, const EmbedResult& result,
            const std::string& manifest) {
  const char* folder = std::getenv("THEMEFOLD_EMBED_SAMPLES");
  if (!folder || result.outcome == Outcome::Refused)
    return;
  const std::filesystem::path base = std::filesystem::path(folder) / name;
  testsupport::WriteBytes(base.string() + ".before", before);
  testsupport::WriteBytes(base.string() + ".after", result.bytes);
  testsupport::WriteBytes(base.string() + ".manifest", manifest);
}

/// The stretches a writer copies from the old file hold the same bytes in the new one, one
/// after another, and cover at least that many bytes. In pieces, the same program: its
/// pieces make the bytes, its checksum summed over them is the file's, and it reads back
/// as placed where the old program does not.
void ExpectKept(const std::string& old, const std::string& manifest, EmbedOptions options,
                const EmbedResult& result, std::uint64_t atLeast) {
  std::uint64_t end = 0;
  std::uint64_t covered = 0;
  for (const embed::Kept& k : result.kept) {
    EXPECT_GE(k.to, end);
    EXPECT_EQ(result.bytes.compare(k.to, k.size, old, k.from, k.size), 0) << k.to;
    end = k.to + k.size;
    covered += k.size;
  }
  EXPECT_GE(covered, atLeast);

  options.inPieces = true;
  const EmbedResult pieces = EmbedManifest(old, manifest, options);
  ASSERT_EQ(pieces.outcome, Outcome::Embedded) << Shown(pieces);
  EXPECT_TRUE(pieces.bytes.empty());
  EXPECT_EQ(pieces.report, result.report);
  const std::vector<std::string_view> views = pieces.Views(old);
  std::string joined;
  for (const std::string_view view : views)
    joined += view;
  ASSERT_TRUE(joined == result.bytes);
  EXPECT_EQ(pieces.check(joined), "");
  EXPECT_NE(pieces.check(old), "");
  const std::uint64_t field = readers::ChecksumOffset(readers::PeImage(joined).Headers());
  const std::uint32_t sum = readers::PeChecksum(joined, field);
  EXPECT_EQ(U32(joined, field), result.checksumUpdated ? sum : U32(old, field));
  EXPECT_EQ(readers::PeChecksum(views, field), sum);
  // Parts that end at every place in a 32-bit word, and in the field.
  const std::string_view all = joined;
  EXPECT_EQ(readers::PeChecksum({all.substr(0, 1), all.substr(1, field + 1),
                                 all.substr(field + 2, 5), all.substr(field + 7)},
                                field),
            sum);
}

} // namespace

// Each placement in turn, from the first choice to the last, with the header fields a loader
// checks, every other section kept, and the tree written the same way a second time; last,
// the layouts of Visual Basic 6's linker: pages for file alignment, resources last in a
// program and before .reloc in an OCX at 0x11000000.
TEST(EmbedTest, PlacesTheResourcesWhereTheyFitAndKeepsEverythingElse) {
  struct Row {
    const char* name;
    bool pe32Plus;
    std::vector<PeSectionSpec> sections;
    std::size_t manifest;
    std::uint32_t checksum;
    Placement placement;
    bool dll = false;
    std::uint32_t fileAlignment = 0x200;
    std::uint64_t imageBase = 0;
  };
  const Row rows[] = {
      {"in-place", false, {kText, kResources, kData}, 40, 0, Placement::InPlace},
      {"grown", true, {kText, kResources}, 5000, 0x1234, Placement::GrownLast},
      {"moved-reloc", false, {kText, kResources, kRelocations}, 5000, 0, Placement::MovedReloc},
      {"new-section", true, {kText, kResources, kData}, 5000, 0x1234, Placement::NewSection},
      {"vb6-exe",
       false,
       {kText, kData, kResources},
       5000,
       0,
       Placement::GrownLast,
       false,
       0x1000,
       0x400000},
      {"vb6-ocx",
       false,
       {kText, kData, kResources, kRelocations},
       5000,
       0,
       Placement::MovedReloc,
       true,
       0x1000,
       0x11000000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PeSpec spec;
    spec.pe32Plus = row.pe32Plus;
    spec.sections = row.sections;
    spec.resources = SomeResources();
    // Data long enough to be kept as it lay, of an odd length: the checksum's words straddle
    // its ends.
    if (row.checksum != 0) {
      std::string bulk(0x10001, '\0');
      for (std::size_t i = 0; i < bulk.size(); ++i)
        bulk[i] = static_cast<char>(i * 31 + i / 257);
      spec.resources.push_back({ResourceKey::Id(10), ResourceKey::Id(7), bulk});
    }
    spec.checksum = row.checksum;
    spec.dll = row.dll;
    spec.fileAlignment = row.fileAlignment;
    spec.headersSize = std::max<std::uint32_t>(0x400, row.fileAlignment);
    spec.imageBase = row.imageBase;
    const testsupport::BuiltImage built = testsupport::BuildImage(spec);
    const std::string manifest = Manifest(row.manifest);
    const EmbedResult result = EmbedManifest(built.image, manifest);
    ASSERT_EQ(result.outcome, Outcome::Embedded) << Shown(result);
    EXPECT_EQ(result.placement, row.placement);
    Sample(row.name, built.image, result, manifest);
    const std::string& out = result.bytes;
    // Built again, the same program.
    EXPECT_TRUE(EmbedManifest(built.image, manifest).bytes == out);

    // The headers as a linker sums them. check-independent.py reads the resources, the
    // alignments, the image's size and the checksum.
    const readers::PeImage before(built.image);
    const readers::PeImage after(out);
    const std::vector<readers::PeSection>& sections = after.Sections();
    const bool added = row.placement == Placement::NewSection;
    ASSERT_EQ(sections.size(), row.sections.size() + (added ? 1 : 0));
    std::uint32_t initialized = 0;
    for (const readers::PeSection& s : sections)
      initialized += s.rawSize;
    EXPECT_EQ(U32(out, built.optionalOffset + 8), initialized - sections[0].rawSize); // code
    std::size_t rsrc = 0;
    while (!row.sections[rsrc].resources)
      ++rsrc;
    const readers::PeSection& resources = sections[added ? sections.size() - 1 : rsrc];
    EXPECT_EQ(after.Directory(2).rva, resources.virtualAddress);
    EXPECT_EQ(after.Directory(2).size, resources.virtualSize);
    EXPECT_GE(resources.rawSize, resources.virtualSize);
    EXPECT_EQ(result.checksumUpdated, row.checksum != 0);

    // Every other section's bytes where its header now says, and kept for the writer to copy;
    // .reloc and its directory moved together.
    std::uint64_t others = 0;
    for (const PeSectionSpec& section : row.sections)
      others += section.resources ? 0 : section.data.size();
    ExpectKept(built.image, manifest, {}, result, others);
    for (std::size_t i = 0; i < row.sections.size(); ++i) {
      const readers::PeSection& old = before.Sections()[i];
      const readers::PeSection& now = sections[i];
      if (old.name == ".rsrc" && !added)
        continue;
      EXPECT_EQ(out.substr(now.rawOffset, now.rawSize),
                built.image.substr(old.rawOffset, old.rawSize))
          << old.name;
      if (old.name == ".reloc") {
        EXPECT_GT(now.virtualAddress, old.virtualAddress);
        EXPECT_EQ(after.Directory(5).rva, now.virtualAddress);
        EXPECT_EQ(after.Directory(5).size, old.virtualSize);
      } else {
        EXPECT_EQ(now.virtualAddress, old.virtualAddress) << old.name;
      }
    }

    // The same manifest again changes nothing; one letter changed rebuilds the tree in place
    // with that letter (and the checksum) the only difference.
    EXPECT_EQ(EmbedManifest(out, manifest).outcome, Outcome::Unchanged);
    std::string other = manifest;
    other[1] = 'A';
    const EmbedResult again = EmbedManifest(out, other);
    EXPECT_EQ(again.placement, Placement::InPlace) << Shown(again);
    ASSERT_EQ(again.bytes.size(), out.size());
    std::size_t differences = 0;
    for (std::size_t i = 0; i < out.size(); ++i)
      differences += again.bytes[i] != out[i] && (i - (built.optionalOffset + 64)) >= 4;
    EXPECT_EQ(differences, 1u);
  }
}

// The manifest a program carries leaves it alone; a larger one and then the first again give
// the linker's file back byte for byte, but for the grown VirtualSize: lld lays out a
// directory listed in the rebuilt order as the writer does.
TEST(EmbedTest, RebuildsALinkersDirectoryByteForByte) {
  const std::string linked =
      testsupport::ReadBytes(testsupport::SourceFile("tests/embed/fixtures/Linked.dll"));
  const std::string manifest =
      testsupport::ReadBytes(testsupport::SourceFile("tests/embed/fixtures/Linked.manifest"));
  ASSERT_FALSE(linked.empty());
  const EmbedResult same = EmbedManifest(linked, manifest);
  EXPECT_EQ(same.outcome, Outcome::Unchanged) << Shown(same);
  EXPECT_TRUE(same.bytes == linked);

  const EmbedResult larger = EmbedManifest(linked, Manifest(100));
  ASSERT_EQ(larger.outcome, Outcome::Embedded) << Shown(larger);
  EXPECT_EQ(larger.placement, Placement::InPlace);
  Sample("linked", linked, larger, Manifest(100));
  const EmbedResult back = EmbedManifest(larger.bytes, manifest);
  EXPECT_EQ(back.outcome, Outcome::Embedded);
  // But for the section's VirtualSize, which never shrinks: the program may use that memory.
  const readers::PeImage grown(larger.bytes);
  std::string expected = linked;
  std::size_t rsrc = 0;
  while (grown.Sections()[rsrc].name != ".rsrc")
    ++rsrc;
  testsupport::PutU32(expected, grown.Headers().sectionTableOffset + 40 * rsrc + 8,
                      grown.Sections()[rsrc].virtualSize);
  EXPECT_GT(grown.Sections()[rsrc].virtualSize,
            readers::PeImage(linked).Sections()[rsrc].virtualSize);
  EXPECT_TRUE(back.bytes == expected);
}

// Named entries first without regard to case, as stored, then IDs ascending, at every level.
TEST(EmbedTest, OrdersNamesWithoutCaseThenIds) {
  PeSpec spec;
  spec.sections = {kText, kResources};
  spec.resources = {{ResourceKey::Name("zeta"), ResourceKey::Id(1), "z"},
                    {ResourceKey::Name("Alpha"), ResourceKey::Id(1), "a"},
                    {ResourceKey::Id(10), ResourceKey::Name("b"), "b"},
                    {ResourceKey::Id(10), ResourceKey::Name("A"), "A"},
                    {ResourceKey::Id(10), ResourceKey::Id(7), "7"},
                    {ResourceKey::Id(10), ResourceKey::Id(2), "2"},
                    {ResourceKey::Id(3), ResourceKey::Id(1), "3"}};
  const std::string image = testsupport::BuildImage(spec).image;
  const EmbedResult result = EmbedManifest(image, Manifest(20));
  ASSERT_EQ(result.outcome, Outcome::Embedded) << Shown(result);
  Sample("ordered", image, result, Manifest(20));
  std::string order;
  const readers::PeImage after(result.bytes);
  for (const readers::Resource& r : after.Resources())
    order += r.type.ToString() + "/" + r.name.ToString() + " ";
  EXPECT_EQ(order, "Alpha/1 zeta/1 3/1 10/A 10/b 10/2 10/7 24/1 ");
}

// ID 1 for a program, 2 for a library; the manifest there is replaced in its language, and a
// new one takes 1033 unless every other resource is neutral.
TEST(EmbedTest, ChoosesTheManifestsIdAndLanguage) {
  struct Row {
    const char* name;
    bool dll;
    std::vector<PeResource> resources;
    std::uint16_t id;
    std::uint16_t language;
    std::size_t manifests; ///< type 24 entries after
  };
  const auto manifest = [](std::uint16_t id, std::uint16_t language) {
    return PeResource{ResourceKey::Id(24), ResourceKey::Id(id), "<old/>", language};
  };
  const PeResource icon{ResourceKey::Id(3), ResourceKey::Id(1), "icon", 0};
  const Row rows[] = {
      {"replaced in 1033", false, {icon, manifest(1, 1033)}, 1, 1033, 1},
      {"replaced in German", false, {manifest(1, 0x407)}, 1, 0x407, 1},
      {"neutral beside neutral", false, {icon}, 1, 0, 1},
      {"1033 beside 1033", false, {{ResourceKey::Id(3), ResourceKey::Id(1), "i"}}, 1, 1033, 1},
      {"1033 alone", false, {}, 1, 1033, 1},
      {"a library's beside ID 1", true, {icon, manifest(1, 0x409)}, 2, 1033, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PeSpec spec;
    spec.dll = row.dll;
    spec.sections = {kText, kResources};
    spec.resources = row.resources;
    const EmbedResult result = EmbedManifest(testsupport::BuildImage(spec).image, "<new/>");
    ASSERT_EQ(result.outcome, Outcome::Embedded) << Shown(result);
    std::size_t manifests = 0;
    const readers::PeImage after(result.bytes);
    for (const readers::StoredResource& r : after.StoredResources())
      if (r.type.id == 24 && !r.type.IsName()) {
        ++manifests;
        if (r.name.id == row.id) {
          EXPECT_EQ(r.language.id, row.language);
          EXPECT_EQ(result.bytes.substr(r.offset, r.size), "<new/>");
        }
      }
    EXPECT_EQ(manifests, row.manifests);
  }
}

// What follows the sections: an overlay and a signature, refused by default and kept or
// removed when allowed; COFF symbols and debug data, which move with the end.
TEST(EmbedTest, CarriesWhatFollowsTheSections) {
  PeSpec spec;
  spec.sections = {kText, {".rdata", std::string(28, '\0')}, kResources};
  spec.resources = SomeResources();
  const std::string large = Manifest(5000);

  spec.tail = "installer payload";
  testsupport::BuiltImage overlaid = testsupport::BuildImage(spec);
  EXPECT_EQ(Why(EmbedManifest(overlaid.image, large)),
            (Told{Refused::Overlay, {"17"}, Setting::KeepOverlay}));
  EmbedOptions keep;
  keep.keepOverlay = true;
  const EmbedResult kept = EmbedManifest(overlaid.image, large, keep);
  ASSERT_EQ(kept.outcome, Outcome::Embedded) << Shown(kept);
  EXPECT_EQ(kept.bytes.substr(kept.bytes.size() - 17), spec.tail);
  ExpectKept(overlaid.image, large, keep, kept, 0x300 + 28 + 17);
  EXPECT_EQ(kept.bytes.size() % 0x200, 17u);
  // Was "kept" alone, with the data elsewhere.
  EXPECT_EQ(kept.report[0], "overlay: 17 bytes kept, moved from offset " +
                                readers::Hex(overlaid.sectionsEnd) + " to " +
                                readers::Hex(kept.bytes.size() - 17));
  // An installer built without its CRC check finds its data after any change.
  spec.tail = NsisHeader(4);
  const EmbedResult unchecked = EmbedManifest(testsupport::BuildImage(spec).image, large, keep);
  ASSERT_EQ(unchecked.outcome, Outcome::Embedded) << Shown(unchecked);
  EXPECT_EQ(unchecked.bytes.substr(unchecked.bytes.size() - 28), spec.tail);

  spec.tail = std::string(16, 'S');
  testsupport::BuiltImage signed_ = testsupport::BuildImage(spec);
  signed_.SetDirectory(4, static_cast<std::uint32_t>(signed_.sectionsEnd), 16);
  EXPECT_EQ(Why(EmbedManifest(signed_.image, Manifest(40))),
            (Told{Refused::Signed, {}, Setting::StripSignature}));
  EmbedOptions strip;
  strip.stripSignature = true;
  const EmbedResult stripped = EmbedManifest(signed_.image, Manifest(40), strip);
  ASSERT_EQ(stripped.outcome, Outcome::Embedded) << Shown(stripped);
  EXPECT_EQ(stripped.bytes.size(), signed_.sectionsEnd);
  EXPECT_EQ(readers::PeImage(stripped.bytes).Directory(4).size, 0u);
  EXPECT_EQ(readers::PeImage(stripped.bytes).Directory(4).rva, 0u);
  ExpectKept(signed_.image, Manifest(40), strip, stripped, 0x300);

  // Two symbols and an empty string table, then a CodeView record the debug directory names.
  spec.tail = std::string(36, 'y') + std::string("\x04\0\0\0", 4) + "RSDS-codeview-record";
  testsupport::BuiltImage symbols = testsupport::BuildImage(spec);
  const std::uint32_t symbolTable = static_cast<std::uint32_t>(symbols.sectionsEnd);
  testsupport::PutU32(symbols.image, symbols.coffOffset + 8, symbolTable);
  testsupport::PutU32(symbols.image, symbols.coffOffset + 12, 2);
  symbols.SetDirectory(6, symbols.rvas[1], 28);
  testsupport::PutU32(symbols.image, symbols.offsets[1] + 16, 20);
  testsupport::PutU32(symbols.image, symbols.offsets[1] + 24, symbolTable + 40);
  const EmbedResult moved = EmbedManifest(symbols.image, large);
  ASSERT_EQ(moved.outcome, Outcome::Embedded) << Shown(moved);
  EXPECT_EQ(moved.placement, Placement::GrownLast);
  Sample("symbols", symbols.image, moved, large);
  // The debug entry's pointer, rewritten inside .rdata, is no part of what is copied.
  ExpectKept(symbols.image, large, {}, moved, 0x300 + 28 - 4 + spec.tail.size());
  const std::uint32_t delta = static_cast<std::uint32_t>(moved.bytes.size() - symbols.image.size());
  EXPECT_EQ(delta % 0x200, 0u);
  EXPECT_GT(delta, 0u);
  EXPECT_EQ(U32(moved.bytes, symbols.coffOffset + 8), symbolTable + delta);
  EXPECT_EQ(U32(moved.bytes, symbols.offsets[1] + 24), symbolTable + 40 + delta);
  EXPECT_EQ(moved.bytes.substr(symbolTable + 40 + delta), "RSDS-codeview-record");
}

// A refusal names the setting that lifts it only where, with it, the program would be
// embedded; a signature is asked before an overlay, one at a time. Behind another refusal, it
// is told as found, naming nothing.
TEST(EmbedTest, NamesASettingOnlyWhereItWouldEmbed) {
  PeSpec roomy;
  roomy.sections = {kText, kResources};
  roomy.resources = SomeResources();
  PeSpec full = roomy;
  full.pe32Plus = true;
  full.sections = {kText, kResources, kData, {".tls", "t", 0xC0000040}};
  full.headersSize = 0x200;
  const std::vector<std::string> noSlot{
      ".rsrc", "", "section .data follows the resource section and cannot move"};
  struct Row {
    const char* name;
    const PeSpec& spec;
    bool keepOverlay;
    bool stripSignature;
    Told told; ///< refused
  };
  const Row rows[] = {
      {"signed, with an overlay",
       roomy,
       false,
       false,
       {Refused::Signed, {}, Setting::StripSignature}},
      {"the same, the signature removed",
       roomy,
       false,
       true,
       {Refused::Overlay, {"8"}, Setting::KeepOverlay}},
      {"the same, the overlay kept",
       roomy,
       true,
       false,
       {Refused::Signed, {}, Setting::StripSignature}},
      {"no room as well", full, false, false, {Refused::Signed, {}, Setting::None}},
      {"no room, both given", full, true, true, {Refused::NoSectionSlot, noSlot, Setting::None}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PeSpec spec = row.spec;
    spec.tail = "payload!" + std::string(16, 'S');
    testsupport::BuiltImage built = testsupport::BuildImage(spec);
    built.SetDirectory(4, static_cast<std::uint32_t>(built.sectionsEnd + 8), 16);
    EmbedOptions options;
    options.keepOverlay = row.keepOverlay;
    options.stripSignature = row.stripSignature;
    EXPECT_EQ(Why(EmbedManifest(built.image, Manifest(5000), options)), row.told);
    options.keepOverlay = options.stripSignature = true;
    const EmbedResult both = EmbedManifest(built.image, Manifest(5000), options);
    EXPECT_EQ(both.outcome, &row.spec == &roomy ? Outcome::Embedded : Outcome::Refused)
        << Shown(both);
  }
}

// Refusals that no option overrides, each by name, with every option given too.
TEST(EmbedTest, RefusesWhatItCannotChangeSafely) {
  std::vector<PeSectionSpec> ninetySix{kText, kResources, kData};
  while (ninetySix.size() < 96)
    ninetySix.push_back({".s", "s"});
  struct Row {
    std::vector<PeSectionSpec> sections; ///< none: the bytes "MZ"
    std::uint32_t headers;
    std::size_t directory; ///< set to the first section, when not 0
    Refused code;
    std::vector<std::string> facts;
    std::string tail = {};
    std::uint16_t subsystem = 2;
  };
  const Row rows[] = {
      {{},
       0x400,
       0,
       Refused::Unreadable,
       {"the MZ header at offset 0x3C (4 bytes) runs past the end of the file (2 bytes)"}},
      {{kText, kResources, kData, {".tls", "t", 0xC0000040}},
       0x200,
       0,
       Refused::NoSectionSlot,
       {".rsrc", "", "section .data follows the resource section and cannot move"}},
      {{kText, kResources}, 0x400, 14, Refused::DotNet, {}},
      {{{"UPX0", "", 0xE0000080}, {"UPX1", "packed", 0xE0000040}, kResources},
       0x400,
       0,
       Refused::UpxPacked,
       {}},
      {{kText, {".petite", "stub", 0xE2000060}, kResources}, 0x400, 0, Refused::PetitePacked, {}},
      // Upack leaves other data in the entry.
      {{kText, kResources}, 0x400, 4, Refused::CertificateDamaged, {"0x1000", "72"}},
      // makensis's stub checks a CRC over the file from byte 512 on, unless built without.
      {{kText, kResources}, 0x400, 0, Refused::NsisInstaller, {}, NsisHeader(0)},
      {{kText, kResources}, 0x400, 0, Refused::NotForWindows, {"10"}, "", 10},
      // Were embedded: only a Windows GUI or console program reads a manifest.
      {{kText, kResources}, 0x400, 0, Refused::NotForWindows, {"0"}, "", 0},
      {{kText, kResources}, 0x400, 0, Refused::NotForWindows, {"7"}, "", 7},
      {{kText, kResources}, 0x400, 0, Refused::NotForWindows, {"9"}, "", 9},
      {{kText, kResources}, 0x400, 0, Refused::NotForWindows, {"14"}, "", 14},
      // Was added silently as the 97th.
      {ninetySix,
       0x1200,
       0,
       Refused::TooManySections,
       {".rsrc", "", "section .data follows the resource section and cannot move", "96"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.code));
    PeSpec spec;
    spec.pe32Plus = true;
    spec.sections = row.sections;
    spec.resources = SomeResources();
    spec.headersSize = row.headers;
    spec.tail = row.tail;
    testsupport::BuiltImage built = testsupport::BuildImage(spec);
    if (row.directory != 0)
      built.SetDirectory(row.directory, built.rvas[0], 72);
    testsupport::PutU16(built.image, built.optionalOffset + 68, row.subsystem);
    const std::string program = row.sections.empty() ? "MZ" : built.image;
    const EmbedResult result = EmbedManifest(program, Manifest(5000));
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(Why(result), (Told{row.code, row.facts, Setting::None}));
    EXPECT_TRUE(result.bytes.empty());
    EmbedOptions every;
    every.keepOverlay = every.stripSignature = true;
    EXPECT_EQ(Why(EmbedManifest(program, Manifest(5000), every)), Why(result));
  }
}

// What fuzzing found: a debug directory in the headers, where its entry's pointer to data
// after the sections was SizeOfHeaders itself, moved with that data; a record whose data lay
// past the end, embedded into a new section there and then never rebuilt in place.
TEST(EmbedTest, FuzzFindingsAreRefusedByName) {
  const std::string program = testsupport::ReadBytes(
      testsupport::SourceFile("tests/fuzz/embed/regressions/debug-directory-in-headers"));
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(Why(EmbedManifest(program, "<assembly/>")),
            (Told{Refused::DebugInHeaders, {}, Setting::None}));

  // A debug record's data past the end of the file, where a new section's bytes then lay.
  PeSpec spec;
  spec.sections = {kText, {".rdata", std::string(28, '\0')}, kResources, kData};
  spec.resources = SomeResources();
  testsupport::BuiltImage built = testsupport::BuildImage(spec);
  built.SetDirectory(6, built.rvas[1], 28);
  testsupport::PutU32(built.image, built.offsets[1] + 16, 16);
  testsupport::PutU32(built.image, built.offsets[1] + 24,
                      static_cast<std::uint32_t>(built.sectionsEnd + 0x200));
  EXPECT_EQ(Why(EmbedManifest(built.image, Manifest(5000))),
            (Told{Refused::DebugPointsIntoResources, {}, Setting::None}));
}

// What the program reads besides its resources keeps its address and its bytes: a resource
// section that holds more than its tree stays as it was, and the tree goes to a new section;
// only .reloc and debug data move; below a page every address stays its file offset; no size
// shrinks. Each row was broken before: the program no longer loaded, or read other data.
TEST(EmbedTest, KeepsWhatTheProgramReadsWhereItWas) {
  using testsupport::BuiltImage;
  using testsupport::PutU32;
  const PeSectionSpec rdata{".rdata", std::string(40, '\0')};
  // Bytes after the tree, inside the section's virtual size: returns their RVA.
  const auto pastTree = [](BuiltImage& pe, std::size_t section, const std::string& bytes) {
    const std::size_t header = pe.sectionTableOffset + 40 * section;
    const std::uint32_t size = U32(pe.image, header + 8);
    pe.image.replace(pe.offsets[section] + size, bytes.size(), bytes);
    PutU32(pe.image, header + 8, size + static_cast<std::uint32_t>(bytes.size()));
    return pe.rvas[section] + size;
  };
  struct Row {
    const char* name;
    std::vector<PeSectionSpec> sections;
    std::function<void(BuiltImage&)> change;
    std::size_t manifest;
    Placement placement;
    std::string said; ///< the report's resources line, from its third word
    std::uint32_t sectionAlignment = 0x1000;
  };
  const std::string unused = "the old resources stay unused in section .rsrc";
  // The resource section's memory reaches 0x10000 past its bytes, which code may use.
  const auto reserved = [](BuiltImage& pe) {
    PutU32(pe.image, pe.sectionTableOffset + 40 + 8, 0x10000);
    PutU32(pe.image, pe.optionalOffset + 56, pe.rvas[1] + 0x10000);
  };
  const Row rows[] = {
      {"import name past the tree",
       {kText, rdata, kResources},
       [&](BuiltImage& pe) {
         pe.SetDirectory(1, pe.rvas[1], 40);
         PutU32(pe.image, pe.offsets[1] + 12, pastTree(pe, 2, std::string("KERNEL32.dll\0", 13)));
       },
       5000,
       Placement::NewSection,
       "section .rsrc at RVA 0x4000; " + unused +
           ", which also holds the name of DLL KERNEL32.dll that it imports"},
      {".data merged after the tree",
       {kText, kResources},
       [&](BuiltImage& pe) { pastTree(pe, 1, std::string(0x40, 'D')); },
       40,
       Placement::NewSection,
       "section .rsrc at RVA 0x3000; " + unused +
           ", which also holds data after its resource tree, at RVA 0x23BE"},
      // Was: a new section, the filler taken for data.
      {"Microsoft's resource compiler's filler after the tree",
       {kText, kResources},
       [&](BuiltImage& pe) { pastTree(pe, 1, "PADDINGXXPADDINGPADDINGXXPADDING"); },
       40,
       Placement::InPlace,
       "in section .rsrc"},
      {"debug record in the section",
       {kText, rdata, kResources},
       [&](BuiltImage& pe) {
         pe.SetDirectory(6, pe.rvas[1], 28);
         const std::uint32_t rva = pastTree(pe, 2, "RSDS-codeview-record");
         // Its file offset alone names it, as for a record not mapped.
         PutU32(pe.image, pe.offsets[1] + 16, 20);
         PutU32(pe.image, pe.offsets[1] + 24,
                static_cast<std::uint32_t>(pe.offsets[2] + (rva - pe.rvas[2])));
       },
       40,
       Placement::NewSection,
       "section .rsrc at RVA 0x4000; " + unused + ", which also holds a debug record"},
      {"executable .init after the resources",
       {kText, kResources, {".init", std::string(16, '\xC3'), 0x62000020}},
       nullptr,
       5000,
       Placement::NewSection,
       "section .rsrc at RVA 0x4000; " + unused +
           " (section .init follows the resource section and cannot move)"},
      // Was: a new section; GNU ld names .debug_info "/4", from the COFF string table.
      {"GNU ld's long-named debug data after the resources",
       {kText, kResources, kRelocations, {"/4", std::string(16, 'G'), 0x42000040}},
       [&](BuiltImage& pe) {
         const std::uint32_t table = static_cast<std::uint32_t>(pe.image.size());
         PutU32(pe.image, pe.coffOffset + 8, table);
         pe.image += std::string("\x10\0\0\0.debug_info\0", 16);
       },
       5000,
       Placement::MovedReloc,
       ".rsrc grown to 6144 bytes; moved after it: .reloc, /4"},
      {"below a page, .data's memory past its bytes",
       {kText, kResources, kData},
       [&](BuiltImage& pe) {
         PutU32(pe.image, pe.sectionTableOffset + 80 + 8, 0x400);
         PutU32(pe.image, pe.optionalOffset + 56, pe.rvas[2] + 0x400);
       },
       5000,
       Placement::NewSection,
       "section .rsrc at RVA 0x1000; " + unused +
           " (section .data follows the resource section and cannot move)",
       0x200},
      {"memory past the resources' bytes, in place",
       {kText, kResources},
       reserved,
       40,
       Placement::InPlace,
       "in section .rsrc"},
      {"memory past the resources' bytes, grown",
       {kText, kResources},
       reserved,
       5000,
       Placement::NewSection,
       "section .rsrc at RVA 0x12000; " + unused +
           ", which also holds memory after its data in the file (0x10000 bytes, 0x400 in the "
           "file)"},
      {"SizeOfImage past the sections",
       {kText, kResources},
       [&](BuiltImage& pe) { PutU32(pe.image, pe.optionalOffset + 56, 0x20000); },
       40,
       Placement::InPlace,
       "in section .rsrc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PeSpec spec;
    spec.sections = row.sections;
    spec.resources = SomeResources();
    spec.sectionAlignment = row.sectionAlignment;
    BuiltImage built = testsupport::BuildImage(spec);
    if (row.change)
      row.change(built);
    const std::string manifest = Manifest(row.manifest);
    const EmbedResult result = EmbedManifest(built.image, manifest);
    EXPECT_EQ(result.outcome, Outcome::Embedded) << Shown(result);
    if (result.outcome != Outcome::Embedded)
      continue;
    Sample(std::string("kept-") + row.name, built.image, result, manifest);
    EXPECT_EQ(result.placement, row.placement);
    const std::string line = result.report.back();
    EXPECT_EQ(line.substr(line.find(' ', 11) + 1), row.said);
    EXPECT_EQ(testsupport::LayoutBroken(built.image, result.bytes), "");
    if (row.placement == Placement::NewSection) {
      EXPECT_TRUE(result.bytes.compare(built.offsets[0], built.sectionsEnd - built.offsets[0],
                                       built.image, built.offsets[0],
                                       built.sectionsEnd - built.offsets[0]) == 0);
    }
  }
}

// The tree's size and counts are known before a byte is copied: entries that share their
// data share it again, and the limits of the directory's own fields are refused by name.
TEST(EmbedTest, BoundsTheTreeBeforeCopyingIt) {
  // Ten entries of one blob were written ten times.
  PeSpec spec;
  spec.sections = {kText, kResources};
  for (std::uint16_t id = 1; id <= 10; ++id)
    spec.resources.push_back({ResourceKey::Id(10), ResourceKey::Id(id), std::string(0x10000, 'b')});
  testsupport::BuiltImage shared = testsupport::BuildImage(spec);
  const readers::PeImage image(shared.image);
  const readers::StoredResource& first = image.StoredResources()[0];
  for (const readers::StoredResource& r : image.StoredResources()) {
    std::string entry(8, '\0');
    testsupport::PutU32(entry, 0, r.dataRva);
    testsupport::PutU32(entry, 4, r.size);
    testsupport::PutU32(shared.image, shared.image.find(entry), first.dataRva);
    if (r.offset != first.offset)
      shared.image.replace(r.offset, r.size, r.size, '\0');
  }
  const EmbedResult once = EmbedManifest(shared.image, Manifest(40));
  ASSERT_EQ(once.outcome, Outcome::Embedded) << Shown(once);
  EXPECT_EQ(once.placement, Placement::InPlace);
  const readers::PeImage after(once.bytes);
  EXPECT_LT(after.Directory(2).size, 0x20000u);
  EXPECT_EQ(after.StoredResources().size(), 11u);
  for (const readers::StoredResource& r : after.StoredResources())
    if (r.type.id == 10) {
      EXPECT_EQ(r.offset, after.StoredResources()[0].offset);
    }

  // Were "internal fault": the directory read back was not the one written.
  struct Row {
    const char* name;
    std::uint16_t types;
    std::uint32_t names; ///< of each type
    Refused code;
    std::vector<std::string> facts;
  };
  const Row rows[] = {
      {"200,000 entries", 2, 49999, Refused::TooManyEntries, {"200001", "200000"}},
      {"65,536 types", 65535, 1, Refused::TooManyTypes, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    spec.resources.clear();
    for (std::uint32_t type = 0; spec.resources.size() < std::size_t{row.types} * row.names; ++type)
      for (std::uint32_t name = 0; type != 24 && name < row.names; ++name)
        spec.resources.push_back({ResourceKey::Id(static_cast<std::uint16_t>(type)),
                                  ResourceKey::Id(static_cast<std::uint16_t>(name)), "r"});
    EXPECT_EQ(Why(EmbedManifest(testsupport::BuildImage(spec).image, Manifest(40))),
              (Told{row.code, row.facts, Setting::None}));
  }
}
