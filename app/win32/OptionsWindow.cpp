// Win32 only.
#include "app/win32/OptionsWindow.h"

#include "app/ControlIds.h"
#include "app/Layout.h"
#include "generation/Placeholders.h"
#include "platform/win32/FromInteger.h"

namespace app::win32 {

using platform::win32::FromInteger;

namespace {} // namespace

OptionsWindow::~OptionsWindow() = default;

bool OptionsWindow::ShowModal(generation::ManifestSettings& settings, const std::string& exePath) {
  owner_ = FromInteger<HWND>(main_.Handle());
  if (!font_.get())
    font_.reset(MakeFont("Tahoma", kDialogFontSize, false, "MS Shell Dlg 2", false));
  const int dpi = ScreenDpi();
  // A fixed frame with a close box, which cancels.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  if (!Register(THEMEFOLD_OPTIONS_CLASS, nullptr, nullptr) ||
      !Create(THEMEFOLD_OPTIONS_CLASS, THEMEFOLD_OPTIONS_TITLE, style,
              layout::TwipsToPixels(layout::kOptionsClientWidth, dpi),
              layout::TwipsToPixels(layout::kOptionsClientHeight, dpi), owner_))
    return false;
  if (!CreateControls(hwnd(), layout::kOptionsControls, layout::kOptionsControlCount, font_.get(),
                      font_.get())) {
    Destroy();
    return false;
  }
  CentreOver(hwnd(), owner_);

  if (dialog_) {
    files_ = std::make_unique<InspectedComponentFiles>(
        *dialog_, *registry_, reinterpret_cast<WindowHandle>(hwnd()), '\\');
    form_ = std::make_unique<frmOptions>(*this, inspector_, *files_, settings, exePath);
  } else {
    form_ = std::make_unique<frmOptions>(*this, inspector_, settings, exePath);
  }
  form_->Form_Load();
  if (owner_)
    EnableWindow(owner_, FALSE);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  SetFocus(Control(IDC_OPTIONS_SUPPORTEDOS));
  RunModal(owner_);
  const bool accepted = form_->Accepted();
  form_.reset();
  return accepted;
}

int OptionsWindow::IdOf(Check box) {
  switch (box) {
  case Check::SupportedOs:
    return IDC_OPTIONS_SUPPORTEDOS;
  case Check::GdiScaling:
    return IDC_OPTIONS_GDISCALING;
  case Check::PrinterIsolation:
    return IDC_OPTIONS_PRINTERISOLATION;
  case Check::LongPaths:
    break;
  }
  return IDC_OPTIONS_LONGPATHS;
}

int OptionsWindow::IdOf(List list) {
  switch (list) {
  case List::RunLevel:
    return IDC_OPTIONS_RUNLEVEL;
  case List::CodePage:
    return IDC_OPTIONS_CODEPAGE;
  case List::Dpi:
    break;
  }
  return IDC_OPTIONS_DPI;
}

bool OptionsWindow::Checked(Check box) const {
  return IsDlgButtonChecked(hwnd(), IdOf(box)) == BST_CHECKED;
}

void OptionsWindow::SetChecked(Check box, bool checked) {
  CheckDlgButton(hwnd(), IdOf(box), checked ? BST_CHECKED : BST_UNCHECKED);
}

void OptionsWindow::AddItem(List list, const std::string& text) {
  SendMessageA(Control(IdOf(list)), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int OptionsWindow::Selected(List list) const {
  return static_cast<int>(SendMessageA(Control(IdOf(list)), CB_GETCURSEL, 0, 0));
}

void OptionsWindow::Select(List list, int index) {
  SendMessageA(Control(IdOf(list)), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void OptionsWindow::SetReport(const std::string& text) {
  // A multi-line box breaks lines at CR LF only.
  const std::string lines =
      generation::ReplaceAll(generation::ReplaceAll(text, "\r\n", "\n"), "\n", "\r\n");
  SetWindowTextA(Control(IDC_OPTIONS_REPORT), lines.c_str());
}

void OptionsWindow::SetComponents(const std::vector<std::string>& lines) {
  HWND list = Control(IDC_OPTIONS_COMPONENTS);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  // Wide enough to scroll to the end of the longest line.
  LONG widest = 0;
  {
    const WindowDc dc(list);
    const Selection selected(dc.get(), font_.get());
    for (const std::string& line : lines) {
      SIZE size{};
      GetTextExtentPoint32A(dc.get(), line.c_str(), static_cast<int>(line.size()), &size);
      widest = size.cx > widest ? size.cx : widest;
    }
  }
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest) + 8, 0);
}

int OptionsWindow::SelectedComponent() const {
  return static_cast<int>(SendMessageA(Control(IDC_OPTIONS_COMPONENTS), LB_GETCURSEL, 0, 0));
}

void OptionsWindow::Close() {
  // The owner takes the activation back only if it is enabled before this one goes.
  if (owner_)
    EnableWindow(owner_, TRUE);
  DestroyWindow(hwnd());
}

LRESULT OptionsWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND:
    if (form_ && HIWORD(wParam) == BN_CLICKED) {
      if (LOWORD(wParam) == IDC_OPTIONS_OK)
        form_->OK_Click();
      else if (LOWORD(wParam) == IDC_OPTIONS_CANCEL)
        form_->Cancel_Click();
      else if (LOWORD(wParam) == IDC_OPTIONS_ADD_COMPONENT)
        form_->AddComponent_Click();
      else if (LOWORD(wParam) == IDC_OPTIONS_REMOVE_COMPONENT)
        form_->RemoveComponent_Click();
      else if (LOWORD(wParam) == IDC_OPTIONS_FROM_PROJECT)
        form_->FromProject_Click();
    }
    return 0;
  case WM_CTLCOLORSTATIC:
    // Read-only, but it reads as text about the program: white like an editable box.
    if (GetDlgCtrlID(FromInteger<HWND>(lParam)) == IDC_OPTIONS_REPORT)
      return ColourAsEditable(FromInteger<HDC>(wParam));
    break;
  case WM_CLOSE:
    if (form_)
      form_->Cancel_Click();
    else
      Close();
    return 0;
  default:
    break;
  }
  return Default(message, wParam, lParam);
}

} // namespace app::win32
