#include "app/frmOptions.h"

#include "app/AppTexts.h"

namespace app {

using generation::CodePage;
using generation::DpiAwareness;
using generation::RunLevel;
using Check = OptionsView::Check;
using List = OptionsView::List;

namespace {

template <typename Enum, std::size_t N> Enum FromIndex(int index, const char* const (&)[N]) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? static_cast<Enum>(index) : Enum();
}

} // namespace

void frmOptions::Form_Load() {
  for (const char* text : texts::kOptionsRunLevels)
    view_.AddItem(List::RunLevel, text);
  for (const char* text : texts::kOptionsDpiSettings)
    view_.AddItem(List::Dpi, text);
  for (const char* text : texts::kOptionsCodePages)
    view_.AddItem(List::CodePage, text);
  view_.SetChecked(Check::SupportedOs, settings_.supportedOs);
  view_.Select(List::RunLevel, static_cast<int>(settings_.runLevel));
  view_.Select(List::Dpi, static_cast<int>(settings_.dpi));
  view_.SetChecked(Check::GdiScaling, settings_.gdiScaling);
  view_.SetChecked(Check::LongPaths, settings_.longPathAware);
  view_.Select(List::CodePage, static_cast<int>(settings_.codePage));
  view_.SetChecked(Check::PrinterIsolation, settings_.printerIsolation);
  view_.SetReport(exePath_.empty() ? std::string() : inspector_.Describe(exePath_));
  components_ = settings_.components;
  ShowComponents();
}

void frmOptions::ShowComponents() {
  if (!files_)
    return;
  std::vector<std::string> lines;
  for (const std::string& path : components_) {
    const ComponentEntry entry = files_->Describe(path, exePath_);
    // One chosen for another program stays until removed, saying why it cannot serve this one.
    lines.push_back(entry.refusal ? *entry.refusal
                                  : texts::ComponentLine(path, entry.classCount, entry.outside,
                                                         entry.problem.has_value(), entry.source));
  }
  view_.SetComponents(lines);
}

std::optional<std::string> frmOptions::AddComponent(const std::string& path) {
  for (const std::string& chosen : components_)
    if (chosen == path)
      return std::nullopt;
  std::optional<std::string> refusal = files_->Describe(path, exePath_).refusal;
  if (!refusal)
    components_.push_back(path);
  return refusal;
}

void frmOptions::AddComponent_Click() {
  const std::string path = files_ ? files_->ChooseComponent() : std::string();
  if (path.empty())
    return;
  const std::optional<std::string> refusal = AddComponent(path);
  if (refusal)
    view_.SetReport(*refusal);
  ShowComponents();
}

void frmOptions::RemoveComponent_Click() {
  const int index = view_.SelectedComponent();
  if (!files_ || index < 0 || static_cast<std::size_t>(index) >= components_.size())
    return;
  components_.erase(components_.begin() + index);
  ShowComponents();
}

void frmOptions::FromProject_Click() {
  const std::string project = files_ ? files_->ChooseProject() : std::string();
  if (project.empty())
    return;
  std::string problem, report;
  for (const std::string& path : files_->FromProject(project, problem)) {
    const std::optional<std::string> refusal = AddComponent(path);
    if (refusal)
      report += (report.empty() ? "" : "\n") + *refusal;
  }
  if (!problem.empty())
    report += (report.empty() ? "" : "\n") + problem;
  if (!report.empty())
    view_.SetReport(report);
  ShowComponents();
}

void frmOptions::OK_Click() {
  // What this window does not show stays as it was.
  generation::ManifestSettings chosen = settings_;
  chosen.supportedOs = view_.Checked(Check::SupportedOs);
  chosen.runLevel = FromIndex<RunLevel>(view_.Selected(List::RunLevel), texts::kOptionsRunLevels);
  chosen.dpi = FromIndex<DpiAwareness>(view_.Selected(List::Dpi), texts::kOptionsDpiSettings);
  chosen.gdiScaling = view_.Checked(Check::GdiScaling);
  chosen.longPathAware = view_.Checked(Check::LongPaths);
  chosen.codePage = FromIndex<CodePage>(view_.Selected(List::CodePage), texts::kOptionsCodePages);
  chosen.printerIsolation = view_.Checked(Check::PrinterIsolation);
  if (files_)
    chosen.components = components_;
  settings_ = chosen;
  accepted_ = true;
  view_.Close();
}

void frmOptions::Cancel_Click() { view_.Close(); }

generation::ManifestSettings LoadManifestSettings(Settings& settings) {
  const auto read = [&settings](const std::string& key) {
    return settings.Get(texts::kAppTitle, texts::kSection, key, "");
  };
  generation::ManifestSettings manifest = generation::FromSettingEntries(read);
  manifest.components = generation::ComponentsFromSettings(read);
  return manifest;
}

void SaveManifestSettings(Settings& settings, const generation::ManifestSettings& manifest) {
  generation::SettingEntries entries = generation::ToSettingEntries(manifest);
  const generation::SettingEntries components =
      generation::ComponentSettingEntries(manifest.components, [&settings](const std::string& key) {
        return settings.Get(texts::kAppTitle, texts::kSection, key, "");
      });
  entries.insert(entries.end(), components.begin(), components.end());
  for (const auto& entry : entries)
    settings.Save(texts::kAppTitle, texts::kSection, entry.first, entry.second);
}

const char* OptionsCaption(const generation::ManifestSettings& manifest) {
  return manifest.AnyOn() ? texts::kCommand4On : texts::kCommand4;
}

} // namespace app
