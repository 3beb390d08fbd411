// The text of the settings file used where there is no registry, on every platform.
#include "support/TestSupport.h"

#include "base/SettingsFile.h"

namespace {

using settingsfile::Document;

TEST(SettingsFileTest, WritesTheExactText) {
  Document document;
  settingsfile::Set(document, "General", "Application", "C:\\VB\\App.exe");
  settingsfile::Set(document, "General", "Description", "two\nlines\r\n");
  settingsfile::Set(document, "General", "Version", "");
  settingsfile::Set(document, "Odd]=[;#", "k=ey", "a=b [c] ;d #e \\");
  settingsfile::Set(document, "general", "VERSION", "1.0"); // same key: replaced in place
  EXPECT_EQ(settingsfile::Write(document), "[General]\n"
                                           "Application=C:\\\\VB\\\\App.exe\n"
                                           "Description=two\\nlines\\r\\n\n"
                                           "Version=1.0\n"
                                           "\n"
                                           "[Odd\\]\\=\\[\\;\\#]\n"
                                           "k\\=ey=a=b [c] ;d #e \\\\\n");
}

TEST(SettingsFileTest, EveryByteRoundTrips) {
  std::string allBytes;
  for (int c = 0; c < 256; ++c)
    allBytes += static_cast<char>(c);
  const std::pair<std::string, std::string> rows[] = {
      {"key", ""},
      {"key", "plain"},
      {"=", "="},
      {"[section]", "[value]"},
      {";comment", "#not a comment"},
      {"back\\slash\\", "\\n is not a newline\\"},
      {" spaced ", "  kept  "},
      {"Grüße", "Größe — 名前"},
      {allBytes, allBytes},
  };
  for (const auto& [key, value] : rows) {
    SCOPED_TRACE(testing::PrintToString(key) + " = " + testing::PrintToString(value));
    Document document;
    settingsfile::Set(document, key, key, value);
    settingsfile::Set(document, "Other", "k", "v");
    auto read = settingsfile::Parse(settingsfile::Write(document));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(settingsfile::Find(*read, key, key), value);
    EXPECT_EQ(settingsfile::Find(*read, "other", "K"), "v");
  }
}

TEST(SettingsFileTest, ReadsFilesWrittenByHandAndNothingMore) {
  const std::string text = "; made by hand\r\n"
                           "# another comment\n"
                           "\n"
                           "[General]\r\n"
                           "Version=1.2\r\n"
                           "Empty=\n"
                           "[general]\n"
                           "Description=joined with the first section\n"
                           "[Second]\n"
                           "Version=2\n"
                           "Version=3\n";
  auto document = settingsfile::Parse(text);
  ASSERT_TRUE(document.has_value());
  EXPECT_EQ(settingsfile::Find(*document, "General", "Version"), "1.2");
  EXPECT_EQ(settingsfile::Find(*document, "General", "Empty"), "");
  EXPECT_EQ(settingsfile::Find(*document, "GENERAL", "description"),
            "joined with the first section");
  EXPECT_EQ(settingsfile::Find(*document, "Second", "Version"), "3");
  EXPECT_EQ(settingsfile::Find(*document, "General", "Missing"), std::nullopt);
  EXPECT_EQ(settingsfile::Find(*document, "Missing", "Version"), std::nullopt);
}

TEST(SettingsFileTest, MalformedTextIsRejectedWhole) {
  // clang-format off
  const std::string rows[] = {
      "key=before any section\n",
      "[General]\nno separator\n",
      "[General\nk=v\n",
      "[General]x\nk=v\n",
      "[General]\nk=bad escape \\q\n",
      "[General]\nk=ends in a lone backslash \\\n",
      "[Gen\\]\n",
      std::string("[General]\nk=raw \0 NUL\n", 22),
      "\x7f" "ELF\x02\x01\x01 binary junk",
  };
  // clang-format on
  for (const std::string& text : rows) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_FALSE(settingsfile::Parse(text).has_value());
  }
}

} // namespace
