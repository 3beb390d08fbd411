// The real themefold.exe, run from a copy of the release folder and driven like a user
// would: through its windows, message boxes, the common dialog, files and the registry.

#include "gui/ProgramDriver.h"

#include "app/ControlIds.h"
#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "generation/Placeholders.h"
#include "platform/Platform.h"
#include "readers/PeImage.h"
#include "support/PeBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>

namespace fs = std::filesystem;
using driver::MessageBoxWindow;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const std::string kOverwriteRes = "File \"App_manifest.res\" already exist!\r\n\r\nOverwrite?";
const std::string kErrorCompiling = "Error compiling file!";
const std::string kVersionWarning =
    "Version info should be four numbers separated by dots, such as 1.0.0.0. Windows will "
    "not start a program whose manifest has another version.\r\n\r\nGenerate anyway?";

// Name -> bytes of every file in a folder.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadBytes(entry.path());
  return files;
}

bool IsReadOnly(const std::string& path) {
  return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}

void MakeReadOnly(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

// Where a control lies in its parent's client area.
RECT RectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

LONG_PTR Style(HWND window) { return GetWindowLongPtrA(window, GWL_STYLE); }

class ProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::random_device rd;
    root_ = fs::path(temp) / ("themefold gui " + std::to_string(rd() % 1000000));
    const fs::path tool = root_ / "Themefold Maker";
    const fs::path target = root_ / "My Projects" / "App Folder";
    fs::create_directories(tool);
    fs::create_directories(target);
    for (const char* name : {"themefold.exe", "rc.exe", "readme.txt"}) {
      ASSERT_TRUE(fs::exists(driver::ReleaseFolder() / name))
          << (driver::ReleaseFolder() / name).string() << " is not built";
      fs::copy_file(driver::ReleaseFolder() / name, tool / name);
    }
    tool_ = tool.string() + "\\";
    folder_ = target.string() + "\\";
    target_ = folder_ + "App.exe";
    WriteBytes(target_, "MZ, not really a program: only its folder counts");
    settings::Clear();
  }

  void TearDown() override {
    program_.reset();
    settings::Clear();
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ec))
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(root_, ec);
  }

  void Launch() {
    program_.reset();
    program_ = std::make_unique<driver::RunningProgram>(tool_ + "themefold.exe", root_.string());
  }

  // Starts the program from the copy and waits for its main window.
  void Start() {
    Launch();
    main_ = driver::WaitForWindow(*program_, THEMEFOLD_MAIN_CLASS, THEMEFOLD_MAIN_TITLE);
    ASSERT_NE(main_, nullptr) << "no main window; the program shows: "
                              << driver::DescribeWindows(*program_);
  }

  // Types path into the open dialog with this title and confirms it, or cancels it.
  void AnswerFileDialog(const std::string& title, const std::string& path) {
    HWND dialog = driver::WaitForWindow(*program_, "#32770", title);
    ASSERT_NE(dialog, nullptr) << "no dialog '" << title
                               << "'; the program shows: " << driver::DescribeWindows(*program_);
    if (!path.empty()) {
      HWND name = driver::FileNameField(dialog);
      ASSERT_NE(name, nullptr);
      driver::SetText(name, path);
    }
    driver::Click(GetDlgItem(dialog, path.empty() ? IDCANCEL : IDOK));
    ASSERT_TRUE(driver::WaitUntilGone(dialog));
  }

  std::string ModuleQuestion() const {
    return "File\r\n\"" + folder_ + "modThemefold.bas\"\r\nalready exist!\r\n\r\nOverwrite ?";
  }

  HWND Item(int id) const { return driver::Control(main_, id); }

  // Waits until done() holds; on a timeout the failure names what was awaited and what the
  // program shows instead.
  ::testing::AssertionResult Await(const std::string& what, const std::function<bool()>& done) {
    return Awaited(driver::WaitUntil(done), what);
  }

  // Waits until the program has handled every click and key posted to it so far.
  ::testing::AssertionResult AwaitHandled() {
    return Awaited(driver::WaitUntilHandled(Item(IDC_TEXT1)),
                   "the program to handle what was posted to it");
  }

  ::testing::AssertionResult Awaited(bool came, const std::string& what) {
    if (came)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "waited " << driver::kWindowTimeout.count() << " s for " << what
           << "; the program shows: " << driver::DescribeWindows(*program_);
  }

  // Closes the main window with "CLOSE" and waits until the program has ended.
  void CloseProgram() {
    driver::Click(Item(IDC_COMMAND2));
    ASSERT_TRUE(program_->WaitForEnd()) << driver::DescribeWindows(*program_);
  }

  MessageBoxWindow ExpectMessageBox(const std::string& text, std::vector<int> buttons,
                                    int defaultButton) {
    MessageBoxWindow box = driver::WaitForMessageBox(*program_);
    EXPECT_NE(box.window, nullptr)
        << "no message box; the program shows: " << driver::DescribeWindows(*program_);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_EQ(box.defaultButton, defaultButton);
    return box;
  }

  // Nothing but the main window comes up.
  void ExpectOnlyMainWindow() {
    ASSERT_TRUE(AwaitHandled());
    EXPECT_EQ(driver::FindProgramWindow(*program_, "#32770", THEMEFOLD_APP_TITLE), nullptr)
        << driver::DescribeWindows(*program_);
    EXPECT_EQ(driver::FindProgramWindow(*program_, THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE),
              nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));
  }

  // Starts with the target stored, sets the two typed fields and presses "Generate...".
  void StartAndGenerate(const std::string& version = "1.2.3.4",
                        const std::string& description = "Orders and invoices") {
    settings::Set("Application", target_);
    ASSERT_NO_FATAL_FAILURE(Start());
    driver::SetText(Item(IDC_TEXT4), version);
    driver::SetText(Item(IDC_TEXT3), description);
    ASSERT_TRUE(IsWindowEnabled(Item(IDC_COMMAND1)));
    driver::Click(Item(IDC_COMMAND1));
  }

  // The instructions window shows readme.txt filled in for this target; it is closed then.
  void ExpectInstructionsAndClose(const std::string& exeName = "App.exe",
                                  const std::string& resName = "App_manifest.res") {
    HWND readme = driver::WaitForWindow(*program_, THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE);
    ASSERT_NE(readme, nullptr) << "no instructions; the program shows: "
                               << driver::DescribeWindows(*program_);
    std::string expected = ReadBytes(tool_ + "readme.txt");
    ASSERT_EQ(expected.substr(expected.size() - 2), "\r\n");
    expected.resize(expected.size() - 2);
    expected = generation::ReplaceAll(expected, "%resfile%", resName);
    expected = generation::ReplaceAll(expected, "%exename%", exeName);
    EXPECT_EQ(driver::Text(driver::Control(readme, IDC_README_TEXT1)), expected);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the instructions window is modal";
    driver::Close(readme);
    ASSERT_TRUE(driver::WaitUntilGone(readme));
  }

  // The .res holds the manifest for these inputs, as the file the compiler was given.
  void ExpectResourceWithManifest(const std::string& version, const std::string& description) {
    const std::string res = ReadBytes(folder_ + "App_manifest.res");
    const std::string manifest =
        generation::BuildManifestText(version, "App.exe", description) + "\r\n";
    EXPECT_NE(res.find(manifest), std::string::npos) << "the .res lacks the manifest";
  }

  fs::path root_;
  std::string tool_;   // the program's folder, ending in "\"
  std::string folder_; // the target's folder, ending in "\"
  std::string target_;
  std::unique_ptr<driver::RunningProgram> program_;
  HWND main_ = nullptr;
};

TEST_F(ProgramTest, FirstRunFindsTheBundledCompilerAndShowsEmptyFields) {
  ASSERT_NO_FATAL_FAILURE(Start());

  std::string rc;
  ASSERT_TRUE(settings::Get("RC.EXE", rc)) << "the compiler's path is stored at start";
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, rc.c_str(), -1,
                           (tool_ + "rc.exe").c_str(), -1),
            CSTR_EQUAL)
      << rc;

  for (int id : {IDC_TEXT1, IDC_TEXT3, IDC_TEXT4}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(driver::Text(Item(id)), "");
  }
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_COMMAND1)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_COMMAND5)));
  EXPECT_TRUE(Style(Item(IDC_TEXT1)) & ES_READONLY);
  EXPECT_EQ(SendMessageA(Item(IDC_TEXT3), EM_GETLIMITTEXT, 0, 0), 300);
  EXPECT_FALSE(Style(main_) & WS_THICKFRAME);
  EXPECT_FALSE(Style(main_) & WS_MAXIMIZEBOX);
  EXPECT_TRUE(Style(main_) & WS_MINIMIZEBOX);

  // The layout in pixels at 96 DPI, scaled for the system's DPI.
  const int dpi = ScreenDpi();
  auto px = [dpi](int pixels96) { return MulDiv(pixels96, dpi, 96); };
  const RECT client = ClientRectOf(main_);
  EXPECT_EQ(client.right, px(473));
  EXPECT_EQ(client.bottom, px(276));

  struct Row {
    int id;
    const char* caption; // nullptr: not checked
    int left, top, width, height;
  };
  const Row rows[] = {
      {IDC_PICTURE1, nullptr, 10, 7, 210, 75},
      {IDC_LABEL2, nullptr, 229, 7, 227, 70},
      {IDC_LABEL1, "Application Exe:", 11, 91, 77, 13},
      {IDC_TEXT1, "", 11, 106, 420, 19},
      {IDC_COMMAND3, "...", 436, 106, 24, 19},
      {IDC_LABEL3, "Short Description:", 11, 131, 86, 13},
      {IDC_TEXT3, "", 11, 146, 449, 19},
      {IDC_LABEL4, "Version info:", 11, 170, 60, 13},
      {IDC_TEXT4, "", 11, 185, 449, 19},
      {IDC_LABEL12, "Freeware - From:", 12, 212, 84, 13},
      {IDC_LABEL13, nullptr, 98, 212, 98, 13},
      {IDC_COMMAND1, "Generate...", 313, 215, 72, 23},
      {IDC_COMMAND2, "CLOSE", 389, 215, 72, 23},
      {IDC_COMMAND5, "Embed in the program", 313, 242, 148, 23},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    HWND control = Item(row.id);
    ASSERT_NE(control, nullptr);
    if (row.caption) {
      EXPECT_EQ(driver::Text(control), row.caption);
    }
    const RECT r = RectInParent(control);
    EXPECT_EQ(r.left, px(row.left));
    EXPECT_EQ(r.top, px(row.top));
    EXPECT_EQ(r.right - r.left, px(row.width));
    EXPECT_EQ(r.bottom - r.top, px(row.height));
    // Enter and Esc do nothing special: no button is the default one.
    EXPECT_NE(Style(control) & 0x0F, BS_DEFPUSHBUTTON);
  }

  CloseProgram();
}

TEST_F(ProgramTest, BrowseThroughTheCommonDialog) {
  ASSERT_NO_FATAL_FAILURE(Start());

  struct Pass {
    bool confirm;
    std::string expectedPath;
  };
  // Cancel first: the path and the button stay as they were.
  for (const Pass& pass : {Pass{false, ""}, Pass{true, target_}}) {
    SCOPED_TRACE(pass.confirm ? "OK" : "Cancel");
    driver::Click(Item(IDC_COMMAND3));
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Locate Exe-file", pass.expectedPath));
    ASSERT_TRUE(AwaitHandled());
    EXPECT_TRUE(Await("the path field to read '" + pass.expectedPath + "'",
                      [&] { return driver::Text(Item(IDC_TEXT1)) == pass.expectedPath; }));
    EXPECT_EQ(IsWindowEnabled(Item(IDC_COMMAND1)) != FALSE, pass.confirm);
  }

  CloseProgram();
}

TEST_F(ProgramTest, FullGenerationInAFolderWithBlanks) {
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate("1.2.3.4", "Orders & invoices"));

  HWND readme = driver::WaitForWindow(*program_, THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE);
  ASSERT_NE(readme, nullptr) << driver::DescribeWindows(*program_);
  // The text box fills the client area, at the first size and after a resize.
  // Centred over the main window (which is centred on the screen), client area 471 x 320.
  RECT outer{}, owner{};
  GetWindowRect(readme, &outer);
  GetWindowRect(main_, &owner);
  EXPECT_NEAR((outer.left + outer.right) / 2, (owner.left + owner.right) / 2, 1);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
  EXPECT_NEAR((owner.left + owner.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_EQ(ClientRectOf(readme).right, MulDiv(471, ScreenDpi(), 96));
  EXPECT_EQ(ClientRectOf(readme).bottom, MulDiv(320, ScreenDpi(), 96));
  HWND box = driver::Control(readme, IDC_README_TEXT1);
  const LONG_PTR style = Style(box);
  EXPECT_TRUE(style & ES_READONLY);
  EXPECT_TRUE(style & ES_MULTILINE);
  EXPECT_TRUE((style & WS_HSCROLL) && (style & WS_VSCROLL));
  EXPECT_TRUE(Style(readme) & WS_THICKFRAME);
  EXPECT_FALSE(Style(readme) & WS_MINIMIZEBOX);
  for (int width : {0, 640, 200}) {
    SCOPED_TRACE(width);
    if (width)
      SetWindowPos(readme, nullptr, 0, 0, width, width / 2, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(Await("the text box to fill the instructions' client area", [&] {
      const RECT client = ClientRectOf(readme);
      const RECT r = RectInParent(box);
      return r.left == 0 && r.top == 0 && r.right == client.right && r.bottom == client.bottom;
    }));
    const RECT client = ClientRectOf(readme);
    const RECT r = RectInParent(box);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom, client.bottom);
  }
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());

  EXPECT_TRUE(IsWindowEnabled(main_));
  ExpectResourceWithManifest("1.2.3.4", "Orders & invoices");
  const auto files = Snapshot(folder_);
  EXPECT_EQ(files.count("App.exe.manifest"), 0u);
  EXPECT_EQ(files.count("App_manifest.rc"), 0u);
  ASSERT_EQ(files.count("modThemefold.bas"), 1u);
  EXPECT_EQ(files.at("modThemefold.bas"),
            ReadBytes(testsupport::SourceFile("tests/golden/modThemefold.bas")));

  CloseProgram();
}

// An older .res and files of the user's with the names a generation once used for its
// temporary files, all read-only.
struct Stale {
  const char* name;
  const char* bytes;
};
const Stale kStale[] = {
    {"App_manifest.res", "an older resource file"},
    {"App.exe.manifest", "the user's own side-by-side manifest"},
    {"App_manifest.rc", "the user's own script"},
};

TEST_F(ProgramTest, OverwriteCancelTouchesNothing) {
  for (const Stale& file : kStale) {
    WriteBytes(folder_ + file.name, file.bytes);
    MakeReadOnly(folder_ + file.name);
  }
  const auto before = Snapshot(folder_);
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());

  MessageBoxWindow box = ExpectMessageBox(kOverwriteRes, {IDOK, IDCANCEL}, IDOK);
  ASSERT_NE(box.window, nullptr);
  driver::Answer(box, IDCANCEL);
  ExpectOnlyMainWindow();
  EXPECT_EQ(Snapshot(folder_), before);

  CloseProgram();
}

TEST_F(ProgramTest, OverwriteOkReplacesAReadOnlyResource) {
  for (const Stale& file : kStale) {
    WriteBytes(folder_ + file.name, file.bytes);
    MakeReadOnly(folder_ + file.name);
  }
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());

  MessageBoxWindow box = ExpectMessageBox(kOverwriteRes, {IDOK, IDCANCEL}, IDOK);
  ASSERT_NE(box.window, nullptr);
  driver::Answer(box, IDOK);
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());

  ExpectResourceWithManifest("1.2.3.4", "Orders and invoices");
  EXPECT_FALSE(IsReadOnly(folder_ + "App_manifest.res"));
  const auto files = Snapshot(folder_);
  EXPECT_EQ(files.at("App.exe.manifest"), kStale[1].bytes);
  EXPECT_EQ(files.at("App_manifest.rc"), kStale[2].bytes);
  EXPECT_TRUE(IsReadOnly(folder_ + "App.exe.manifest"));
  EXPECT_EQ(files.size(), 5u) << "App.exe, the .res, the module and the user's two files";

  CloseProgram();
}

// A .res another program holds open cannot be replaced: the new one is not forced over it,
// the old one keeps its bytes, and no file of the run is left behind.
TEST_F(ProgramTest, LockedResourceIsReportedAndKeepsItsBytes) {
  WriteBytes(folder_ + "App_manifest.res", "an older resource file");
  HANDLE lock = CreateFileA((folder_ + "App_manifest.res").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());
  driver::Answer(ExpectMessageBox(kOverwriteRes, {IDOK, IDCANCEL}, IDOK), IDOK);

  MessageBoxWindow box = driver::WaitForMessageBox(*program_);
  ASSERT_NE(box.window, nullptr) << driver::DescribeWindows(*program_);
  EXPECT_NE(box.text.find("\"" + folder_ + "App_manifest.res\" failed:\r\n"), std::string::npos)
      << box.text;
  driver::Answer(box, IDOK);
  ExpectOnlyMainWindow();
  CloseHandle(lock);
  const auto files = Snapshot(folder_);
  EXPECT_EQ(files.at("App_manifest.res"), "an older resource file");
  EXPECT_EQ(files.size(), 2u) << "App.exe and the old .res: no temporary file, no module";
  CloseProgram();
}

TEST_F(ProgramTest, ExistingModuleAnsweredNoStaysByteForByte) {
  const std::string own = "Attribute VB_Name = \"modThemefold\"\r\n' my own changes\r\n";
  WriteBytes(folder_ + "modThemefold.bas", own);
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());

  MessageBoxWindow box = ExpectMessageBox(ModuleQuestion(), {IDYES, IDNO}, IDYES);
  ASSERT_NE(box.window, nullptr);
  driver::Answer(box, IDNO);
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());

  EXPECT_EQ(ReadBytes(folder_ + "modThemefold.bas"), own);
  ExpectResourceWithManifest("1.2.3.4", "Orders and invoices");

  CloseProgram();
}

TEST_F(ProgramTest, ClosingStoresTheFieldsAndARestartRestoresThem) {
  struct Run {
    const char* how;
    std::string description;
    std::string version;
  };
  settings::Set("Application", target_);
  // The second run closes with an empty description: it is stored empty, not left out.
  for (const Run& run : {Run{"close box", "Stock keeping", "2.0.0.7"}, Run{"CLOSE", "", "3"}}) {
    SCOPED_TRACE(run.how);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(driver::Text(Item(IDC_TEXT1)), target_);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_COMMAND1))) << "a stored .exe path enables Generate";
    driver::SetText(Item(IDC_TEXT3), run.description);
    driver::SetText(Item(IDC_TEXT4), run.version);
    if (std::string(run.how) == "CLOSE") {
      ASSERT_NO_FATAL_FAILURE(CloseProgram());
    } else {
      driver::Close(main_);
      ASSERT_TRUE(program_->WaitForEnd()) << driver::DescribeWindows(*program_);
    }

    const std::pair<const char*, std::string> stored[] = {
        {"Application", target_}, {"Description", run.description}, {"Version", run.version}};
    for (const auto& [key, value] : stored) {
      SCOPED_TRACE(key);
      std::string actual;
      ASSERT_TRUE(settings::Get(key, actual));
      EXPECT_EQ(actual, value);
    }

    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(driver::Text(Item(IDC_TEXT1)), target_);
    EXPECT_EQ(driver::Text(Item(IDC_TEXT3)), run.description);
    EXPECT_EQ(driver::Text(Item(IDC_TEXT4)), run.version);
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
  }
}

TEST_F(ProgramTest, MissingCompilerReportsErrorCompiling) {
  // A stored compiler path wins over the bundled one; the file goes away after start-up.
  const std::string gone = root_.string() + "\\Old Tools\\rc.exe";
  fs::create_directories(root_ / "Old Tools");
  fs::copy_file(tool_ + "rc.exe", gone);
  settings::Set("RC.EXE", gone);
  settings::Set("Application", target_);
  ASSERT_NO_FATAL_FAILURE(Start());
  fs::remove(gone);
  driver::SetText(Item(IDC_TEXT4), "1.0.0.0");
  driver::Click(Item(IDC_COMMAND1));

  // With the system's own words for a file that is not there.
  std::string reason;
  try {
    platform::ReadFileBytes(gone);
  } catch (const base::SystemError& error) {
    reason = error.Description();
  }
  MessageBoxWindow box = ExpectMessageBox(kErrorCompiling + " " + reason, {IDOK}, IDOK);
  ASSERT_NE(box.window, nullptr);
  driver::Answer(box, IDOK);
  ExpectOnlyMainWindow();
  // The temporary files are gone, and nothing else was written.
  EXPECT_EQ(Snapshot(folder_).size(), 1u) << "only App.exe remains";

  CloseProgram();
}

TEST_F(ProgramTest, VersionThatWindowsRefusesIsQuestioned) {
  struct Row {
    int answer;
    bool generated;
  };
  for (const Row& row : {Row{IDNO, false}, Row{IDYES, true}}) {
    SCOPED_TRACE(row.generated ? "Yes" : "No");
    ASSERT_NO_FATAL_FAILURE(StartAndGenerate("1.0", "Orders and invoices"));
    MessageBoxWindow box = ExpectMessageBox(kVersionWarning, {IDYES, IDNO}, IDNO);
    ASSERT_NE(box.window, nullptr);
    driver::Answer(box, row.answer);
    if (row.generated) {
      ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());
      ExpectResourceWithManifest("1.0", "Orders and invoices");
    } else {
      ExpectOnlyMainWindow();
      EXPECT_EQ(Snapshot(folder_).size(), 1u) << "nothing touched";
    }
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
  }
}

TEST_F(ProgramTest, FailedFileOperationIsReportedAndTheProgramGoesOn) {
  struct Row {
    const char* what;
    std::string failingPath;
    bool compiled; // whether the .res and the module are there afterwards
  };
  const Row rows[] = {
      {"readme.txt is missing", tool_ + "readme.txt", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const auto& entry : fs::directory_iterator(folder_))
      if (entry.path().filename() != "App.exe")
        fs::remove_all(entry.path());
    if (row.compiled)
      fs::rename(row.failingPath, row.failingPath + ".away");
    else
      fs::create_directory(row.failingPath);

    ASSERT_NO_FATAL_FAILURE(StartAndGenerate());
    MessageBoxWindow box = driver::WaitForMessageBox(*program_);
    ASSERT_NE(box.window, nullptr) << driver::DescribeWindows(*program_);
    // "<operation> "<path>" failed:", the system's description, "Code <number>".
    const std::string quoted = " \"" + row.failingPath + "\" failed:\r\n";
    EXPECT_NE(box.text.find(quoted), std::string::npos) << box.text;
    const auto code = box.text.rfind("\r\nCode ");
    ASSERT_NE(code, std::string::npos) << box.text;
    EXPECT_GT(code, box.text.find(quoted) + quoted.size()) << "a description comes first";
    EXPECT_NE(std::atoi(box.text.c_str() + code + 7), 0) << box.text;
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    driver::Answer(box, IDOK);

    ExpectOnlyMainWindow();
    EXPECT_EQ(driver::Text(Item(IDC_TEXT3)), "Orders and invoices");
    if (!row.compiled) {
      EXPECT_TRUE(fs::is_directory(row.failingPath)) << "nothing it did not make is deleted";
    }
    EXPECT_EQ(fs::exists(folder_ + "App_manifest.res"), row.compiled);
    EXPECT_EQ(fs::exists(folder_ + "modThemefold.bas"), row.compiled);
    EXPECT_FALSE(fs::exists(folder_ + "App_manifest.rc"));
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
    if (row.compiled)
      fs::rename(row.failingPath + ".away", row.failingPath);
  }
}

TEST_F(ProgramTest, ClickQueuedWhileTheCompilerRunsStartsNoSecondGeneration) {
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());
  // The second click waits in the queue while the first generation runs the compiler.
  driver::Click(Item(IDC_COMMAND1));
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());
  // A second generation would find the new .res and ask before overwriting it.
  ExpectOnlyMainWindow();
  CloseProgram();
}

TEST_F(ProgramTest, WithoutAnyCompilerTheUserIsAskedForIt) {
  // No Visual Basic, nothing stored, nothing beside the program.
  const std::string picked = root_.string() + "\\Old Tools\\Rc.Exe";
  fs::create_directories(root_ / "Old Tools");
  fs::rename(tool_ + "rc.exe", picked);

  // A file of another name is refused; cancelling then ends the program, storing nothing.
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Please locate RC.EXE manually.", target_));
  MessageBoxWindow invalid = ExpectMessageBox("Invalid file!", {IDOK}, IDOK);
  ASSERT_NE(invalid.window, nullptr);
  driver::Answer(invalid, IDOK);
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Please locate RC.EXE manually.", ""));
  MessageBoxWindow quitting =
      ExpectMessageBox("Application will not work without RC.EXE, quitting!", {IDOK}, IDOK);
  ASSERT_NE(quitting.window, nullptr);
  driver::Answer(quitting, IDOK);
  EXPECT_TRUE(program_->WaitForEnd()) << driver::DescribeWindows(*program_);
  std::string stored;
  EXPECT_FALSE(settings::Get("RC.EXE", stored)) << stored;

  // A compiler picked in mixed case is taken and stored as picked.
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Please locate RC.EXE manually.", picked));
  main_ = driver::WaitForWindow(*program_, THEMEFOLD_MAIN_CLASS, THEMEFOLD_MAIN_TITLE);
  ASSERT_NE(main_, nullptr) << driver::DescribeWindows(*program_);
  ASSERT_TRUE(settings::Get("RC.EXE", stored));
  EXPECT_EQ(stored, picked);
  CloseProgram();
}

TEST_F(ProgramTest, SecondGenerationShowsItsOwnInstructions) {
  ASSERT_NO_FATAL_FAILURE(StartAndGenerate());
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());

  // Another target in the same folder, picked through the dialog, in the same run.
  WriteBytes(folder_ + "Other.exe", "MZ");
  driver::Click(Item(IDC_COMMAND3));
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Locate Exe-file", folder_ + "Other.exe"));
  driver::Click(Item(IDC_COMMAND1));
  // The module of the first run is there now.
  MessageBoxWindow module = ExpectMessageBox(ModuleQuestion(), {IDYES, IDNO}, IDYES);
  ASSERT_NE(module.window, nullptr) << driver::DescribeWindows(*program_);
  driver::Answer(module, IDYES);
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose("Other.exe", "Other_manifest.res"));
  EXPECT_TRUE(fs::exists(folder_ + "Other_manifest.res"));
  EXPECT_EQ(ReadBytes(folder_ + "modThemefold.bas"),
            ReadBytes(testsupport::SourceFile("tests/golden/modThemefold.bas")));
  CloseProgram();
}

} // namespace

TEST_F(ProgramTest, ManifestOptionsCancelledChangeNothingAndOkedOnesReachTheRes) {
  // A real program as the target, so the window can say what it carries: our compiler.
  ASSERT_TRUE(CopyFileA((tool_ + "rc.exe").c_str(), target_.c_str(), FALSE));
  settings::Set("Application", target_);
  ASSERT_NO_FATAL_FAILURE(Start());
  HWND button = Item(IDC_COMMAND4);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(driver::Text(button), "Options...");
  // Left of "Generate...", the same size.
  const RECT options = RectInParent(button);
  const RECT generate = RectInParent(Item(IDC_COMMAND1));
  EXPECT_EQ(options.top, generate.top);
  EXPECT_EQ(options.right - options.left, generate.right - generate.left);
  EXPECT_EQ(options.bottom - options.top, generate.bottom - generate.top);
  EXPECT_LT(options.right, generate.left);

  auto open = [this]() -> HWND {
    driver::Click(Item(IDC_COMMAND4));
    HWND window =
        driver::WaitForWindow(*program_, THEMEFOLD_OPTIONS_CLASS, THEMEFOLD_OPTIONS_TITLE);
    EXPECT_NE(window, nullptr) << driver::DescribeWindows(*program_);
    return window;
  };
  auto checked = [](HWND window, int id) {
    return SendMessageA(driver::Control(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  };
  auto chosen = [](HWND window, int id) {
    return SendMessageA(driver::Control(window, id), CB_GETCURSEL, 0, 0);
  };

  // Cancel: modal, owned by the main window and centred over it; nothing is kept.
  HWND window = open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetWindow(window, GW_OWNER), main_);
  EXPECT_FALSE(IsWindowEnabled(main_));
  RECT over{}, frame{};
  GetWindowRect(main_, &over);
  GetWindowRect(window, &frame);
  EXPECT_LE(std::abs((over.left + over.right) - (frame.left + frame.right)), 2);
  EXPECT_LE(std::abs((over.top + over.bottom) - (frame.top + frame.bottom)), 2);
  EXPECT_EQ(chosen(window, IDC_OPTIONS_RUNLEVEL), 0);
  EXPECT_EQ(chosen(window, IDC_OPTIONS_DPI), 0);
  const std::string report = driver::Text(driver::Control(window, IDC_OPTIONS_REPORT));
  EXPECT_EQ(report.rfind("App.exe carries a manifest now: visual styles on, supported Windows "
                         "Vista/7/8/8.1/10 and 11, run level asInvoker",
                         0),
            0u)
      << report;
  driver::Click(driver::Control(window, IDC_OPTIONS_SUPPORTEDOS));
  driver::Click(driver::Control(window, IDC_OPTIONS_CANCEL));
  ASSERT_TRUE(driver::WaitUntilGone(window));
  ASSERT_TRUE(AwaitHandled());
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(driver::Text(button), "Options...");
  std::string stored;
  EXPECT_FALSE(settings::Get("SupportedOS", stored));

  // OK: every setting chosen as a user does.
  window = open();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(checked(window, IDC_OPTIONS_SUPPORTEDOS)) << "Cancel kept a choice";
  for (int id : {IDC_OPTIONS_SUPPORTEDOS, IDC_OPTIONS_GDISCALING, IDC_OPTIONS_LONGPATHS,
                 IDC_OPTIONS_PRINTERISOLATION})
    driver::Click(driver::Control(window, id));
  SendMessageA(driver::Control(window, IDC_OPTIONS_RUNLEVEL), CB_SETCURSEL, 1, 0);
  SendMessageA(driver::Control(window, IDC_OPTIONS_DPI), CB_SETCURSEL, 1, 0);
  SendMessageA(driver::Control(window, IDC_OPTIONS_CODEPAGE), CB_SETCURSEL, 1, 0);
  driver::Click(driver::Control(window, IDC_OPTIONS_OK));
  ASSERT_TRUE(driver::WaitUntilGone(window));
  ASSERT_TRUE(AwaitHandled());
  EXPECT_TRUE(Await("the button to read 'Options... *'",
                    [&] { return driver::Text(button) == "Options... *"; }));
  // clang-format off
  const std::pair<const char*, const char*> keys[] = {
      {"SupportedOS", "1"}, {"ExecutionLevel", "asInvoker"}, {"DpiAwareness", "system"},
      {"GdiScaling", "1"},  {"LongPathAware", "1"}, {"ActiveCodePage", "legacy"},
      {"PrinterDriverIsolation", "1"}};
  // clang-format on
  for (const auto& [key, value] : keys) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(settings::Get(key, stored));
    EXPECT_EQ(stored, value);
  }

  driver::SetText(Item(IDC_TEXT4), "1.2.3.4");
  driver::SetText(Item(IDC_TEXT3), "Orders and invoices");
  driver::Click(Item(IDC_COMMAND1));
  ASSERT_NO_FATAL_FAILURE(ExpectInstructionsAndClose());
  generation::ManifestSettings settings;
  settings.supportedOs = true;
  settings.runLevel = generation::RunLevel::AsInvoker;
  settings.dpi = generation::DpiAwareness::System;
  settings.gdiScaling = true;
  settings.longPathAware = true;
  settings.codePage = generation::CodePage::Legacy;
  settings.printerIsolation = true;
  // The target is this lane's compiler: the manifest names its width.
  const char* architecture = sizeof(void*) == 8 ? "amd64" : "X86";
  const std::string res = ReadBytes(folder_ + "App_manifest.res");
  EXPECT_NE(res.find(generation::BuildManifestText("1.2.3.4", "App.exe", "Orders and invoices",
                                                   architecture, settings) +
                     "\r\n"),
            std::string::npos)
      << "the .res lacks the manifest with the options";
  ASSERT_NO_FATAL_FAILURE(CloseProgram());

  // The next start shows them; Esc leaves them as they are.
  ASSERT_NO_FATAL_FAILURE(Start());
  EXPECT_EQ(driver::Text(Item(IDC_COMMAND4)), "Options... *");
  window = open();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(checked(window, IDC_OPTIONS_SUPPORTEDOS));
  EXPECT_EQ(chosen(window, IDC_OPTIONS_RUNLEVEL), 1);
  EXPECT_EQ(chosen(window, IDC_OPTIONS_DPI), 1);
  EXPECT_TRUE(checked(window, IDC_OPTIONS_GDISCALING));
  EXPECT_TRUE(checked(window, IDC_OPTIONS_LONGPATHS));
  EXPECT_EQ(chosen(window, IDC_OPTIONS_CODEPAGE), 1);
  EXPECT_TRUE(checked(window, IDC_OPTIONS_PRINTERISOLATION));
  driver::Click(driver::Control(window, IDC_OPTIONS_GDISCALING));
  PostMessageA(driver::Control(window, IDC_OPTIONS_SUPPORTEDOS), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(driver::WaitUntilGone(window));
  ASSERT_TRUE(settings::Get("GdiScaling", stored));
  EXPECT_EQ(stored, "1");
  ASSERT_NO_FATAL_FAILURE(CloseProgram());
}

#ifdef THEMEFOLD_COM_DIR
namespace {

// Unix paths of the build under Wine's drive Z:.
std::string BuildPath(std::string path) {
  for (char& c : path)
    if (c == '/')
      c = '\\';
  return "Z:" + path;
}

// The data of the manifest resource (type 24) in a .res file; "" when there is none.
std::string ManifestOfRes(const std::string& res) {
  std::size_t at = 0;
  while (at + 12 <= res.size()) {
    DWORD dataSize = 0, headerSize = 0;
    std::memcpy(&dataSize, res.data() + at, 4);
    std::memcpy(&headerSize, res.data() + at + 4, 4);
    if (headerSize < 12 || at + headerSize + dataSize > res.size())
      return std::string();
    WORD type[2] = {};
    std::memcpy(type, res.data() + at + 8, 4);
    if (type[0] == 0xFFFF && type[1] == 24)
      return res.substr(at + headerSize, dataSize);
    at = (at + headerSize + dataSize + 3) & ~static_cast<std::size_t>(3);
  }
  return std::string();
}

// Runs a console program and returns what it printed.
std::string Output(const std::string& program) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0))
    return "no pipe";
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  const bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write);
  std::string text = started ? "" : "did not start";
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
    text.append(buffer, got);
  CloseHandle(read);
  if (started) {
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  return text;
}

} // namespace

TEST_F(ProgramTest, ComponentAddedInTheOptionsWindowIsCreatedWithoutRegistration) {
  // The target is the test client; its component lies beside it, never registered.
  const std::string component = folder_ + "calc.dll";
  ASSERT_TRUE(CopyFileA(BuildPath(THEMEFOLD_COM_CLIENT).c_str(), target_.c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileA(BuildPath(THEMEFOLD_COM_DIR "/calc.dll").c_str(), component.c_str(), FALSE));
  EXPECT_NE(Output(target_).find("CoCreateInstance 0x80040154"), std::string::npos)
      << "the component is registered: the proof would prove nothing";

  settings::Set("Application", target_);
  ASSERT_NO_FATAL_FAILURE(Start());
  driver::Click(Item(IDC_COMMAND4));
  HWND window = driver::WaitForWindow(*program_, THEMEFOLD_OPTIONS_CLASS, THEMEFOLD_OPTIONS_TITLE);
  ASSERT_NE(window, nullptr) << driver::DescribeWindows(*program_);
  driver::Click(driver::Control(window, IDC_OPTIONS_ADD_COMPONENT));
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Add a component", component));
  HWND list = driver::Control(window, IDC_OPTIONS_COMPONENTS);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  // Across processes Wine hands list box text over in UTF-16 only.
  wchar_t wide[MAX_PATH + 100] = {};
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(wide));
  char line[MAX_PATH + 100] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
  EXPECT_EQ(std::string(line), component + ": 1 class");
  driver::Click(driver::Control(window, IDC_OPTIONS_OK));
  ASSERT_TRUE(driver::WaitUntilGone(window));
  ASSERT_TRUE(AwaitHandled());
  std::string stored;
  ASSERT_TRUE(settings::Get("Components", stored));
  EXPECT_EQ(stored, component);

  driver::SetText(Item(IDC_TEXT4), "1.0.0.0");
  driver::Click(Item(IDC_COMMAND1));
  HWND readme = driver::WaitForWindow(*program_, THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE);
  ASSERT_NE(readme, nullptr) << driver::DescribeWindows(*program_);
  generation::ComponentFacts calc;
  calc.fileName = "calc.dll";
  const std::string paragraph = generation::texts::ComponentsParagraph({calc});
  const std::string shown = driver::Text(driver::Control(readme, IDC_README_TEXT1));
  ASSERT_GE(shown.size(), paragraph.size());
  EXPECT_EQ(shown.substr(shown.size() - paragraph.size()), paragraph);
  driver::Close(readme);
  ASSERT_TRUE(driver::WaitUntilGone(readme));
  ASSERT_NO_FATAL_FAILURE(CloseProgram());

  // Linked: the .res's manifest becomes the client's own manifest resource.
  // The target is the client itself: the tool names its architecture, amd64 in this lane's
  // 64-bit build.
  const std::string manifest = ManifestOfRes(ReadBytes(folder_ + "App_manifest.res"));
  ASSERT_NE(manifest.find("<file name=\"calc.dll\">"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find(sizeof(void*) == 8 ? "processorArchitecture=\"amd64\""
                                             : "processorArchitecture=\"X86\""),
            std::string::npos)
      << manifest;
  const std::string linked = folder_ + "Linked.exe";
  ASSERT_TRUE(CopyFileA(target_.c_str(), linked.c_str(), FALSE));
  HANDLE update = BeginUpdateResourceA(linked.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), 0,
                              const_cast<char*>(manifest.data()),
                              static_cast<DWORD>(manifest.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  const std::string output = Output(linked);
  EXPECT_NE(output.find("CoCreateInstance 0x00000000"), std::string::npos) << output;
  EXPECT_NE(output.find("sum 5"), std::string::npos) << output;
}
#endif

// The user saves the project from Visual Basic while the question is open, so that it now
// starts in its own Sub Main: OK plans again, and the new list is asked about before anything
// is written.
TEST_F(ProgramTest, APickedProjectIsSetUpOnceTheUserSaysOkToWhatItIsThen) {
  const std::string vbp = folder_ + "Ledger.vbp";
  const std::string project = "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\n"
                              "Name=\"Ledger\"\r\nMajorVer=3\r\nRevisionVer=4\r\n"
                              "Title=\"Household ledger\"\r\n";
  std::string saved = project;
  saved.replace(saved.find("Startup=\"frmMain\""), 17,
                "Module=modMain; modMain.bas\r\nStartup=\"Sub Main\"");
  const std::string mainModule =
      "Attribute VB_Name = \"modMain\"\r\nSub Main()\r\n    frmMain.Show\r\nEnd Sub\r\n";
  WriteBytes(vbp, project);
  WriteBytes(folder_ + "frmMain.frm",
             "VERSION 5.00\r\nBegin VB.Form frmMain\r\nEnd\r\nAttribute VB_Name = \"frmMain\"\r\n");
  ASSERT_NO_FATAL_FAILURE(Start());
  driver::Click(Item(IDC_COMMAND3));
  ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Locate Exe-file", vbp));
  EXPECT_TRUE(Await("the project's version in its field",
                    [&] { return driver::Text(Item(IDC_TEXT4)) == "3.0.0.4"; }));
  EXPECT_EQ(driver::Text(Item(IDC_TEXT3)), "Household ledger");
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_COMMAND1)));

  driver::Click(Item(IDC_COMMAND1));
  const MessageBoxWindow question = driver::WaitForMessageBox(*program_);
  ASSERT_NE(question.window, nullptr) << driver::DescribeWindows(*program_);
  // The folder once, each file from it.
  EXPECT_EQ(question.text.find("These files in \"" + folder_ + "\" will be changed"), 0u)
      << question.text;
  EXPECT_NE(question.text.find("\nLedger.vbp: lists modThemefold.bas;"), std::string::npos)
      << question.text;
  EXPECT_NE(question.text.find("Close the project in Visual Basic first"), std::string::npos);
  EXPECT_EQ(question.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  WriteBytes(folder_ + "modMain.bas", mainModule);
  WriteBytes(vbp, saved);
  driver::Answer(question, IDOK);

  const MessageBoxWindow again = driver::WaitForMessageBox(*program_);
  ASSERT_NE(again.window, nullptr) << driver::DescribeWindows(*program_);
  EXPECT_EQ(again.text.find("The project changed while the question was open."), 0u) << again.text;
  EXPECT_NE(again.text.find("\nmodMain.bas: Sub Main checks the common controls first\n"),
            std::string::npos)
      << again.text;
  EXPECT_EQ(ReadBytes(vbp), saved);
  driver::Answer(again, IDOK);
  const MessageBoxWindow report = driver::WaitForMessageBox(*program_);
  ASSERT_NE(report.window, nullptr) << driver::DescribeWindows(*program_);
  EXPECT_NE(report.text.find("\nbackup: Ledger.vbp.bak\n"), std::string::npos) << report.text;
  driver::Answer(report, IDOK);

  EXPECT_EQ(ReadBytes(vbp + ".bak"), saved);
  EXPECT_EQ(ReadBytes(folder_ + "modMain.bas.bak"), mainModule);
  EXPECT_NE(ReadBytes(vbp).find("Module=modThemefold; modThemefold.bas\r\n"
                                "ResFile32=\"Ledger_manifest.res\"\r\n"),
            std::string::npos);
  EXPECT_NE(ReadBytes(folder_ + "modMain.bas").find("InitCommonControlsVB"), std::string::npos);
  const std::string res = ReadBytes(folder_ + "Ledger_manifest.res");
  EXPECT_NE(res.find("name=\"Ledger.exe\""), std::string::npos);
  EXPECT_NE(res.find("version=\"3.0.0.4\""), std::string::npos);
  EXPECT_FALSE(fs::exists(vbp + ".themefold-run"));
  CloseProgram();
}

// A probe program without a manifest, embedded from the window: asked, then written, with
// the old program kept as the backup.
TEST_F(ProgramTest, EmbedInTheProgramWritesTheManifestIntoItOnceTheUserSaysOk) {
  testsupport::PeSpec spec;
  spec.sections = {{".text", std::string(0x200, '\xC3'), 0x60000020},
                   {".rsrc", "", 0x40000040, true}};
  const std::string probe = testsupport::BuildImage(spec).image;
  WriteBytes(target_, probe);
  settings::Set("Application", target_);
  ASSERT_NO_FATAL_FAILURE(Start());
  driver::SetText(Item(IDC_TEXT4), "1.2.3.4");
  driver::SetText(Item(IDC_TEXT3), "Orders and invoices");
  ASSERT_TRUE(IsWindowEnabled(Item(IDC_COMMAND5)));
  driver::Click(Item(IDC_COMMAND5));

  const MessageBoxWindow question = driver::WaitForMessageBox(*program_);
  ASSERT_NE(question.window, nullptr) << driver::DescribeWindows(*program_);
  EXPECT_EQ(question.text.find("Embed the manifest in\n\"" + target_ + "\"?"), 0u) << question.text;
  EXPECT_NE(question.text.find("\n\nThe program is copied to App.exe.bak first."),
            std::string::npos)
      << question.text;
  EXPECT_EQ(question.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_EQ(ReadBytes(target_), probe) << "nothing is written before OK";
  driver::Answer(question, IDOK);

  const MessageBoxWindow report = driver::WaitForMessageBox(*program_);
  ASSERT_NE(report.window, nullptr) << driver::DescribeWindows(*program_);
  EXPECT_EQ(report.text.find("App.exe now carries the manifest.\n"), 0u) << report.text;
  EXPECT_NE(report.text.find("\nbackup: " + target_ + ".bak\n"), std::string::npos) << report.text;
  EXPECT_NE(report.text.find("Rebuilding the program replaces it"), std::string::npos);
  driver::Answer(report, IDOK);

  EXPECT_EQ(ReadBytes(target_ + ".bak"), probe);
  const readers::PeImage image(ReadBytes(target_));
  const readers::Resource* manifest = image.Find(
      readers::ResourceKey::Id(readers::kManifestResourceType), readers::ResourceKey::Id(1));
  ASSERT_NE(manifest, nullptr);
  const std::string text = image.Data(*manifest, "the manifest");
  EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos) << text;
  EXPECT_NE(text.find("version=\"1.2.3.4\""), std::string::npos) << text;
  EXPECT_NE(text.find("Orders and invoices"), std::string::npos) << text;
  CloseProgram();
}
