// UTF-16 from Windows structures to UTF-8.
#include <gtest/gtest.h>

#include "base/Unicode.h"

TEST(UnicodeTest, Utf16LittleEndianToUtf8) {
  struct Row {
    std::string utf16;
    std::string utf8;
  };
  const Row rows[] = {
      {std::string("A\0b\0", 4), "Ab"},
      {std::string("\xE9\x00\xAC\x20", 4), "\xC3\xA9\xE2\x82\xAC"},           // é €
      {std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},               // a surrogate pair
      {std::string("\x3D\xD8" "A\0", 4), "\xEF\xBF\xBD" "A"},                 // a lone high one
      {std::string("\x00\xDE", 2), "\xEF\xBF\xBD"},                           // a lone low one
      {std::string("A\0B", 3), "A"},                                          // an odd last byte
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(unicode::Utf16LeToUtf8(row.utf16), row.utf8);
  }
}
