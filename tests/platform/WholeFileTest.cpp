// Reading and writing whole files through the platform layer.
#include "support/TestSupport.h"

#include <optional>

#include "platform/Platform.h"
#include "platform/Ports.h"
#include "platform/BraskModule.h"

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class WholeFileTest : public testsupport::TempDirTest {};

TEST_F(WholeFileTest, ReadRemovesOneFinalCrLfOnly) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""},
      {"\r\n", ""},
      {"a\r\n\r\n", "a\r\n"},
      {"a\n", "a\n"},
      {"a\r", "a\r"},
      {"a\r\nb", "a\r\nb"},
      {std::string("nul\0inside\r\n", 12), std::string("nul\0inside", 10)},
  };
  for (const auto& [bytes, expected] : rows) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    WriteBytes(Path("t.txt"), bytes);
    EXPECT_EQ(brask::ReadWholeFile(Path("t.txt")), expected);
  }
}

TEST_F(WholeFileTest, MissingFileReachesTheCallerWithNumberAndDescription) {
  try {
    brask::ReadWholeFile(Path("missing.txt"));
    FAIL() << "no error";
  } catch (const base::SystemError& e) {
#ifdef _WIN32
    EXPECT_EQ(e.Number(), 2u); // ERROR_FILE_NOT_FOUND
#else
    EXPECT_EQ(e.Number(), 2u); // ENOENT
#endif
    EXPECT_FALSE(e.Description().empty());
    EXPECT_EQ(e.Path(), Path("missing.txt"));
    EXPECT_NE(std::string(e.what()).find(e.Description()), std::string::npos);
  }
  // Nothing stays open: the folder can be removed at once.
  WriteBytes(Path("t.txt"), "x");
  EXPECT_EQ(brask::ReadWholeFile(Path("t.txt")), "x");
  std::filesystem::remove(Path("t.txt"));
  EXPECT_FALSE(std::filesystem::exists(Path("t.txt")));
}

// What a generation probes on its normal path (no settings file, a program not built yet)
// answers without an exception; anything else that cannot be opened still throws.
TEST_F(WholeFileTest, OpenIfPresentIsNothingOnlyForANameNothingHas) {
  WriteBytes(Path("t.txt"), "bytes");
  std::filesystem::create_directories(Path("folder"));
  struct Row {
    std::string path;
    std::optional<std::string> bytes;
    bool throws;
  };
  const Row rows[] = {
      {Path("t.txt"), "bytes", false},
      {Path("missing.txt"), std::nullopt, false},
      {Path("missing folder") + "/x.txt", std::nullopt, false},
      {Path("folder"), std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      const auto file = platform::ReadableFile::OpenIfPresent(row.path);
      EXPECT_FALSE(row.throws);
      EXPECT_EQ(file ? std::optional<std::string>(file->ReadAll(100)) : std::nullopt, row.bytes);
    } catch (const base::SystemError&) {
      EXPECT_TRUE(row.throws);
    }
  }
}

TEST_F(WholeFileTest, WriteCreatesAnewAndAppendsCrLf) {
  WriteBytes(Path("out.txt"), "a much longer old content");
  brask::WriteTextFile(Path("out.txt"), "new");
  EXPECT_EQ(ReadBytes(Path("out.txt")), "new\r\n");
  brask::WriteTextFile(Path("empty.txt"), "");
  EXPECT_EQ(ReadBytes(Path("empty.txt")), "\r\n");
}

TEST_F(WholeFileTest, WriteIntoMissingFolderThrows) {
  EXPECT_THROW(brask::WriteTextFile(Path("no/such/folder.txt"), "x"), base::SystemError);
}

// A new file with stretches copied from another file holds the bytes asked for, whatever the
// system copied: the other file cut short or gone, the rest is written. Held bytes are the
// file's, an empty file's too, and a file over the limit is refused.
TEST_F(WholeFileTest, CopiedStretchesAndHeldBytesAreTheFilesBytes) {
  std::string old(300000, '\0');
  for (std::size_t i = 0; i < old.size(); ++i)
    old[i] = static_cast<char>(i * 7 + i / 251);
  // The head kept, a new piece, then the rest of old moved 100 bytes on.
  const std::string bytes = old.substr(0, 100000) + std::string(100, 'n') + old.substr(100000);
  const std::vector<platform::SameStretch> same = {{0, 0, 100000}, {100000, 100100, 200000}};
  // Given in parts whose ends are not the stretches'.
  const std::string_view all = bytes;
  const std::vector<std::string_view> parts = {all.substr(0, 99999), all.substr(99999, 102),
                                               all.substr(100101)};
  const std::pair<const char*, std::string> rows[] = {
      {"whole", old}, {"cut short", old.substr(0, 150000)}, {"gone", ""}};
  platform::SystemFiles files;
  for (const auto& [name, source] : rows) {
    SCOPED_TRACE(name);
    std::filesystem::remove(Path("new.bin"));
    if (!source.empty())
      WriteBytes(Path("old.bin"), source);
    else
      std::filesystem::remove(Path("old.bin"));
    ASSERT_TRUE(files.CreateNewFileFrom(Path("new.bin"), parts, Path("old.bin"), same,
                                        platform::Keep::durable));
    EXPECT_TRUE(ReadBytes(Path("new.bin")) == bytes);
    EXPECT_TRUE(files.Hold(Path("new.bin"), bytes.size())->Bytes() == bytes);
  }
  EXPECT_FALSE(files.CreateNewFileFrom(Path("new.bin"), {"x"}, Path("old.bin"), same,
                                       platform::Keep::durable));
  WriteBytes(Path("empty.bin"), "");
  EXPECT_EQ(files.Hold(Path("empty.bin"), 0)->Bytes(), "");
  EXPECT_THROW(files.Hold(Path("new.bin"), bytes.size() - 1), base::SystemError);
}

// A file compared with bytes a window at a time: the same, one byte off in the last window,
// shorter, longer, empty; given whole, and in two parts that end inside a window.
TEST_F(WholeFileTest, SameContentsComparesEveryWindow) {
  std::string bytes((std::size_t{4} << 20) + 5000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 13 + i / 509);
  std::string last = bytes;
  last[last.size() - 3] ^= 1;
  const std::pair<std::string, bool> rows[] = {{bytes, true},
                                               {last, false},
                                               {bytes.substr(0, bytes.size() - 1), false},
                                               {bytes + "x", false},
                                               {"", false}};
  WriteBytes(Path("new.bin"), bytes);
  platform::SystemFiles files;
  for (const auto& [expected, same] : rows) {
    SCOPED_TRACE(expected.size());
    const std::string_view all = expected;
    EXPECT_EQ(files.SameContents(Path("new.bin"), {all}), same);
    const std::size_t cut = std::min<std::size_t>(all.size(), (std::size_t{4} << 20) - 3);
    EXPECT_EQ(files.SameContents(Path("new.bin"), {all.substr(0, cut), all.substr(cut)}), same);
  }
  WriteBytes(Path("empty.bin"), "");
  EXPECT_TRUE(files.SameContents(Path("empty.bin"), {}));
}

#ifndef _WIN32
// Another program cuts a held file short (Windows refuses while it is mapped): reading the
// cut pages would kill the process; instead they read as zeros and the holder is told.
TEST_F(WholeFileTest, AHeldFileCutShortReadsAsZerosAndSaysSo) {
  const std::string bytes(5 * 65536, 'b');
  WriteBytes(Path("held.bin"), bytes);
  platform::SystemFiles files;
  const std::unique_ptr<platform::HeldBytes> held = files.Hold(Path("held.bin"), bytes.size());
  EXPECT_TRUE(held->Whole());
  std::filesystem::resize_file(Path("held.bin"), 65536);
  const std::string_view now = held->Bytes();
  EXPECT_EQ(now.substr(0, 65536), bytes.substr(0, 65536));
  EXPECT_EQ(now.substr(3 * 65536, 10), std::string(10, '\0'));
  EXPECT_FALSE(held->Whole());
  // The next holder starts whole.
  EXPECT_TRUE(files.Hold(Path("held.bin"), bytes.size())->Whole());
}
#endif
