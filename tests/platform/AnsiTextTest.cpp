// ANSI text to UTF-8: through the code page on Windows; elsewhere UTF-8 stays and other
// text is read in the project's code page.
#include "support/TestSupport.h"

#include "platform/BraskModule.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(AnsiTextTest, ConvertsTheSystemCodePage) {
  const std::string ascii = "Themefold 1.0 <desc> & \"quotes\"";
  EXPECT_EQ(brask::AnsiToUtf8(""), "");
  EXPECT_EQ(brask::AnsiToUtf8(ascii), ascii);
  EXPECT_EQ(brask::AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
#ifdef _WIN32
  if (GetACP() != 1252)
    GTEST_SKIP() << "code page " << GetACP();
  const std::pair<std::string, std::string> rows[] = {
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80 5", "\xE2\x82\xAC 5"},
      {"\xA9 \xFF", "\xC2\xA9 \xC3\xBF"},
  };
  for (const auto& [ansi, utf8] : rows) {
    SCOPED_TRACE(ansi);
    EXPECT_EQ(brask::AnsiToUtf8(ansi), utf8);
  }
#else
  // UTF-8 stays; other bytes are text from Windows, in the code page given.
  const std::string utf8 = "Zw\xC3\xA4i \xD0\x9F";
  EXPECT_EQ(brask::AnsiToUtf8(utf8, 1251), utf8);
  EXPECT_EQ(brask::AnsiToUtf8("Zw\xE4i"), "Zw\xC3\xA4i");
  EXPECT_EQ(brask::AnsiToUtf8("\xCF\xF0", 1251), "\xD0\x9F\xD1\x80");
#endif
}

} // namespace
