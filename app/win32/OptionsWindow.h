#pragma once
// Win32 only. frmOptions's window, "Manifest options", shown modally over the main window.

#include <windows.h>

#include <memory>

#include "app/frmMain.h"
#include "app/frmOptions.h"
#include "app/win32/Window.h"

namespace app::win32 {

class OptionsWindow : public Window, public app::OptionsWindow, public OptionsView {
public:
  OptionsWindow(const frmMain& main, ProgramInspector& inspector)
      : main_(main), inspector_(inspector) {}
  /// With the components list, chosen through dialog.
  OptionsWindow(const frmMain& main, ProgramInspector& inspector, FileDialog& dialog,
                Registry& registry)
      : main_(main), inspector_(inspector), dialog_(&dialog), registry_(&registry) {}
  ~OptionsWindow() override;

  bool ShowModal(generation::ManifestSettings& settings, const std::string& exePath) override;

  bool Checked(Check box) const override;
  void SetChecked(Check box, bool checked) override;
  void AddItem(List list, const std::string& text) override;
  int Selected(List list) const override;
  void Select(List list, int index) override;
  void SetReport(const std::string& text) override;
  void SetComponents(const std::vector<std::string>& lines) override;
  int SelectedComponent() const override;
  void Close() override;

  /// The dialog manager turns them into OK and Cancel.
  EnterAndEsc EnterAndEscKeys() const override { return EnterAndEsc::OkAndCancel; }

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  HWND Control(int id) const { return GetDlgItem(hwnd(), id); }
  static int IdOf(Check box);
  static int IdOf(List list);

  const frmMain& main_;
  ProgramInspector& inspector_;
  FileDialog* dialog_ = nullptr;
  Registry* registry_ = nullptr;
  std::unique_ptr<InspectedComponentFiles> files_;
  std::unique_ptr<frmOptions> form_;
  GdiObject<HFONT> font_;
  HWND owner_ = nullptr;
};

} // namespace app::win32
