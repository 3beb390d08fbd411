#pragma once
// What a manifest says beyond visual styles. Every setting is opt-in: the default value
// gives the manifest the tool has always written, byte for byte.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace generation {

enum class RunLevel { NotSet, AsInvoker, HighestAvailable, RequireAdministrator };
enum class DpiAwareness { Default, System, PerMonitorV2 };

struct ManifestSettings {
  /// Declares Windows Vista to 11 supported, so that Windows stops treating the program
  /// as one written for Windows 8 and older.
  bool supportedOs = false;
  RunLevel runLevel = RunLevel::NotSet;
  DpiAwareness dpi = DpiAwareness::Default;
  bool gdiScaling = false;
  bool longPathAware = false;

  /// True when the manifest differs from the plain visual-styles one.
  bool AnyOn() const;
  bool operator==(const ManifestSettings& other) const;
  bool operator!=(const ManifestSettings& other) const { return !(*this == other); }
};

/// The elements the settings add, one line each without line ends, indented as they stand
/// in the manifest (after </dependency>, before </assembly>). None for the defaults.
std::vector<std::string> ManifestSettingsLines(const ManifestSettings& settings);

/// The spelling of a run level in the manifest, on the command line and in the settings
/// store; "" for NotSet.
std::string RunLevelName(RunLevel level);
/// The spelling of a DPI setting on the command line and in the settings store ("system",
/// "permonitorv2"); "" for the default.
std::string DpiName(DpiAwareness dpi);
/// The reverse of RunLevelName and DpiName, exact in letter case; false for anything else,
/// "" included.
bool ParseRunLevel(const std::string& name, RunLevel& level);
bool ParseDpi(const std::string& name, DpiAwareness& dpi);
/// The names a user may give, as "a, b or c".
std::string RunLevelChoices();
std::string DpiChoices();

/// The settings as the settings store keeps them: one key per setting, every key always
/// written, so that a setting turned off is stored as off.
using SettingEntries = std::vector<std::pair<std::string, std::string>>;
SettingEntries ToSettingEntries(const ManifestSettings& settings);
/// read returns the stored value of a key, "" when it is missing. Missing and unknown
/// values read as the defaults.
ManifestSettings FromSettingEntries(const std::function<std::string(const std::string&)>& read);

} // namespace generation
