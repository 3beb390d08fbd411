#pragma once
// The "Manifest options" window's logic, and where its choices are kept. The window itself
// is an OptionsView.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ComponentFiles.h"
#include "app/Services.h"
#include "generation/ManifestSettings.h"

namespace app {

class OptionsView {
public:
  enum class Check { SupportedOs, GdiScaling, LongPaths, PrinterIsolation };
  enum class List { RunLevel, Dpi, CodePage };
  virtual ~OptionsView() = default;
  virtual bool Checked(Check box) const = 0;
  virtual void SetChecked(Check box, bool checked) = 0;
  /// Appends an entry to the list; entries count from 0 in the order they were added.
  virtual void AddItem(List list, const std::string& text) = 0;
  /// The chosen entry, or -1 when none is.
  virtual int Selected(List list) const = 0;
  virtual void Select(List list, int index) = 0;
  virtual void SetReport(const std::string& text) = 0;
  /// Replaces the lines of the components list.
  virtual void SetComponents(const std::vector<std::string>& lines) = 0;
  /// The chosen line of the components list, or -1 when none is.
  virtual int SelectedComponent() const = 0;
  /// Unloads the window; the modal loop that showed it returns.
  virtual void Close() = 0;
};

/// The options window, created on each use; shown modally over the main window.
class OptionsWindow {
public:
  virtual ~OptionsWindow() = default;
  /// True after OK, with settings as the user left them; false with settings untouched.
  virtual bool ShowModal(generation::ManifestSettings& settings, const std::string& exePath) = 0;
};

class frmOptions {
public:
  /// settings is written only by OK.
  frmOptions(OptionsView& view, ProgramInspector& inspector, generation::ManifestSettings& settings,
             std::string exePath)
      : view_(view), inspector_(inspector), settings_(settings), exePath_(std::move(exePath)) {}
  /// With the components list; without files the list is left as it is.
  frmOptions(OptionsView& view, ProgramInspector& inspector, ComponentFiles& files,
             generation::ManifestSettings& settings, std::string exePath)
      : view_(view), inspector_(inspector), files_(&files), settings_(settings),
        exePath_(std::move(exePath)) {}

  void Form_Load();
  void OK_Click();
  void Cancel_Click();
  void AddComponent_Click();
  void RemoveComponent_Click();
  void FromProject_Click();
  bool Accepted() const { return accepted_; }

private:
  /// Adds path unless the list has it; a component the program cannot load is refused,
  /// and why is returned (unset when it is not refused).
  std::optional<std::string> AddComponent(const std::string& path);
  void ShowComponents();

  OptionsView& view_;
  ProgramInspector& inspector_;
  ComponentFiles* files_ = nullptr;
  generation::ManifestSettings& settings_;
  std::string exePath_;
  std::vector<std::string> components_;
  bool accepted_ = false;
};

/// The settings in the program's settings section, beside the three fields; missing keys
/// read as the defaults.
generation::ManifestSettings LoadManifestSettings(Settings& settings);
void SaveManifestSettings(Settings& settings, const generation::ManifestSettings& manifest);

/// The caption of "Options...", which shows whether any option is on.
const char* OptionsCaption(const generation::ManifestSettings& manifest);

} // namespace app
