// Win32 only.
#include "app/win32/Window.h"

#include <cstring>

#include "app/ControlIds.h"

namespace app::win32 {

Window::~Window() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void Window::Register(const char* className, HICON icon, HICON smallIcon) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing))
    return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Window::Procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassExA(&wc);
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
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

namespace {

HFONT TryFont(const char* face, int height, bool underline, DWORD pitch, bool mustMatchFace,
              bool mustBeFixed) {
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, ANSI_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, face);
  if (!font)
    return nullptr;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  char actual[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, actual);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
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

namespace {

bool IsProgramWindow(HWND root) {
  char name[64] = {};
  GetClassNameA(root, name, sizeof name);
  return std::strcmp(name, THEMEFOLD_MAIN_CLASS) == 0 ||
         std::strcmp(name, THEMEFOLD_README_CLASS) == 0;
}

} // namespace

void DispatchOne(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && IsProgramWindow(root)) {
    const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP ||
                     msg.message == WM_CHAR;
    if (key && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
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
