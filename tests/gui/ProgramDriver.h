#pragma once
// Drives the real themefold.exe from outside, as a user would: starts it, finds its
// windows and message boxes, reads and sets controls, clicks. Windows only.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace driver {

using Seconds = std::chrono::seconds;

// Wine starts programs and opens dialogs slowly, the first time above all.
constexpr Seconds kWindowTimeout{90};
constexpr Seconds kExitTimeout{60};

/// The build's release folder (THEMEFOLD_RELEASE_DIR, a Unix path is taken as Wine's Z:).
std::filesystem::path ReleaseFolder();

/// The process of one program run. Ends the program at once if it is still running when
/// this goes out of scope, so a failed test never leaves a window or a dialog behind.
class RunningProgram {
public:
  /// Starts exePath with workingFolder as its current directory.
  RunningProgram(const std::string& exePath, const std::string& workingFolder);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  DWORD Id() const { return info_.dwProcessId; }
  bool HasEnded() const;
  /// True when the program ended within the timeout.
  bool WaitForEnd(Seconds timeout = kExitTimeout) const;
  void Kill();

private:
  PROCESS_INFORMATION info_{};
};

/// A top-level window of the process with this class and title, waited for; nullptr after
/// the timeout or when the program has ended.
HWND WaitForWindow(const RunningProgram& program, const std::string& className,
                   const std::string& title, Seconds timeout = kWindowTimeout);
/// The same without waiting.
HWND FindProgramWindow(const RunningProgram& program, const std::string& className,
                       const std::string& title);
/// Every visible top-level window of the process as "class 'title'", for failure messages.
std::string DescribeWindows(const RunningProgram& program);

/// Text of a control or window of another process (WM_GETTEXT, which the system copies
/// across processes).
std::string Text(HWND window);
void SetText(HWND window, const std::string& text);
/// A click as the button itself makes it, posted so that a modal loop the click opens does
/// not block the driver.
void Click(HWND button);
/// Closes a window as its close box does.
void Close(HWND window);
HWND Control(HWND dialog, int id);
/// The file name field of a common Open or Save dialog: the edit inside the 0x47C combo box
/// (nested one level deeper under Wine's ComboBoxEx), or the plain edit 0x480.
HWND FileNameField(HWND dialog);

/// A message box of the program: the #32770 dialog titled with the application's title.
struct MessageBoxWindow {
  HWND window = nullptr;
  std::string text;
  std::vector<int> buttons; // IDOK, IDCANCEL, IDYES, ... of the visible buttons, sorted
  int defaultButton = 0;
};
/// Waits for a message box; window is nullptr if none came.
MessageBoxWindow WaitForMessageBox(const RunningProgram& program, Seconds timeout = kWindowTimeout);
/// Presses one of its buttons and waits until the box is gone.
void Answer(const MessageBoxWindow& box, int buttonId);

/// Waits until window is no longer a window.
bool WaitUntilGone(HWND window, Seconds timeout = kWindowTimeout);
/// Asks done() again every few milliseconds until it holds; false when timeout ran out first.
bool WaitUntil(const std::function<bool()>& done, Seconds timeout = kWindowTimeout);
/// Waits until the thread of edit, an edit control of the program, has handled every message
/// posted to it before this call: a marker posted behind them (the control's modify flag,
/// which the program never reads) has to come through. Whatever those messages made the
/// program show is on screen by then.
bool WaitUntilHandled(HWND edit, Seconds timeout = kWindowTimeout);

} // namespace driver

namespace settings {

/// The program's own settings, where Visual Basic's SaveSetting keeps them:
/// HKCU\Software\VB and VBA Program Settings\Themefold\General.
void Clear();
void Set(const std::string& key, const std::string& value);
/// Nothing when the value is absent.
bool Get(const std::string& key, std::string& value);

} // namespace settings
