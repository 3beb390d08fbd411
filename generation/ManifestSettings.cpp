#include "generation/ManifestSettings.h"

namespace generation {

namespace {

// Oldest first; the last one stands for Windows 10 and 11 alike.
constexpr const char* kSupportedOsIds[] = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
};

struct RunLevelRow {
  RunLevel level;
  const char* name;
};
constexpr RunLevelRow kRunLevels[] = {
    {RunLevel::AsInvoker, "asInvoker"},
    {RunLevel::HighestAvailable, "highestAvailable"},
    {RunLevel::RequireAdministrator, "requireAdministrator"},
};

struct DpiRow {
  DpiAwareness dpi;
  const char* name;
};
constexpr DpiRow kDpiSettings[] = {
    {DpiAwareness::System, "system"},
    {DpiAwareness::PerMonitorV2, "permonitorv2"},
};

constexpr const char* kKeySupportedOs = "SupportedOS";
constexpr const char* kKeyRunLevel = "ExecutionLevel";
constexpr const char* kKeyDpi = "DpiAwareness";
constexpr const char* kKeyGdiScaling = "GdiScaling";
constexpr const char* kKeyLongPaths = "LongPathAware";

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

bool ManifestSettings::AnyOn() const { return *this != ManifestSettings(); }

bool ManifestSettings::operator==(const ManifestSettings& other) const {
  return supportedOs == other.supportedOs && runLevel == other.runLevel && dpi == other.dpi &&
         gdiScaling == other.gdiScaling && longPathAware == other.longPathAware;
}

std::vector<std::string> ManifestSettingsLines(const ManifestSettings& settings) {
  std::vector<std::string> lines;
  if (settings.supportedOs) {
    lines.push_back(R"(    <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">)");
    lines.push_back(R"(        <application>)");
    for (const char* id : kSupportedOsIds)
      lines.push_back(std::string(R"(            <supportedOS Id=")") + id + R"("/>)");
    lines.push_back(R"(        </application>)");
    lines.push_back(R"(    </compatibility>)");
  }
  if (settings.runLevel != RunLevel::NotSet) {
    lines.push_back(R"(    <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">)");
    lines.push_back(R"(        <security>)");
    lines.push_back(R"(            <requestedPrivileges>)");
    lines.push_back(R"(                <requestedExecutionLevel level=")" +
                    RunLevelName(settings.runLevel) + R"(" uiAccess="false"/>)");
    lines.push_back(R"(            </requestedPrivileges>)");
    lines.push_back(R"(        </security>)");
    lines.push_back(R"(    </trustInfo>)");
  }
  std::vector<std::string> windowsSettings;
  if (settings.dpi != DpiAwareness::Default) {
    const char* aware = settings.dpi == DpiAwareness::System ? "true" : "true/pm";
    windowsSettings.push_back(
        std::string(R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">)") +
        aware + "</dpiAware>");
  }
  // Windows 10 1607 and later read dpiAwareness and then ignore dpiAware; older ones read
  // only dpiAware, where true/pm is the best they offer.
  if (settings.dpi == DpiAwareness::PerMonitorV2)
    windowsSettings.push_back(
        R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">)"
        R"(PerMonitorV2, PerMonitor</dpiAwareness>)");
  if (settings.gdiScaling)
    windowsSettings.push_back(
        R"(<gdiScaling xmlns="http://schemas.microsoft.com/SMI/2017/WindowsSettings">)"
        R"(true</gdiScaling>)");
  if (settings.longPathAware)
    windowsSettings.push_back(
        R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">)"
        R"(true</longPathAware>)");
  if (!windowsSettings.empty()) {
    lines.push_back(R"(    <application xmlns="urn:schemas-microsoft-com:asm.v3">)");
    lines.push_back(R"(        <windowsSettings>)");
    for (const std::string& element : windowsSettings)
      lines.push_back("            " + element);
    lines.push_back(R"(        </windowsSettings>)");
    lines.push_back(R"(    </application>)");
  }
  return lines;
}

std::string RunLevelName(RunLevel level) {
  for (const RunLevelRow& row : kRunLevels)
    if (row.level == level)
      return row.name;
  return std::string();
}

std::string DpiName(DpiAwareness dpi) {
  for (const DpiRow& row : kDpiSettings)
    if (row.dpi == dpi)
      return row.name;
  return std::string();
}

bool ParseRunLevel(const std::string& name, RunLevel& level) {
  for (const RunLevelRow& row : kRunLevels)
    if (name == row.name) {
      level = row.level;
      return true;
    }
  return false;
}

bool ParseDpi(const std::string& name, DpiAwareness& dpi) {
  for (const DpiRow& row : kDpiSettings)
    if (name == row.name) {
      dpi = row.dpi;
      return true;
    }
  return false;
}

std::string RunLevelChoices() { return Choices(kRunLevels); }
std::string DpiChoices() { return Choices(kDpiSettings); }

SettingEntries ToSettingEntries(const ManifestSettings& settings) {
  return {
      {kKeySupportedOs, OnOff(settings.supportedOs)},
      {kKeyRunLevel, RunLevelName(settings.runLevel)},
      {kKeyDpi, DpiName(settings.dpi)},
      {kKeyGdiScaling, OnOff(settings.gdiScaling)},
      {kKeyLongPaths, OnOff(settings.longPathAware)},
  };
}

ManifestSettings FromSettingEntries(const std::function<std::string(const std::string&)>& read) {
  ManifestSettings settings;
  settings.supportedOs = read(kKeySupportedOs) == "1";
  ParseRunLevel(read(kKeyRunLevel), settings.runLevel);
  ParseDpi(read(kKeyDpi), settings.dpi);
  settings.gdiScaling = read(kKeyGdiScaling) == "1";
  settings.longPathAware = read(kKeyLongPaths) == "1";
  return settings;
}

} // namespace generation
