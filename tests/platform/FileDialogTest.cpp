// The file dialog's record and result, on every platform.
#include "support/TestSupport.h"

#include "platform/BraskDetail.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#endif

namespace {

using brask::detail::ChosenPath;
using brask::detail::MakeFileDialogRecord;

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
       std::string("RC.exe\0RC.EXE\0\0", 15), "Please locate RC.EXE manually.",
       std::string(254, 'n')},
      {"too long a name is cut", "", "t", std::string(300, 'n'), std::string("\0\0", 2), "t",
       std::string(254, 'n')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const platform::FileDialogRecord record = MakeFileDialogRecord(
        row.filter, 0x1234, "C:\\Start", row.title, 0x80000, true, 2, row.defaultName);
    EXPECT_EQ(record.filterList, row.filterList);
    EXPECT_EQ(record.title, row.expectedTitle);
    std::string file = row.fileText;
    file.resize(255, '\0');
    EXPECT_EQ(record.fileBuffer, file);
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

#ifdef _WIN32

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return text;
}

class FileDialogWin32Test : public testsupport::TempDirTest {
protected:
  /// Shows the dialog and, from a second thread, presses button on the dialog captioned
  /// caption. Should no such dialog appear, every window of this thread is closed instead,
  /// so a wrong caption fails the test rather than hanging it.
  std::string ShowAndPress(int button, const std::string& caption, const std::string& title,
                           bool save, int& filterIndex) {
    const DWORD uiThread = GetCurrentThreadId();
    std::atomic<bool> found{false};
    std::thread closer([&] {
      // Wine opens its first dialog slowly; a wrong caption still fails within a minute.
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!found && std::chrono::steady_clock::now() < end) {
        HWND dialog = FindWindowA("#32770", caption.c_str());
        // Shown, its controls are filled; once it answers a message its own loop runs, and
        // the click is posted behind whatever it posted to itself while filling them.
        DWORD_PTR ignored = 0;
        if (dialog && GetWindowThreadProcessId(dialog, nullptr) == uiThread &&
            IsWindowVisible(dialog) &&
            SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored)) {
          found = true;
          PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        } else {
          Sleep(20);
        }
      }
      if (!found)
        EnumThreadWindows(
            uiThread,
            [](HWND window, LPARAM) CALLBACK { return PostMessageA(window, WM_CLOSE, 0, 0); }, 0);
    });
    std::string chosen = brask::ShowFileDialog("Programs|*.exe|All files|*.*", 0, Path(), title, 0,
                                               save, filterIndex, "chosen.exe");
    closer.join();
    EXPECT_TRUE(found) << "no dialog captioned " << caption;
    return chosen;
  }
};

TEST_F(FileDialogWin32Test, ConfirmedChoiceAndCancel) {
  const struct {
    const char* name;
    int button;
    const char* title;
    const char* caption;
    bool save;
    bool chosen;
  } rows[] = {
      {"open, default caption", IDOK, "", "Themefold", false, true},
      {"save, own caption", IDOK, "Locate Exe-file", "Locate Exe-file", true, true},
      {"cancel", IDCANCEL, "", "Themefold", false, false},
  };
  if (!std::getenv("DISPLAY"))
    GTEST_SKIP() << "no X display for Wine's windows";
  // A deep current folder: the dialog joins the default name to it.
  const std::string deep = Path(std::string(60, 'd') + "\\" + std::string(60, 'e'));
  std::filesystem::create_directories(deep);
  ASSERT_TRUE(brask::FolderExists(deep));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    int filterIndex = 2;
    const std::string chosen =
        ShowAndPress(row.button, row.caption, row.title, row.save, filterIndex);
    EXPECT_EQ(Lower(chosen), row.chosen ? Lower(Path("chosen.exe")) : "");
    EXPECT_EQ(filterIndex, 2);
  }
}

#else
TEST(FileDialogTest, WithoutADialogTheUserCancels) {
  int filterIndex = 2;
  EXPECT_EQ(brask::ShowFileDialog("A|*.a|B|*.b", 0, "", "", 0, false, filterIndex, "x"), "");
  EXPECT_EQ(filterIndex, 2);
}
#endif

} // namespace
