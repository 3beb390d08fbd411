#pragma once
// Win32 only. frmMain's window: real controls laid out from the twips table, messages mapped
// to the handlers of app::frmMain.

#include <windows.h>

#include <memory>

#include "app/frmMain.h"
#include "app/win32/Services.h"
#include "app/win32/Window.h"

namespace app::win32 {

class OptionsWindow;
class ReadmeWindow;

class MainWindow : public Window, public MainView {
public:
  MainWindow(const globals::Services& services, Shell& shell);
  ~MainWindow() override;

  /// Creates the window, runs Form_Load and shows it; false, with no window, when the system
  /// refuses the window or one of its controls.
  bool Show();
  frmMain& Form() { return form_; }

  std::string Text(Field field) const override;
  void SetText(Field field, const std::string& text) override;
  void SetGenerateEnabled(bool enabled) override;
  void SetEmbedEnabled(bool enabled) override;
  bool ComponentsChecked() const override;
  void SetOptionsCaption(const std::string& caption) override;
  void Close() override;
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd()); }
  IconHandle Icon() const override { return reinterpret_cast<IconHandle>(icon_); }
  void DoEvents() override;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool CreateControls();
  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  static int IdOf(Field field);
  void Unload();
  void DrawPicture(const DRAWITEMSTRUCT& item);

  ManifestInspector inspector_;
  std::unique_ptr<ReadmeWindow> readme_;
  std::unique_ptr<OptionsWindow> options_;
  frmMain form_;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HCURSOR hand_ = nullptr;
  HBITMAP logo_ = nullptr;
  GdiObject<HFONT> font_;
  GdiObject<HFONT> linkFont_;
  GdiObject<HBRUSH> pictureBrush_;
  HWND focus_ = nullptr;
  bool unloaded_ = false;
};

} // namespace app::win32
