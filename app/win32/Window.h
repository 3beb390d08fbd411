#pragma once
// Win32 only. The window procedure thunk shared by the program's windows, GDI ownership,
// and the message loop.

#include <windows.h>

#include <cstddef>

#include "app/Layout.h"

namespace app::win32 {

/// A top-level window whose messages go to a member. WM_NCCREATE stores `this`; messages
/// that arrive before it, and after WM_NCDESTROY, take the default path.
class Window {
public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const { return hwnd_; }

  /// What Enter and Esc do: nothing in a window without OK and Cancel buttons, or press
  /// them through the dialog manager.
  enum class EnterAndEsc { Ignored, OkAndCancel };
  virtual EnterAndEsc EnterAndEscKeys() const { return EnterAndEsc::Ignored; }

  /// The Window behind hwnd; nullptr for a window of another class, a message box say.
  static Window* FromHandle(HWND hwnd);

protected:
  /// Registers className once per process; false when the system refuses it.
  static bool Register(const char* className, HICON icon, HICON smallIcon);
  /// Creates the window around a client area of the given size, in pixels.
  bool Create(const char* className, const char* title, DWORD style, int clientWidth,
              int clientHeight, HWND owner);
  /// Destroys a window made only in part, without the messages of a closing one: what its
  /// controls hold is not taken for the user's.
  void Destroy();
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
  }
  /// Runs the thread's messages until this window is gone, then gives owner (disabled while
  /// this one was shown) its input back. A WM_QUIT met on the way is put back.
  void RunModal(HWND owner);

private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

/// A device context of window (nullptr: the screen), released when it goes.
class WindowDc {
public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_)
      ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

/// Selects object into dc for its own lifetime; what was selected before comes back.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_ && old_ != HGDI_ERROR)
      SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

/// Owns one GDI object.
template <typename Handle> class GdiObject {
public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  Handle get() const { return handle_; }
  void reset(Handle handle = nullptr) {
    if (handle_)
      DeleteObject(handle_);
    handle_ = handle;
  }

private:
  Handle handle_;
};

/// Pixels per inch of the screen.
int ScreenDpi();
/// face at the size in hundredths of a point; another face when face is not installed,
/// fixed-pitch when fixedPitch is asked for.
/// The windows' own font: Tahoma 8.25 pt, or the face Windows substitutes for dialogs.
inline constexpr int kDialogFontSize = 825;

HFONT MakeFont(const char* face, int centipoints, bool underline, const char* fallbackFace,
               bool fixedPitch);

/// Creates the controls of a table as children of parent, scaled for the screen, in the
/// table's order; the link takes linkFont, the others font. False when the system refused
/// one: the window is then of no use.
bool CreateControls(HWND parent, const layout::Control* controls, std::size_t count, HFONT font,
                    HFONT linkFont);
/// For WM_CTLCOLORSTATIC of a read-only box that should read like an editable one: its
/// text black on white. Returns the brush to give back.
LRESULT ColourAsEditable(HDC dc);
/// Moves window to the centre of owner, or of the screen without one.
void CentreOver(HWND window, HWND owner);

/// Runs one message of the thread: Tab moves between controls of the program's windows,
/// and Enter and Esc do what the window's EnterAndEscKeys says.
void DispatchOne(MSG& msg);
/// Until WM_QUIT; the exit code it carries.
int RunMessageLoop();
/// One pass over the messages pending now. A WM_QUIT met on the way is put back.
void ProcessPendingMessages();

} // namespace app::win32
