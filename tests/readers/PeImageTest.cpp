// The PE reader on images made in memory: lookup by type and name, and hostile files that
// must end in a message.
#include "support/TestSupport.h"

#include <functional>
#include <random>

#include "readers/Fixtures.h"
#include "readers/Inspection.h"
#include "support/PeBuilder.h"
#include "readers/PeImage.h"

using readers::FormatError;
using readers::PeImage;
using readers::ResourceKey;
using testsupport::BuildPe;
using testsupport::BuiltPe;
using testsupport::PutU16;
using testsupport::PutU32;

namespace {

std::vector<testsupport::PeResource> SampleResources() {
  return {{ResourceKey::Id(24), ResourceKey::Id(1), "<manifest/>"},
          {ResourceKey::Id(24), ResourceKey::Id(2), "second"},
          {ResourceKey::Name("TYPELIB"), ResourceKey::Id(1), "MSFT first"},
          {ResourceKey::Name("TYPELIB"), ResourceKey::Id(3), "MSFT third"},
          {ResourceKey::Name("REGISTRY"), ResourceKey::Name("MODULE"), "HKCR"}};
}

std::string Message(const std::string& image) {
  try {
    PeImage pe(image);
  } catch (const FormatError& error) {
    return error.what();
  }
  return "(read)";
}

} // namespace

TEST(PeImageTest, FindsResourcesByNumberOrName) {
  struct Row {
    bool pe32Plus;
    ResourceKey type;
    ResourceKey name;
    const char* data; ///< nullptr: not found
  };
  const Row rows[] = {
      {false, ResourceKey::Id(24), ResourceKey::Id(1), "<manifest/>"},
      {true, ResourceKey::Id(24), ResourceKey::Id(2), "second"},
      {true, ResourceKey::Id(24), ResourceKey::Id(3), nullptr},
      {false, ResourceKey::Name("TYPELIB"), ResourceKey::Id(3), "MSFT third"},
      {true, ResourceKey::Name("typelib"), ResourceKey::Id(1), "MSFT first"},
      {false, ResourceKey::Name("REGISTRY"), ResourceKey::Name("module"), "HKCR"},
      {false, ResourceKey::Name("REGISTRY"), ResourceKey::Id(1), nullptr},
      {false, ResourceKey::Id(16), ResourceKey::Id(1), nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type.ToString() + "/" + row.name.ToString() +
                 (row.pe32Plus ? " PE32+" : " PE32"));
    const BuiltPe built = BuildPe(readers::kMachineAmd64, row.pe32Plus, SampleResources());
    const PeImage pe(built.image);
    EXPECT_EQ(pe.IsPe32Plus(), row.pe32Plus);
    EXPECT_EQ(pe.Machine(), readers::kMachineAmd64);
    EXPECT_EQ(pe.Resources().size(), 5u);
    const readers::Resource* found = pe.Find(row.type, row.name);
    if (!row.data) {
      EXPECT_EQ(found, nullptr);
      continue;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(pe.Data(*found, "the resource"), row.data);
    EXPECT_EQ(found->language, 0x409);
  }
}

TEST(PeImageTest, HostileImagesGiveMessages) {
  struct Row {
    const char* what;
    std::function<void(BuiltPe&)> change;
    const char* message;
  };
  const std::size_t root = 0x200;
  const Row rows[] = {
      {"empty", [](BuiltPe& pe) { pe.image.clear(); }, "no MZ header: not a program or library"},
      {"MS-DOS program", [](BuiltPe& pe) { PutU32(pe.image, 0x3C, 0x80); },
       "no PE signature at offset 0x80: an MS-DOS program"},
      {"PE header far away", [](BuiltPe& pe) { PutU32(pe.image, 0x3C, 0xFFFFFFF0u); },
       "the PE signature at offset 0xFFFFFFF0 (4 bytes) runs past the end of the file (1024 "
       "bytes)"},
      {"MZ alone", [](BuiltPe& pe) { pe.image = "MZ"; },
       "the MZ header at offset 0x3C (4 bytes) runs past the end of the file (2 bytes)"},
      {"signature in the last bytes",
       [](BuiltPe& pe) {
         PutU32(pe.image, 0x3C, 0x3FC);
         pe.image.replace(0x3FC, 4, std::string("PE\0\0", 4));
       },
       "the COFF header at offset 0x400 (2 bytes) runs past the end of the file (1024 bytes)"},
      {"optional header longer than the file",
       [](BuiltPe& pe) { PutU16(pe.image, 0x44 + 16, 0xFFFF); },
       "the optional header at offset 0x58 (65535 bytes) runs past the end of the file (1024 "
       "bytes)"},
      {"neither PE32 nor PE32+", [](BuiltPe& pe) { PutU16(pe.image, 0x58, 0x107); },
       "optional header magic 0x107 is neither PE32 nor PE32+"},
      {"sections past the end", [](BuiltPe& pe) { PutU16(pe.image, 0x46, 0xFFFF); },
       "the section table at offset 0x3E0 (40 bytes) runs past the end of the file (1024 bytes)"},
      {"resources in no section",
       [](BuiltPe& pe) { PutU32(pe.image, pe.optionalOffset + 96 + 16, 0x7000); },
       "the resource directory at RVA 0x7000 is in no section"},
      {"root points at itself",
       [root](BuiltPe& pe) { PutU32(pe.image, root + 16 + 4, 0x80000000u); },
       "the resource directory at RVA 0x1000 is reached a second time: the directory loops"},
      // The name directory of type 24 follows the root's three entries.
      {"a name directory points at the root",
       [root](BuiltPe& pe) { PutU32(pe.image, root + 40 + 16 + 4, 0x80000000u); },
       "the resource directory at RVA 0x1000 is reached a second time: the directory loops"},
      {"a type with data instead of a directory",
       [root](BuiltPe& pe) { PutU32(pe.image, root + 16 + 4, 0x40); },
       "resource type 24 has data where a directory belongs"},
      {"entry count beyond the section",
       [root](BuiltPe& pe) { PutU16(pe.image, root + 14, 0xFFFF); },
       "the resource directory at RVA 0x1010 (524280 bytes) is not in the file's data"},
      {"resource data larger than the file",
       [](BuiltPe& pe) {
         const readers::PeImage good(pe.image);
         const std::size_t data = static_cast<std::size_t>(good.Resources()[0].offset);
         // The data entry precedes its data; its size field is the second word.
         PutU32(pe.image, data - 12, 0x7FFFFFFF);
       },
       "the data of a resource at RVA 0x1138 (2147483647 bytes) is not in the file's data"},
      {"name with a length past the end",
       [root](BuiltPe& pe) {
         const std::uint32_t entry = static_cast<std::uint8_t>(pe.image[root + 16 + 8 * 2]) |
                                     static_cast<std::uint8_t>(pe.image[root + 16 + 8 * 2 + 1])
                                         << 8;
         PutU16(pe.image, root + entry, 0xFFFF);
       },
       "a resource name at RVA 0x110A (131070 bytes) is not in the file's data"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    BuiltPe built = BuildPe(readers::kMachineI386, false, SampleResources());
    row.change(built);
    EXPECT_EQ(Message(built.image), row.message);
  }
}

// Every prefix of a real program and of a made one, and random bytes behind a valid start:
// each gives a reading or a message.
TEST(PeImageTest, TruncatedAndGarbageFilesGiveMessages) {
  std::vector<std::string> images = {
      testsupport::ReadBytes(testsupport::Fixture("App32.exe")),
      BuildPe(readers::kMachineAmd64, true, SampleResources()).image};
  ASSERT_GT(images[0].size(), 1000u);
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    std::string garbage = images[1];
    for (std::size_t k = 0; k < 16; ++k)
      garbage[0x40 + random() % (garbage.size() - 0x40)] = static_cast<char>(random());
    images.push_back(garbage);
  }
  int unreadable = 0;
  for (std::size_t n = 0; n < images.size(); ++n) {
    const std::string& image = images[n];
    for (std::size_t length = n < 2 ? 0 : image.size(); length <= image.size(); ++length) {
      SCOPED_TRACE("image " + std::to_string(n) + ", " + std::to_string(length) + " bytes");
      const readers::Inspection result =
          readers::InspectImage("Cut.exe", image.substr(0, length), std::nullopt);
      if (result.state == readers::ProgramState::Unreadable) {
        ++unreadable;
        EXPECT_TRUE(result.problem);
        EXPECT_EQ(readers::Summary(result).compare(0, 33, "Cut.exe cannot be read as a PE fi"), 0);
      }
    }
  }
  EXPECT_GT(unreadable, 1000);
}
