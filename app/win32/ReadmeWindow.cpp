// Win32 only.
#include "app/win32/ReadmeWindow.h"

#include <stdexcept>

#include "app/ControlIds.h"
#include "app/Layout.h"
#include "platform/win32/FromInteger.h"

namespace app::win32 {

using platform::win32::FromInteger;

namespace {

constexpr int kFixedsysSize = 900; // Fixedsys 9 pt

} // namespace

ReadmeWindow::~ReadmeWindow() = default;

void ReadmeWindow::ShowModal() {
  if (!form_)
    form_ = std::make_unique<frmReadme>(*this, main_);
  owner_ = FromInteger<HWND>(main_.Handle());
  if (!font_.get())
    font_.reset(MakeFont("Fixedsys", kFixedsysSize, false, "Courier New", true));

  const int dpi = ScreenDpi();
  // Sizable; it can be maximised but not minimised.
  const DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX;
  loaded_ = false;
  if (!Register(THEMEFOLD_README_CLASS, nullptr, nullptr) ||
      !Create(THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE, style,
              layout::TwipsToPixels(layout::kReadmeClientWidth, dpi),
              layout::TwipsToPixels(layout::kReadmeClientHeight, dpi), owner_))
    return;

  RECT client;
  GetClientRect(hwnd(), &client);
  box_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL |
                             ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_READONLY,
                         0, 0, client.right, client.bottom, hwnd(),
                         FromInteger<HMENU>(IDC_README_TEXT1), GetModuleHandleA(nullptr), nullptr);
  if (!box_) {
    Destroy();
    return;
  }
  SendMessageA(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageA(box_, EM_LIMITTEXT, 0, 0);

  CentreOver(hwnd(), owner_);

  form_->Form_Load();
  loaded_ = true;
  form_->Form_Resize();

  if (owner_)
    EnableWindow(owner_, FALSE);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  SetFocus(box_);
  RunModal(owner_);
}

RECT ReadmeWindow::BoxRect() const {
  RECT rect{};
  if (!GetWindowRect(box_, &rect))
    throw std::runtime_error("no text box");
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ReadmeWindow::SetTextLeft(int left) {
  const RECT r = BoxRect();
  SetWindowPos(box_, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ReadmeWindow::SetTextTop(int top) {
  const RECT r = BoxRect();
  SetWindowPos(box_, nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ReadmeWindow::SetText(const std::string& text) { SetWindowTextA(box_, text.c_str()); }

void ReadmeWindow::SetIcon(IconHandle icon) {
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, static_cast<LPARAM>(icon));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, static_cast<LPARAM>(icon));
}

bool ReadmeWindow::IsMinimised() const { return IsIconic(hwnd()) != FALSE; }

int ReadmeWindow::ClientWidth() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.right;
}

int ReadmeWindow::ClientHeight() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return client.bottom;
}

void ReadmeWindow::SetTextWidth(int width) {
  const RECT r = BoxRect();
  if (!SetWindowPos(box_, nullptr, 0, 0, width, r.bottom - r.top,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
    throw std::runtime_error("width not set");
}

void ReadmeWindow::SetTextHeight(int height) {
  const RECT r = BoxRect();
  if (!SetWindowPos(box_, nullptr, 0, 0, r.right - r.left, height,
                    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
    throw std::runtime_error("height not set");
}

LRESULT ReadmeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_SIZE:
    if (loaded_ && form_)
      form_->Form_Resize();
    return 0;
  case WM_CTLCOLORSTATIC:
    // Read-only, but it reads as a page of text: white like an editable box.
    if (FromInteger<HWND>(lParam) == box_)
      return ColourAsEditable(FromInteger<HDC>(wParam));
    break;
  case WM_CLOSE:
    // The owner takes the activation back only if it is enabled before this one goes.
    if (owner_)
      EnableWindow(owner_, TRUE);
    DestroyWindow(hwnd());
    return 0;
  case WM_DESTROY:
    box_ = nullptr;
    loaded_ = false;
    return 0;
  default:
    break;
  }
  return Default(message, wParam, lParam);
}

} // namespace app::win32
