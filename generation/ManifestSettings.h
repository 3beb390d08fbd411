#pragma once
// What a manifest says beyond visual styles. Every setting is opt-in: the default value
// gives the manifest the tool has always written, byte for byte. The text each setting adds
// is built beside the template, in Manifest.cpp.

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace generation {

/// The Windows versions a manifest can declare supported, oldest first; the last stands for
/// Windows 10 and 11 alike.
struct WindowsVersion {
  const char* name;
  const char* id;
};
inline constexpr WindowsVersion kWindowsVersions[] = {
    {"Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"},
    {"7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
    {"8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
    {"8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
    {"10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
};

/// The namespaces Windows reads a manifest's parts in; it compares them exactly.
namespace manifestns {
inline constexpr const char* kAsmV1 = "urn:schemas-microsoft-com:asm.v1";
inline constexpr const char* kAsmV2 = "urn:schemas-microsoft-com:asm.v2";
inline constexpr const char* kAsmV3 = "urn:schemas-microsoft-com:asm.v3";
inline constexpr const char* kCompatibility = "urn:schemas-microsoft-com:compatibility.v1";
inline constexpr const char* kMsix = "urn:schemas-microsoft-com:msix.v1";
inline constexpr const char* kWinRt = "urn:schemas-microsoft-com:winrt.v1";
/// A settings namespace is a year between these two.
inline constexpr const char* kSettingsPrefix = "http://schemas.microsoft.com/SMI/";
inline constexpr const char* kSettingsSuffix = "/WindowsSettings";
inline constexpr const char* kSettings2005 =
    "http://schemas.microsoft.com/SMI/2005/WindowsSettings";
inline constexpr const char* kSettings2011 =
    "http://schemas.microsoft.com/SMI/2011/WindowsSettings";
inline constexpr const char* kSettings2016 =
    "http://schemas.microsoft.com/SMI/2016/WindowsSettings";
inline constexpr const char* kSettings2017 =
    "http://schemas.microsoft.com/SMI/2017/WindowsSettings";
inline constexpr const char* kSettings2019 =
    "http://schemas.microsoft.com/SMI/2019/WindowsSettings";
inline constexpr const char* kSettings2020 =
    "http://schemas.microsoft.com/SMI/2020/WindowsSettings";
inline constexpr const char* kSettings2024 =
    "http://schemas.microsoft.com/SMI/2024/WindowsSettings";
/// Every settings namespace Windows reads.
inline constexpr const char* kSettingsNamespaces[] = {
    kSettings2005, kSettings2011, kSettings2016, kSettings2017,
    kSettings2019, kSettings2020, kSettings2024,
};
} // namespace manifestns

/// An element of <windowsSettings> and the one namespace Windows reads it in: what the
/// manifest writes and what --inspect checks.
struct WindowsSetting {
  const char* element;
  const char* ns;
};
inline constexpr WindowsSetting kDpiAwareSetting = {"dpiAware", manifestns::kSettings2005};
// clang-format off
inline constexpr WindowsSetting kDpiAwarenessSetting = {"dpiAwareness",
                                                        manifestns::kSettings2016};
// clang-format on
inline constexpr WindowsSetting kGdiScalingSetting = {"gdiScaling", manifestns::kSettings2017};
inline constexpr WindowsSetting kLongPathAwareSetting = {"longPathAware",
                                                         manifestns::kSettings2016};
inline constexpr WindowsSetting kActiveCodePageSetting = {"activeCodePage",
                                                          manifestns::kSettings2019};
inline constexpr WindowsSetting kPrinterIsolationSetting = {"printerDriverIsolation",
                                                            manifestns::kSettings2011};
/// Read, never written.
inline constexpr WindowsSetting kHeapTypeSetting = {"heapType", manifestns::kSettings2020};

enum class RunLevel { NotSet, AsInvoker, HighestAvailable, RequireAdministrator };
enum class DpiAwareness { Default, System, PerMonitorV2 };
enum class CodePage { NotSet, Legacy, Utf8 };

struct ManifestSettings {
  /// Declares Windows Vista to 11 supported, so that Windows stops treating the program
  /// as one written for Windows 8 and older.
  bool supportedOs = false;
  RunLevel runLevel = RunLevel::NotSet;
  DpiAwareness dpi = DpiAwareness::Default;
  bool gdiScaling = false;
  bool longPathAware = false;
  /// Legacy keeps the system's ANSI code page where the user turned on UTF-8 for every
  /// program (Windows 11); UTF-8 makes Visual Basic's own string conversions use UTF-8.
  CodePage codePage = CodePage::NotSet;
  /// Printer drivers run in a process of their own: a crashing one leaves the program up.
  bool printerIsolation = false;
  /// COM components used without registration: paths of .ocx, .dll or .tlb files, each
  /// with an optional "\\N" naming its type library resource.
  std::vector<std::string> components;

  bool operator==(const ManifestSettings& other) const {
    return supportedOs == other.supportedOs && runLevel == other.runLevel && dpi == other.dpi &&
           gdiScaling == other.gdiScaling && longPathAware == other.longPathAware &&
           codePage == other.codePage && printerIsolation == other.printerIsolation &&
           components == other.components;
  }
  bool operator!=(const ManifestSettings& other) const { return !(*this == other); }
  /// True when the manifest differs from the plain visual-styles one.
  bool AnyOn() const { return *this != ManifestSettings(); }
};

/// A value and how it is spelt.
template <typename Enum> struct Named {
  Enum value;
  const char* name;
};

/// The spelling of each run level in the manifest, on the command line and in the settings
/// store.
inline constexpr Named<RunLevel> kRunLevelNames[] = {
    {RunLevel::AsInvoker, "asInvoker"},
    {RunLevel::HighestAvailable, "highestAvailable"},
    {RunLevel::RequireAdministrator, "requireAdministrator"},
};
/// The spelling of each DPI setting on the command line and in the settings store.
inline constexpr Named<DpiAwareness> kDpiNames[] = {
    {DpiAwareness::System, "system"},
    {DpiAwareness::PerMonitorV2, "permonitorv2"},
};

/// The spelling of each code page on the command line and in the settings store.
inline constexpr Named<CodePage> kCodePageNames[] = {
    {CodePage::Legacy, "legacy"},
    {CodePage::Utf8, "utf-8"},
};
/// The spelling of each code page in the manifest.
inline constexpr Named<CodePage> kCodePageValues[] = {
    {CodePage::Legacy, "Legacy"},
    {CodePage::Utf8, "UTF-8"},
};

/// The name of value in rows; "" for a value without one (the defaults).
template <typename Enum, std::size_t N>
std::string NameOf(const Named<Enum> (&rows)[N], Enum value) {
  for (const Named<Enum>& row : rows)
    if (row.value == value)
      return row.name;
  return std::string();
}
/// The value named name in rows, exact in letter case; false for any other name.
template <typename Enum, std::size_t N>
bool ValueOf(const Named<Enum> (&rows)[N], const std::string& name, Enum& value) {
  for (const Named<Enum>& row : rows)
    if (name == row.name) {
      value = row.value;
      return true;
    }
  return false;
}

inline std::string RunLevelName(RunLevel level) { return NameOf(kRunLevelNames, level); }
inline std::string DpiName(DpiAwareness dpi) { return NameOf(kDpiNames, dpi); }
inline std::string CodePageName(CodePage page) { return NameOf(kCodePageNames, page); }
inline std::string CodePageValue(CodePage page) { return NameOf(kCodePageValues, page); }
inline bool ParseRunLevel(const std::string& name, RunLevel& level) {
  return ValueOf(kRunLevelNames, name, level);
}
inline bool ParseDpi(const std::string& name, DpiAwareness& dpi) {
  return ValueOf(kDpiNames, name, dpi);
}
inline bool ParseCodePage(const std::string& name, CodePage& page) {
  return ValueOf(kCodePageNames, name, page);
}
/// The names a user may give, as "a, b or c".
std::string RunLevelChoices();
std::string DpiChoices();
std::string CodePageChoices();

/// The settings as the settings store keeps them: one key per setting, every key always
/// written, so that a setting turned off is stored as off. The components are kept apart.
using SettingEntries = std::vector<std::pair<std::string, std::string>>;
SettingEntries ToSettingEntries(const ManifestSettings& settings);
/// read returns the stored value of a key, "" when it is missing. Missing and unknown
/// values read as the defaults.
ManifestSettings FromSettingEntries(const std::function<std::string(const std::string&)>& read);

/// The components' key, only when there are components or read finds some stored: a store
/// that never held any stays as it was.
SettingEntries ComponentSettingEntries(const std::vector<std::string>& components,
                                       const std::function<std::string(const std::string&)>& read);
/// The components stored; none when the key is missing.
std::vector<std::string>
ComponentsFromSettings(const std::function<std::string(const std::string&)>& read);

} // namespace generation
