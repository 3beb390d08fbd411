// Paths as text: Windows' rules and POSIX rules, both checked on every system.
#include <gtest/gtest.h>

#include "base/Path.h"

namespace {

constexpr path::Style W = path::Style::windows;
constexpr path::Style P = path::Style::posix;

} // namespace

TEST(BasePathTest, ReadsEachPartByTheStylesRules) {
  struct Row {
    const char* path;
    path::Style style;
    bool absolute;
    const char* baseName;
    const char* folder;
    const char* lexical;
  };
  // clang-format off
  const Row rows[] = {
      {"C:\\App\\x.ocx", W, true, "x.ocx", "C:\\App\\", "C:\\App\\x.ocx"},
      {"c:/App/Sub/../x.ocx", W, true, "x.ocx", "c:/App/Sub/../", "c:\\App\\x.ocx"},
      {"C:\\App\\..\\..\\x.ocx", W, true, "x.ocx", "C:\\App\\..\\..\\", "C:\\x.ocx"},
      {"C:x.frm", W, true, "C:x.frm", "C:", "C:x.frm"},   // drive-relative: not joined
      {"1:\\x.frm", W, false, "x.frm", "1:\\", "1:\\x.frm"}, // a drive is a letter
      {"\\\\server\\share\\.\\x.ocx", W, true, "x.ocx", "\\\\server\\share\\.\\",
       "\\\\server\\share\\x.ocx"},
      {"/a//b", W, true, "b", "/a//", "\\a\\b"},
      {"Forms\\Sub/Main.frm", W, false, "Main.frm", "Forms\\Sub/", "Forms\\Sub\\Main.frm"},
      {"App\\", W, false, "", "App\\", "App"},
      {"Main.frm", W, false, "Main.frm", "", "Main.frm"},
      {"", W, false, "", "", "."},
      {"/a/./b//c/../d", P, true, "d", "/a/./b//c/../", "/a/b/d"},
      {"/../a", P, true, "a", "/../", "/a"},
      {"a/../../b", P, false, "b", "a/../../", "../b"},
      {"./", P, false, "", "./", "."},
      {"a\\b", P, false, "a\\b", "", "a\\b"},          // a backslash is part of a name
      {"\\a", P, false, "\\a", "", "\\a"},
      {"C:\\x.exe", P, false, "C:\\x.exe", "", "C:\\x.exe"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + (row.style == W ? " (windows)" : " (posix)"));
    EXPECT_EQ(path::IsAbsolute(row.path, row.style), row.absolute);
    EXPECT_EQ(path::BaseName(row.path, row.style), row.baseName);
    EXPECT_EQ(path::Folder(row.path, row.style), row.folder);
    EXPECT_EQ(path::Lexical(row.path, row.style), row.lexical);
  }
}

TEST(BasePathTest, JoinsNamesToFolders) {
  struct Row {
    const char* folder;
    const char* name;
    path::Style style;
    const char* joined;
    const char* fromWindows; ///< name as a project writes it, joined
  };
  const Row rows[] = {
      {"C:\\Proj", "Forms\\Main.frm", W, "C:\\Proj\\Forms\\Main.frm", "C:\\Proj\\Forms\\Main.frm"},
      {"C:\\Proj\\", "../Lib/x.ocx", W, "C:\\Proj\\../Lib/x.ocx", "C:\\Proj\\..\\Lib\\x.ocx"},
      {"C:/Proj/", "x.ocx", W, "C:/Proj/x.ocx", "C:\\Proj\\x.ocx"},
      {"", "x.ocx", W, "x.ocx", "x.ocx"},
      {"/proj", "Forms\\Main.frm", P, "/proj/Forms\\Main.frm", "/proj/Forms/Main.frm"},
      {"/proj/", "C:\\Lib\\x.ocx", P, "/proj/C:\\Lib\\x.ocx", "C:/Lib/x.ocx"},
      {"/proj/", "\\Lib\\x.ocx", P, "/proj/\\Lib\\x.ocx", "/Lib/x.ocx"},
      {"/proj/", "1:\\x.frm", P, "/proj/1:\\x.frm", "/proj/1:/x.frm"},
      {"proj\\", "x.frm", P, "proj\\/x.frm", "proj/x.frm"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.folder) + " + " + row.name);
    EXPECT_EQ(path::Join(row.folder, row.name, row.style), row.joined);
    EXPECT_EQ(path::FromWindowsName(row.folder, row.name, row.style), row.fromWindows);
  }
  EXPECT_EQ(path::StyleOf('\\'), W);
  EXPECT_EQ(path::StyleOf('/'), P);
}

// A name from a project is data: a control character in it is refused, and shown visibly.
TEST(BasePathTest, ShowsControlCharactersInANameVisibly) {
  const struct Row {
    std::string name;
    bool control;
    bool nul;
    const char* visible;
  } rows[] = {
      {"App.res", false, false, "App.res"},
      {std::string("App.res\0.txt", 12), true, true, "App.res<NUL>.txt"},
      {"a\037b\tc\177", true, false, "a<0x1F>b<0x09>c<0x7F>"},
      {"\r\n", true, false, "<0x0D><0x0A>"},
      {"C\363digos \320\234.bas ~!", false, false, "C\363digos \320\234.bas ~!"},
      {"", false, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.visible);
    EXPECT_EQ(path::HasControlCharacter(row.name), row.control);
    EXPECT_EQ(path::HasNul(row.name), row.nul);
    EXPECT_EQ(path::Visible(row.name), row.visible);
  }
}
