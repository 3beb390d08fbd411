#include "generation/ManifestSettings.h"

namespace generation {

namespace {

constexpr const char* kKeySupportedOs = "SupportedOS";
constexpr const char* kKeyRunLevel = "ExecutionLevel";
constexpr const char* kKeyDpi = "DpiAwareness";
constexpr const char* kKeyGdiScaling = "GdiScaling";
constexpr const char* kKeyLongPaths = "LongPathAware";
constexpr const char* kKeyCodePage = "ActiveCodePage";
constexpr const char* kKeyPrinterIsolation = "PrinterDriverIsolation";
constexpr const char* kKeyComponents = "Components";
// No file name holds '|', and the store keeps one line per key.
constexpr char kComponentSeparator = '|';

const char* OnOff(bool on) { return on ? "1" : "0"; }

template <typename Rows> std::string Choices(const Rows& rows) {
  std::string text;
  const std::size_t count = sizeof rows / sizeof rows[0];
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0)
      text += i + 1 == count ? " or " : ", ";
    text += rows[i].name;
  }
  return text;
}

} // namespace

std::string RunLevelChoices() { return Choices(kRunLevelNames); }
std::string DpiChoices() { return Choices(kDpiNames); }
std::string CodePageChoices() { return Choices(kCodePageNames); }

SettingEntries ToSettingEntries(const ManifestSettings& settings) {
  return {
      {kKeySupportedOs, OnOff(settings.supportedOs)},
      {kKeyRunLevel, RunLevelName(settings.runLevel)},
      {kKeyDpi, DpiName(settings.dpi)},
      {kKeyGdiScaling, OnOff(settings.gdiScaling)},
      {kKeyLongPaths, OnOff(settings.longPathAware)},
      {kKeyCodePage, CodePageName(settings.codePage)},
      {kKeyPrinterIsolation, OnOff(settings.printerIsolation)},
  };
}

ManifestSettings FromSettingEntries(const std::function<std::string(const std::string&)>& read) {
  ManifestSettings settings;
  settings.supportedOs = read(kKeySupportedOs) == "1";
  ParseRunLevel(read(kKeyRunLevel), settings.runLevel);
  ParseDpi(read(kKeyDpi), settings.dpi);
  settings.gdiScaling = read(kKeyGdiScaling) == "1";
  settings.longPathAware = read(kKeyLongPaths) == "1";
  ParseCodePage(read(kKeyCodePage), settings.codePage);
  settings.printerIsolation = read(kKeyPrinterIsolation) == "1";
  return settings;
}

SettingEntries ComponentSettingEntries(const std::vector<std::string>& components,
                                       const std::function<std::string(const std::string&)>& read) {
  std::string text;
  for (const std::string& path : components) {
    if (!text.empty())
      text += kComponentSeparator;
    text += path;
  }
  if (text.empty() && read(kKeyComponents).empty())
    return {};
  return {{kKeyComponents, text}};
}

std::vector<std::string>
ComponentsFromSettings(const std::function<std::string(const std::string&)>& read) {
  std::vector<std::string> components;
  const std::string text = read(kKeyComponents);
  for (std::string::size_type start = 0; start < text.size();) {
    std::string::size_type end = text.find(kComponentSeparator, start);
    if (end == std::string::npos)
      end = text.size();
    if (end > start)
      components.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

} // namespace generation
