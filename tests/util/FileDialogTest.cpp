// The file dialog's record and result, on every platform.
#include "support/TestSupport.h"

#include "util/BraskDetail.h"

namespace {

using BraskModule::detail::ChosenPath;
using BraskModule::detail::MakeFileDialogRecord;

TEST(FileDialogTest, FillsTheRecord) {
  const struct {
    const char* name;
    std::string filter, title, defaultName;
    std::string filterList, expectedTitle, fileText;
  } rows[] = {
      {"main window", "EXE Files (*.exe)|*.exe", "Locate Exe-file", "",
       std::string("EXE Files (*.exe)\0*.exe\0\0", 25), "Locate Exe-file", ""},
      {"two pairs, no title", "Programs|*.exe|All files|*.*", "", "App.exe",
       std::string("Programs\0*.exe\0All files\0*.*\0\0", 30), "Themefold", "App.exe"},
      {"longest name", "RC.exe|RC.EXE", "Please locate RC.EXE manually.", std::string(254, 'n'),
       std::string("RC.exe\0RC.EXE\0\0", 15), "Please locate RC.EXE manually.", std::string(254, 'n')},
      {"too long a name is cut", "", "t", std::string(300, 'n'), std::string("\0\0", 2), "t",
       std::string(254, 'n')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const platform::FileDialogRecord record =
        MakeFileDialogRecord(row.filter, 0x1234, "C:\\Start", row.title, 0x80000, true, 2,
                             row.defaultName);
    EXPECT_EQ(record.filterList, row.filterList);
    EXPECT_EQ(record.title, row.expectedTitle);
    std::string file = row.fileText;
    file.resize(254, ' ');
    EXPECT_EQ(record.fileBuffer, file + '\0');
    EXPECT_EQ(record.fileTitleBuffer, std::string(254, ' ') + '\0');
    EXPECT_EQ(record.ownerWindow, 0x1234u);
    EXPECT_EQ(record.initialFolder, "C:\\Start");
    EXPECT_EQ(record.flags, 0x80000u);
    EXPECT_TRUE(record.save);
    EXPECT_EQ(record.filterIndex, 2);
  }
}

TEST(FileDialogTest, ResultIsTheTextBeforeTheFirstNulTrimmed) {
  const std::pair<std::string, std::string> rows[] = {
      {std::string("C:\\My Apps\\App.exe\0       ", 26), "C:\\My Apps\\App.exe"},
      {std::string("C:\\App.exe   \0", 14), "C:\\App.exe"},
      {std::string("  C:\\App.exe\0x\0", 15), "C:\\App.exe"},
      {std::string(254, ' ') + '\0', ""},
      {std::string("\0C:\\stale.exe", 13), ""},
      {"C:\\no NUL at all  ", "C:\\no NUL at all"},
  };
  for (const auto& [buffer, expected] : rows) {
    SCOPED_TRACE(testing::PrintToString(buffer));
    EXPECT_EQ(ChosenPath(buffer), expected);
  }
}

#ifndef _WIN32
TEST(FileDialogTest, WithoutADialogTheUserCancels) {
  int filterIndex = 2;
  EXPECT_EQ(BraskModule::ShowFileDialog("A|*.a|B|*.b", 0, "", "", 0, false, filterIndex, "x"), "");
  EXPECT_EQ(filterIndex, 2);
}
#endif

} // namespace
