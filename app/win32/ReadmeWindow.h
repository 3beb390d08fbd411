#pragma once
// Win32 only. frmReadme's window, shown modally over the main window.

#include <windows.h>

#include <memory>

#include "app/frmMain.h"
#include "app/frmReadme.h"
#include "app/win32/Window.h"

namespace app::win32 {

class ReadmeWindow : public Window, public app::ReadmeWindow, public ReadmeView {
public:
  explicit ReadmeWindow(const frmMain& main) : main_(main) {}
  ~ReadmeWindow() override;

  /// Loads the window afresh, shows it modally and returns when the user has closed it.
  void ShowModal() override;

  void SetTextLeft(int left) override;
  void SetTextTop(int top) override;
  void SetText(const std::string& text) override;
  void SetIcon(IconHandle icon) override;
  bool IsMinimised() const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetTextWidth(int width) override;
  void SetTextHeight(int height) override;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  HWND Box() const { return box_; }
  RECT BoxRect() const;

  const frmMain& main_;
  std::unique_ptr<frmReadme> form_;
  GdiObject<HFONT> font_;
  HWND box_ = nullptr;
  HWND owner_ = nullptr;
  bool loaded_ = false;
};

} // namespace app::win32
