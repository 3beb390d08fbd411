// Win32 only.
#include "app/win32/Window.h"

#include "app/ControlIds.h"
#include "platform/win32/FromInteger.h"

namespace app::win32 {

using platform::win32::FromInteger;

namespace {

DWORD StyleOf(layout::Kind kind, int id) {
  switch (kind) {
  case layout::Kind::Picture:
    // A picture box takes the focus too, last in the tab order.
    return SS_OWNERDRAW | WS_TABSTOP;
  case layout::Kind::Label:
    // Only the description wraps; the captions are one line, clipped at their width.
    return SS_NOPREFIX | (id == IDC_LABEL2 ? SS_LEFT : SS_LEFTNOWORDWRAP);
  case layout::Kind::Note:
    return SS_NOPREFIX | SS_LEFT;
  case layout::Kind::Link:
    return SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
  case layout::Kind::Edit:
    return WS_TABSTOP | ES_AUTOHSCROLL;
  case layout::Kind::ReadOnlyEdit:
    return WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY;
  case layout::Kind::Report:
    return WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
  case layout::Kind::Button:
    // "Generate..." and "Embed in the program" wait for a target path.
    return WS_TABSTOP | BS_PUSHBUTTON |
           (id == IDC_COMMAND1 || id == IDC_COMMAND5 ? WS_DISABLED : 0);
  case layout::Kind::DefaultButton:
    return WS_TABSTOP | BS_DEFPUSHBUTTON;
  case layout::Kind::CheckBox:
    // The main window's waits for a target path, as "Embed in the program" does.
    return WS_TABSTOP | BS_AUTOCHECKBOX | (id == IDC_CHECK1 ? WS_DISABLED : 0);
  case layout::Kind::DropList:
    return WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
  case layout::Kind::List:
    return WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
  }
  return 0;
}

const char* ClassOf(layout::Kind kind) {
  switch (kind) {
  case layout::Kind::Edit:
  case layout::Kind::ReadOnlyEdit:
  case layout::Kind::Report:
    return "EDIT";
  case layout::Kind::Button:
  case layout::Kind::DefaultButton:
  case layout::Kind::CheckBox:
    return "BUTTON";
  case layout::Kind::DropList:
    return "COMBOBOX";
  case layout::Kind::List:
    return "LISTBOX";
  default:
    return "STATIC";
  }
}

// A drop-down list's height is that of the list dropped down, room for its entries.
constexpr int kDropListRows = 6;

} // namespace

bool CreateControls(HWND parent, const layout::Control* controls, std::size_t count, HFONT font,
                    HFONT linkFont) {
  const int dpi = ScreenDpi();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // Created in tab order, so Tab follows the table.
  for (std::size_t i = 0; i < count; ++i) {
    const layout::Control& c = controls[i];
    const bool sunken = c.kind == layout::Kind::Edit || c.kind == layout::Kind::ReadOnlyEdit ||
                        c.kind == layout::Kind::Report || c.kind == layout::Kind::Picture ||
                        c.kind == layout::Kind::List;
    const int height = c.kind == layout::Kind::DropList ? c.height * kDropListRows : c.height;
    HWND control = CreateWindowExA(
        sunken ? WS_EX_CLIENTEDGE : 0, ClassOf(c.kind), c.text,
        WS_CHILD | WS_VISIBLE | StyleOf(c.kind, c.id), layout::TwipsToPixels(c.left, dpi),
        layout::TwipsToPixels(c.top, dpi), layout::TwipsToPixels(c.width, dpi),
        layout::TwipsToPixels(height, dpi), parent, FromInteger<HMENU>(c.id), instance, nullptr);
    if (!control)
      return false;
    SendMessageA(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(c.kind == layout::Kind::Link ? linkFont : font), FALSE);
  }
  return true;
}

LRESULT ColourAsEditable(HDC dc) {
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void CentreOver(HWND window, HWND owner) {
  RECT frame, over;
  GetWindowRect(window, &frame);
  if (!owner || !GetWindowRect(owner, &over))
    SetRect(&over, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, over.left + (over.right - over.left - width) / 2,
               over.top + (over.bottom - over.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Window::~Window() { Destroy(); }

void Window::Destroy() {
  if (!hwnd_)
    return;
  // Detached first: the window's last messages take the default path.
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

Window* Window::FromHandle(HWND hwnd) {
  // Only windows of the classes Register made carry a Window in their user data.
  if (FromInteger<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)) != &Window::Procedure)
    return nullptr;
  return FromInteger<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool Window::Register(const char* className, HICON icon, HICON smallIcon) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing))
    return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Window::Procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0;
}

bool Window::Create(const char* className, const char* title, DWORD style, int clientWidth,
                    int clientHeight, HWND owner) {
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                  GetModuleHandleA(nullptr), this);
  return hwnd_ != nullptr;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(FromInteger<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = FromInteger<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    self->hwnd_ = nullptr;
    return result;
  }
  return self->HandleMessage(message, wParam, lParam);
}

void Window::RunModal(HWND owner) {
  MSG msg;
  bool quit = false;
  while (hwnd_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    DispatchOne(msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
  }
  if (quit)
    PostQuitMessage(static_cast<int>(msg.wParam));
}

int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

namespace {

HFONT TryFont(const char* face, int height, bool underline, DWORD pitch, bool mustMatchFace,
              bool mustBeFixed) {
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, face);
  if (!font)
    return nullptr;
  char actual[LF_FACESIZE] = {};
  TEXTMETRICA metrics{};
  {
    const WindowDc screen(nullptr);
    const Selection selected(screen.get(), font);
    GetTextFaceA(screen.get(), LF_FACESIZE, actual);
    GetTextMetricsA(screen.get(), &metrics);
  }
  // TMPF_FIXED_PITCH set means a variable-pitch font.
  const bool fixed = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
  if ((mustMatchFace && lstrcmpiA(actual, face) != 0) || (mustBeFixed && !fixed)) {
    DeleteObject(font);
    return nullptr;
  }
  return font;
}

} // namespace

HFONT MakeFont(const char* face, int centipoints, bool underline, const char* fallbackFace,
               bool fixedPitch) {
  const int dpi = ScreenDpi();
  const int height = -((centipoints * dpi + 3600) / 7200);
  const DWORD pitch = fixedPitch ? (FIXED_PITCH | FF_MODERN) : DEFAULT_PITCH;
  if (HFONT font = TryFont(face, height, underline, pitch, true, fixedPitch))
    return font;
  if (HFONT font = TryFont(fallbackFace, height, underline, pitch, false, fixedPitch))
    return font;
  return TryFont(nullptr, height, underline, pitch, false, false);
}

void DispatchOne(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (Window* window = root ? Window::FromHandle(root) : nullptr) {
    const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR;
    if (window->EnterAndEscKeys() == Window::EnterAndEsc::Ignored && key &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
      return;
    if (IsDialogMessageA(root, &msg))
      return;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    DispatchOne(msg);
  return static_cast<int>(msg.wParam);
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

} // namespace app::win32
