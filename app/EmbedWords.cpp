#include "app/EmbedWords.h"

#include <vector>

#include "app/AppTexts.h"
#include "front/EmbedTexts.h"

namespace app {

namespace {

std::string Joined(const std::vector<std::string>& lines, const char* separator = "\n") {
  std::string text;
  for (const std::string& line : lines)
    text += (text.empty() ? "" : separator) + line;
  return text;
}

/// The options chosen in "Options...", as the manifest says them; none for the plain one.
std::vector<std::string> Chosen(const generation::ManifestSettings& settings) {
  std::vector<std::string> items;
  if (settings.supportedOs)
    items.push_back(texts::kEmbedSupportedOs);
  if (settings.runLevel != generation::RunLevel::NotSet)
    items.push_back("run level " + generation::RunLevelName(settings.runLevel));
  if (settings.dpi == generation::DpiAwareness::System)
    items.push_back(texts::kEmbedDpiSystem);
  else if (settings.dpi == generation::DpiAwareness::PerMonitorV2)
    items.push_back(texts::kEmbedDpiPerMonitor);
  if (settings.gdiScaling)
    items.push_back(texts::kEmbedGdiScaling);
  if (settings.longPathAware)
    items.push_back(texts::kEmbedLongPaths);
  if (settings.codePage != generation::CodePage::NotSet)
    items.push_back("code page " + generation::CodePageValue(settings.codePage));
  if (settings.printerIsolation)
    items.push_back(texts::kEmbedPrinterIsolation);
  if (!settings.components.empty())
    items.push_back(texts::EmbedComponents(settings.components.size()));
  return items;
}

/// The warnings after an empty line, one a line; "" for none.
std::string Warnings(const std::vector<std::string>& warnings) {
  if (warnings.empty())
    return std::string();
  return std::string("\n\n") + texts::kEmbedWarnings + "\n- " + Joined(warnings, "\n- ");
}

/// What the program does differently once the manifest is in: themed controls, or the
/// changes to the manifest it carried; the options chosen; then the warnings.
std::string Differences(const generation::ManifestSettings& settings, const front::Result& r) {
  std::vector<std::string> lines;
  if (!r.hadManifest) {
    lines.push_back(texts::kEmbedThemed);
  } else if (!r.changes.empty()) {
    lines.push_back(texts::kEmbedChanges);
    for (std::size_t i = 0; i < r.changes.size() && i < kChangesInABox; ++i)
      lines.push_back(r.changes[i]);
    if (r.changes.size() > kChangesInABox)
      lines.push_back(texts::EmbedMoreChanges(r.changes.size() - kChangesInABox));
  }
  const std::vector<std::string> chosen = Chosen(settings);
  if (!chosen.empty())
    lines.push_back(texts::EmbedChosen(Joined(chosen, "; ")));
  return Joined(lines) + Warnings(r.warnings);
}

} // namespace

std::string EmbedQuestionText(const std::string& program,
                              const generation::ManifestSettings& settings,
                              const front::Result& dryRun, const std::string& backup) {
  return texts::EmbedQuestion(program, Differences(settings, dryRun), backup);
}

std::string EmbedReportText(const std::string& name, const front::Result& result,
                            const generation::ManifestSettings& settings) {
  // A refusal, a failure or a program that carries the manifest already: the front's one
  // line says it, and what to watch for still holds for the last.
  if (result.outcome != front::Outcome::Done)
    return result.message + Warnings(result.warnings);
  const front::Wording wording = texts::ControlWording();
  std::string text = texts::EmbedDone(name) + "\n" + Differences(settings, result) + "\n\n";
  for (const std::string& backup : result.backups)
    text += front::embedtexts::Backup(backup) + "\n";
  return text + front::embedtexts::RebuildNote(result.visualBasic, wording);
}

} // namespace app
