// Path helpers: Windows rules as plain text, on every platform.
#include "support/TestSupport.h"

#include "base/Path.h"
#include "platform/BraskModule.h"

using namespace brask;

TEST(PathsTest, GetFileName) {
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\Tools\\App.exe", "App.exe"},
      {"C:/Tools/App.exe", "App.exe"},
      {"C:\\Tools/Sub\\x/App.exe", "x/App.exe"},
      {"C:\\Tools\\", "C:\\Tools\\"},
      {"C:/Tools/", "C:/Tools/"},
      {"App.exe", "App.exe"},
      {"", ""},
  };
  for (const auto& [path, expected] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetFileName(path), expected);
  }
}

TEST(PathsTest, GetPathPart) {
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\Tools\\App.exe", "C:\\Tools\\"},
      {"C:\\Tools\\", "C:\\Tools\\"},
      {"C:\\App.exe", "C:\\"},
      {"App.exe", "App.exe"},
      {"C:/Tools/App.exe", "C:/Tools/App.exe"},
      {"", ""},
  };
  for (const auto& [path, expected] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetPathPart(path), expected);
  }
}

TEST(PathsTest, StripExtension) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"App.exe", "App"},
      {"archive.tar.gz", "archive.tar"},
      {"name.", "name"},
      {".profile", ""},
      {"noext", ""},
      {"C:\\my.dir\\notes", "C:\\my"},
      {"", ""},
  };
  // clang-format on
  for (const auto& [name, expected] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(StripExtension(name), expected);
  }
}

TEST(PathsTest, AppFolderEndsInExactlyOneSeparator) {
  const std::string folder = AppFolder();
  ASSERT_GE(folder.size(), 2u);
#ifdef _WIN32
  const char separator = '\\';
  EXPECT_EQ(folder[1], ':');
#else
  const char separator = '/';
  EXPECT_EQ(folder[0], '/');
#endif
  EXPECT_EQ(folder.back(), separator);
  EXPECT_NE(folder[folder.size() - 2], separator);
}
