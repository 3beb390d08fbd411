// UTF-16 from Windows structures, and Windows' single-byte code pages, to UTF-8.
#include <gtest/gtest.h>

#include "base/CodePages.h"
#include "base/Unicode.h"

TEST(UnicodeTest, Utf16LittleEndianToUtf8) {
  struct Row {
    std::string utf16;
    std::string utf8;
  };
  // clang-format off
  const Row rows[] = {
      {std::string("A\0b\0", 4), "Ab"},
      {std::string("\xE9\x00\xAC\x20", 4), "\xC3\xA9\xE2\x82\xAC"},           // é €
      {std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},               // a surrogate pair
      {std::string("\x3D\xD8" "A\0", 4), "\xEF\xBF\xBD" "A"},                 // a lone high one
      {std::string("\x00\xDE", 2), "\xEF\xBF\xBD"},                           // a lone low one
      {std::string("A\0B", 3), "A"},                                          // an odd last byte
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(unicode::Utf16LeToUtf8(row.utf16), row.utf8);
  }
}

TEST(UnicodeTest, TellsUtf8FromOtherBytes) {
  EXPECT_TRUE(unicode::IsUtf8(""));
  EXPECT_TRUE(unicode::IsUtf8("C\xC3\xB3"
                              "digos \xF0\x9F\x98\x80"));
  EXPECT_FALSE(unicode::IsUtf8("C\xF3"
                               "digos"));        // code page 1252
  EXPECT_FALSE(unicode::IsUtf8("\xC0\xAF"));     // overlong
  EXPECT_FALSE(unicode::IsUtf8("\xED\xA0\x80")); // a surrogate
  EXPECT_FALSE(unicode::IsUtf8("\xE2\x82"));     // cut short
}

TEST(UnicodeTest, SingleByteCodePagesToUtf8) {
  struct Row {
    unsigned codePage;
    std::string bytes;
    std::string utf8;
  };
  // clang-format off
  const Row rows[] = {
      {1250, "\x8A\xB9", "\xC5\xA0\xC4\x85"},                                   // Š ą
      // Привет €Ё
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2 \x88\xA8",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x82\xAC\xD0\x81"},
      // Códigos €Ÿ
      {1252, "C\xF3" "digos \x80\x9F", "C\xC3\xB3" "digos \xE2\x82\xAC\xC5\xB8"},
      {1252, "\x81\x90", "\xEF\xBF\xBD\xEF\xBF\xBD"},                         // unassigned
      {1253, "\xE1\xE2", "\xCE\xB1\xCE\xB2"},                                   // αβ
      {1254, "\xF0\xFE", "\xC4\x9F\xC5\x9F"},                                   // ğş
      {1255, "\xE0\xF9", "\xD7\x90\xD7\xA9"},                                   // אש
      {1256, "\xC7\xE1", "\xD8\xA7\xD9\x84"},                                   // ال
      {1257, "\xE0\xD0", "\xC4\x85\xC5\xA0"},                                   // ąŠ
      {1257, std::string("a\0~\x7F", 4), std::string("a\0~\x7F", 4)},             // ASCII
      {437, "\xE9", "\xC3\xA9"}, // an unsupported code page reads as the default
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.codePage);
    EXPECT_EQ(codepages::ToUtf8(row.bytes, row.codePage), row.utf8);
  }
  EXPECT_EQ(codepages::Choices(), "1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257");
  unsigned codePage = 0;
  for (const char* text : {"", "1258", "437", "cp1251", "1251 ", "-1251", "99999999999"})
    EXPECT_FALSE(codepages::Parse(text, codePage)) << text;
  EXPECT_EQ(codePage, 0u);
  EXPECT_TRUE(codepages::Parse("1251", codePage));
  EXPECT_EQ(codePage, 1251u);
}
