// The type-library reader on libraries widl built here, and on hostile ones made from them.
#include "support/TestSupport.h"

#include <functional>

#include "readers/Bytes.h"
#include "readers/Fixtures.h"
#include "support/PeBuilder.h"
#include "readers/TypeLib.h"

using testsupport::PutU32;

using testsupport::Fixture;

namespace {

std::string ListingOrMessage(const std::string& bytes, std::uint16_t index = 1) {
  try {
    return readers::Listing(readers::ReadTypeLib(bytes, index));
  } catch (const readers::FormatError& error) {
    return error.what();
  }
}

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  return readers::Bytes(bytes).U32(at, "test");
}

/// File offset of segment i's directory entry in an MSFT library.
std::size_t SegmentEntry(const std::string& tlb, int i) {
  return 0x54 + 4 * U32(tlb, 0x20) + 16 * i;
}

/// File offset of the first class's first reference record.
std::size_t FirstClassReference(const std::string& tlb) {
  const std::size_t infos = U32(tlb, SegmentEntry(tlb, 0));
  for (std::uint32_t i = 0; i < U32(tlb, 0x20); ++i)
    if ((U32(tlb, infos + 100 * i) & 0xF) == 5)
      return U32(tlb, SegmentEntry(tlb, 3)) + U32(tlb, infos + 100 * i + 0x54);
  return 0;
}

} // namespace

// Every fact, byte for byte, from a .tlb and from the TYPELIB resources of libraries.
TEST(TypeLibTest, ReadsWhatWidlWrote) {
  struct Row {
    const char* path;
    const char* golden;
  };
  const Row rows[] = {
      {"Widget.tlb", "Widget.tlb.txt"},      {"Widget32.tlb", "Widget32.tlb.txt"},
      {"Flags.tlb", "Flags.tlb.txt"},        {"Widget64.dll", "Widget.tlb.txt"},
      {"Widget64.dll\\1", "Widget.tlb.txt"}, {"Widget64.dll\\2", "Flags.tlb.txt"},
      {"Widget32.ocx\\2", "Flags.tlb.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(readers::Listing(readers::ReadTypeLibFile(Fixture(row.path))),
              testsupport::Golden(std::string("readers/") + row.golden));
  }
}

TEST(TypeLibTest, HostileLibrariesGiveMessages) {
  const std::string widget = testsupport::ReadBytes(Fixture("Widget.tlb"));
  ASSERT_EQ(widget.compare(0, 4, "MSFT"), 0);
  struct Row {
    const char* what;
    std::function<std::string()> make;
    const char* message;
  };
  auto changed = [&widget](std::size_t at, std::uint32_t value) {
    return [&widget, at, value] {
      std::string bytes = widget;
      PutU32(bytes, at, value);
      return bytes;
    };
  };
  const std::size_t names = SegmentEntry(widget, 7);
  const std::size_t typeInfos = U32(widget, SegmentEntry(widget, 0));
  const Row rows[] = {
      {"empty", [] { return std::string(); }, "neither a type library nor a program or library"},
      {"SLTG", [] { return std::string("SLTG\x01\x00\x00\x00", 8); },
       "an SLTG type library, the older format, which is not read; MIDL and widl write the MSFT "
       "format"},
      {"header only", [&widget] { return widget.substr(0, 0x30); },
       "the segment directory at offset 0x70 (4 bytes) runs past the end of the file (48 bytes)"},
      {"more types than the file holds", changed(0x20, 0x7FFFFFFF),
       "the segment directory at offset 0x200000050 (4 bytes) runs past the end of the file "
       "(2976 bytes)"},
      {"negative type count", changed(0x20, 0xFFFFFFFF), "the header gives -1 types"},
      {"no segment directory", changed(SegmentEntry(widget, 0) + 12, 0),
       "no segment directory at offset 0x70"},
      {"name table past the end", changed(names + 4, 0x100000),
       "the name table at offset 0x824 (1048576 bytes) runs past the end of the file (2976 "
       "bytes)"},
      {"negative segment offset", changed(names, 0xFFFFFF00), "the name table has offset -256"},
      {"library name outside its table", changed(0x38, 0x7FFFFFF0),
       "a name at offset 0x7FFFFFF8 (4 bytes) runs past the end of the name table (396 bytes)"},
      {"library GUID outside its table", changed(0x08, 0x1000),
       "a GUID at offset 0x1000 (16 bytes) runs past the end of the GUID table (288 bytes)"},
      {"a class that names type 9 of 7", changed(FirstClassReference(widget), 900),
       "a class refers to type offset 0x384 of 7 types"},
      {"a class that names a missing import", changed(FirstClassReference(widget), 0x7FFF0001),
       "an import at offset 0x7FFF0000 (4 bytes) runs past the end of the import table (12 "
       "bytes)"},
      {"a class reference chain past its table", changed(typeInfos + 100 * 5 + 0x54, 0x7FFF0000),
       "a reference at offset 0x7FFF0000 (4 bytes) runs past the end of the reference table "
       "(64 bytes)"},
      {"a class whose interface list loops",
       [&widget] {
         std::string bytes = widget;
         const std::size_t at = FirstClassReference(widget);
         PutU32(bytes, at + 12,
                static_cast<std::uint32_t>(at - U32(widget, SegmentEntry(widget, 3))));
         return bytes;
       },
       "the reference at offset 0x0 is reached a second time: an interface list loops"},
      {"a program without one", [] { return testsupport::BuildPe(0x14C, false, {}).image; },
       "no TYPELIB resource 1"},
      {"a TYPELIB resource holding a program",
       [] {
         const std::string inner = testsupport::BuildPe(0x14C, false, {}).image;
         return testsupport::BuildPe(
                    0x14C, false,
                    {{readers::ResourceKey::Name("TYPELIB"), readers::ResourceKey::Id(1), inner}})
             .image;
       },
       "the TYPELIB resource holds a program, not a type library"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ListingOrMessage(row.make()), row.message);
  }
}

// Every prefix of a library and of a DLL that holds one gives a reading or a message.
TEST(TypeLibTest, TruncatedLibrariesGiveMessages) {
  for (const char* name : {"Widget.tlb", "Widget64.dll"}) {
    const std::string bytes = testsupport::ReadBytes(Fixture(name));
    ASSERT_GT(bytes.size(), 1000u);
    int messages = 0;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      const std::string result = ListingOrMessage(bytes.substr(0, length));
      if (result.compare(0, 8, "library ") != 0)
        ++messages;
    }
    SCOPED_TRACE(name);
    EXPECT_GT(messages, 1000);
  }
}

// What fuzzing found: lists of implemented interfaces that loop, which made a few
// kilobytes into tens of thousands of entries.
TEST(TypeLibTest, FuzzFindingsGiveMessages) {
  const std::filesystem::path folder = testsupport::SourceFile("tests/fuzz/typelib/regressions");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(ListingOrMessage(testsupport::ReadBytes(entry.path())).find("library "),
              std::string::npos);
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST(TypeLibTest, PathsEndingInAnIndexTakeThatResource) {
  struct Row {
    const char* path;
    const char* file;
    std::uint16_t index;
  };
  const Row rows[] = {
      {"C:\\x\\a.ocx", "C:\\x\\a.ocx", 1},
      {"C:\\x\\a.ocx\\2", "C:\\x\\a.ocx", 2},
      {"/lib/a.dll\\3", "/lib/a.dll", 3},
      {"a.dll\\65535", "a.dll", 65535},
      {"a.dll\\65536", "a.dll\\65536", 1},
      {"a.dll\\0", "a.dll\\0", 1},
      {"a.dll\\x2", "a.dll\\x2", 1},
      {"a.dll\\", "a.dll\\", 1},
      {"\\2", "\\2", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const auto [file, index] = readers::SplitTypeLibPath(row.path);
    EXPECT_EQ(file, row.file);
    EXPECT_EQ(index, row.index);
  }
}

TEST(TypeLibTest, MessagesNameTheFile) {
  struct Row {
    std::string path;
    std::string start;
  };
  const Row rows[] = {
      {Fixture("Widget64.dll\\3"), Fixture("Widget64.dll\\3") + ": no TYPELIB resource 3"},
      {Fixture("App32.exe"), Fixture("App32.exe") + ": no TYPELIB resource 1"},
      {Fixture("Missing.ocx"), Fixture("Missing.ocx") + ": "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      readers::ReadTypeLibFile(row.path);
      ADD_FAILURE() << "read";
    } catch (const readers::FormatError& error) {
      EXPECT_EQ(std::string(error.what()).compare(0, row.start.size(), row.start), 0)
          << error.what();
    }
  }
}
