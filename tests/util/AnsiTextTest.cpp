// ANSI text to UTF-8: through the code page on Windows, unchanged elsewhere.
#include "support/TestSupport.h"

#include "util/BraskModule.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(AnsiTextTest, ConvertsTheSystemCodePage) {
  const std::string ascii = "Themefold 1.0 <desc> & \"quotes\"";
  EXPECT_EQ(BraskModule::AnsiToUtf8(""), "");
  EXPECT_EQ(BraskModule::AnsiToUtf8(ascii), ascii);
  EXPECT_EQ(BraskModule::AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
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
    EXPECT_EQ(BraskModule::AnsiToUtf8(ansi), utf8);
  }
#else
  std::string allBytes;
  for (int c = 1; c < 256; ++c)
    allBytes += static_cast<char>(c);
  EXPECT_EQ(BraskModule::AnsiToUtf8(allBytes), allBytes); // even bytes that are not UTF-8
#endif
}

} // namespace
