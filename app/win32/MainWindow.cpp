// Win32 only.
#include "app/win32/MainWindow.h"

#include "app/AppTexts.h"
#include "app/ControlIds.h"
#include "app/Layout.h"
#include "app/win32/OptionsWindow.h"
#include "app/win32/ReadmeWindow.h"
#include "platform/win32/FromInteger.h"

namespace app::win32 {

using platform::win32::FromInteger;

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
// The button face of the standard XP theme, behind the logo.
constexpr COLORREF kPictureBackground = RGB(236, 233, 216);

} // namespace

MainWindow::MainWindow(const globals::Services& services, Shell& shell)
    : inspector_(services.files), readme_(std::make_unique<ReadmeWindow>(form_)),
      options_(
          std::make_unique<OptionsWindow>(form_, inspector_, services.dialog, services.registry)),
      form_(*this, services, shell, *readme_, *options_) {}

MainWindow::~MainWindow() = default;

bool MainWindow::Show() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  icon_ =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_THEMEFOLD), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_THEMEFOLD), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (!icon_)
    icon_ = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  hand_ = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_HAND_LINK));
  if (!hand_)
    hand_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  logo_ = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LOGO));
  font_.reset(MakeFont("Tahoma", kDialogFontSize, false, "MS Shell Dlg 2", false));
  linkFont_.reset(MakeFont("Tahoma", kDialogFontSize, true, "MS Shell Dlg 2", false));
  pictureBrush_.reset(CreateSolidBrush(kPictureBackground));

  const int dpi = ScreenDpi();
  // Fixed border, minimise box only: the maximise box shows disabled.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  if (!Register(THEMEFOLD_MAIN_CLASS, icon_, smallIcon_) ||
      !Create(THEMEFOLD_MAIN_CLASS, THEMEFOLD_MAIN_TITLE, style,
              layout::TwipsToPixels(layout::kMainClientWidth, dpi),
              layout::TwipsToPixels(layout::kMainClientHeight, dpi), nullptr))
    return false;
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : icon_));
  if (!CreateControls()) {
    Destroy();
    return false;
  }

  RECT frame;
  GetWindowRect(hwnd(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  form_.Form_Load();
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  UpdateWindow(hwnd());
  SetFocus(Control(IDC_TEXT1));
  return true;
}

bool MainWindow::CreateControls() {
  if (!win32::CreateControls(hwnd(), layout::kMainControls, layout::kMainControlCount, font_.get(),
                             linkFont_.get()))
    return false;
  SendMessageA(Control(IDC_TEXT3), EM_LIMITTEXT, layout::kDescriptionLimit, 0);
  return true;
}

int MainWindow::IdOf(Field field) {
  switch (field) {
  case Field::Text1:
    return IDC_TEXT1;
  case Field::Text3:
    return IDC_TEXT3;
  case Field::Text4:
    break;
  }
  return IDC_TEXT4;
}

std::string MainWindow::Text(Field field) const {
  HWND control = Control(IdOf(field));
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void MainWindow::SetText(Field field, const std::string& text) {
  // The edit control sends EN_CHANGE, which runs Text1_Change.
  SetWindowTextA(Control(IdOf(field)), text.c_str());
}

void MainWindow::SetGenerateEnabled(bool enabled) {
  EnableWindow(Control(IDC_COMMAND1), enabled ? TRUE : FALSE);
}

void MainWindow::SetEmbedEnabled(bool enabled) {
  EnableWindow(Control(IDC_COMMAND5), enabled ? TRUE : FALSE);
  EnableWindow(Control(IDC_CHECK1), enabled ? TRUE : FALSE);
}

bool MainWindow::ComponentsChecked() const {
  return IsDlgButtonChecked(hwnd(), IDC_CHECK1) == BST_CHECKED;
}

void MainWindow::SetOptionsCaption(const std::string& caption) {
  SetWindowTextA(Control(IDC_COMMAND4), caption.c_str());
}

void MainWindow::Close() { PostMessageA(hwnd(), WM_CLOSE, 0, 0); }

void MainWindow::DoEvents() { ProcessPendingMessages(); }

void MainWindow::Unload() {
  if (unloaded_)
    return;
  unloaded_ = true;
  form_.Form_Unload();
}

void MainWindow::DrawPicture(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, pictureBrush_.get());
  if (!logo_)
    return;
  BITMAP info{};
  GetObjectA(logo_, sizeof info, &info);
  HDC memory = CreateCompatibleDC(item.hDC);
  if (!memory)
    return;
  {
    const Selection selected(memory, logo_);
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, info.bmWidth, info.bmHeight, memory, 0, 0,
           SRCCOPY);
  }
  DeleteDC(memory);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_COMMAND: {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_TEXT1 && code == EN_CHANGE)
      form_.Text1_Change();
    else if (id == IDC_COMMAND3 && code == BN_CLICKED)
      form_.Command3_Click();
    else if (id == IDC_COMMAND4 && code == BN_CLICKED)
      form_.Command4_Click();
    else if (id == IDC_COMMAND1 && code == BN_CLICKED)
      form_.Command1_Click();
    else if (id == IDC_COMMAND2 && code == BN_CLICKED)
      form_.Command2_Click();
    else if (id == IDC_COMMAND5 && code == BN_CLICKED)
      form_.Command5_Click();
    else if (id == IDC_LABEL13 && code == STN_CLICKED)
      form_.Label13_Click();
    return 0;
  }
  case WM_CTLCOLORSTATIC: {
    HDC dc = FromInteger<HDC>(wParam);
    const int id = GetDlgCtrlID(FromInteger<HWND>(lParam));
    if (id == IDC_LABEL12 || id == IDC_LABEL13) {
      SetTextColor(dc, id == IDC_LABEL13 ? kLinkColour : GetSysColor(COLOR_3DDKSHADOW));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    // Locked, not greyed: the path stays on white like the other boxes.
    if (id == IDC_TEXT1)
      return ColourAsEditable(dc);
    break;
  }
  case WM_SETCURSOR:
    if (FromInteger<HWND>(wParam) == Control(IDC_LABEL13) && hand_) {
      SetCursor(hand_);
      return TRUE;
    }
    break;
  case WM_DRAWITEM: {
    const auto* item = FromInteger<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlID == IDC_PICTURE1) {
      DrawPicture(*item);
      return TRUE;
    }
    break;
  }
  case WM_ACTIVATE:
    // Keep the focus where it was across a switch to another program.
    if (LOWORD(wParam) == WA_INACTIVE) {
      focus_ = GetFocus();
    } else if (focus_ && IsWindow(focus_)) {
      SetFocus(focus_);
      return 0;
    }
    break;
  case WM_CLOSE:
    DestroyWindow(hwnd());
    return 0;
  case WM_ENDSESSION:
    if (wParam)
      Unload();
    return 0;
  case WM_DESTROY:
    // The controls still exist here: their texts are what is stored.
    Unload();
    PostQuitMessage(0);
    return 0;
  default:
    break;
  }
  return Default(message, wParam, lParam);
}

} // namespace app::win32
