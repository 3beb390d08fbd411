// The settings beyond visual styles: each one alone and all together against golden files
// written by hand, and their round trip through the settings store.
#include "support/TestSupport.h"

#include "generation/Manifest.h"
#include "generation/ManifestSettings.h"

#include <map>

using generation::CodePage;
using generation::DpiAwareness;
using generation::ManifestSettings;
using generation::RunLevel;

namespace {

using testsupport::Golden;

ManifestSettings All() {
  ManifestSettings all;
  all.supportedOs = true;
  all.runLevel = RunLevel::AsInvoker;
  all.dpi = DpiAwareness::PerMonitorV2;
  all.gdiScaling = true;
  all.longPathAware = true;
  return all;
}

} // namespace

TEST(ManifestSettingsTest, EachSettingAloneAndAllTogetherMatchGoldenFiles) {
  struct Row {
    const char* golden;
    void (*set)(ManifestSettings&);
  };
  const Row rows[] = {
      {"App.exe.manifest", [](ManifestSettings&) {}},
      {"App-supportedos.exe.manifest", [](ManifestSettings& s) { s.supportedOs = true; }},
      {"App-asinvoker.exe.manifest", [](ManifestSettings& s) { s.runLevel = RunLevel::AsInvoker; }},
      {"App-highestavailable.exe.manifest",
       [](ManifestSettings& s) { s.runLevel = RunLevel::HighestAvailable; }},
      {"App-requireadministrator.exe.manifest",
       [](ManifestSettings& s) { s.runLevel = RunLevel::RequireAdministrator; }},
      {"App-dpi-system.exe.manifest", [](ManifestSettings& s) { s.dpi = DpiAwareness::System; }},
      {"App-dpi-permonitorv2.exe.manifest",
       [](ManifestSettings& s) { s.dpi = DpiAwareness::PerMonitorV2; }},
      {"App-gdiscaling.exe.manifest", [](ManifestSettings& s) { s.gdiScaling = true; }},
      {"App-longpathaware.exe.manifest", [](ManifestSettings& s) { s.longPathAware = true; }},
      {"App-all.exe.manifest", [](ManifestSettings& s) { s = All(); }},
      {"App-codepage-legacy.exe.manifest",
       [](ManifestSettings& s) { s.codePage = CodePage::Legacy; }},
      {"App-codepage-utf8.exe.manifest", [](ManifestSettings& s) { s.codePage = CodePage::Utf8; }},
      {"App-printerisolation.exe.manifest", [](ManifestSettings& s) { s.printerIsolation = true; }},
      // Every element of the one windowsSettings, each in its own namespace.
      {"App-windowssettings.exe.manifest",
       [](ManifestSettings& s) {
         s.dpi = DpiAwareness::PerMonitorV2;
         s.gdiScaling = s.longPathAware = s.printerIsolation = true;
         s.codePage = CodePage::Utf8;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.golden);
    ManifestSettings settings;
    row.set(settings);
    EXPECT_EQ(settings.AnyOn(), std::string(row.golden) != "App.exe.manifest");
    EXPECT_EQ(generation::BuildManifestText("1.0.0.0", "App.exe", "Fourteen chars", settings) +
                  "\r\n",
              Golden(row.golden));
  }
}

TEST(ManifestSettingsTest, ArchitectureAndValuesGoInAsWithoutSettings) {
  // The settings' lines carry no placeholder of their own; the user's values and the
  // architecture fill the identity as before, whatever the settings.
  const std::string text =
      generation::BuildManifestText("%exename%", "A&B.exe", "<%arch%>", "amd64", All());
  EXPECT_EQ(text.find("X86"), std::string::npos);
  EXPECT_NE(text.find("        version=\"A&amp;B.exe\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("<description>&lt;%arch%&gt;</description>"), std::string::npos);
  EXPECT_EQ((text.size() + 2) % 100, 0u);
}

TEST(ManifestSettingsTest, SettingsStoreRoundTripAndDefaultsForAnythingElse) {
  struct Row {
    const char* name;
    ManifestSettings settings;
  };
  ManifestSettings system;
  system.dpi = DpiAwareness::System;
  system.runLevel = RunLevel::RequireAdministrator;
  ManifestSettings highest;
  highest.runLevel = RunLevel::HighestAvailable;
  highest.gdiScaling = true;
  highest.codePage = CodePage::Legacy;
  ManifestSettings utf8;
  utf8.codePage = CodePage::Utf8;
  utf8.printerIsolation = true;
  // clang-format off
  const Row rows[] = {{"defaults", {}},
                      {"all", All()},
                      {"system", system},
                      {"highest", highest},
                      {"utf-8", utf8}};
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::map<std::string, std::string> store;
    for (const auto& entry : generation::ToSettingEntries(row.settings))
      store[entry.first] = entry.second;
    // A setting turned off is written too, or turning it off would not last.
    EXPECT_EQ(store.size(), 7u);
    const ManifestSettings back = generation::FromSettingEntries(
        [&store](const std::string& key) { return store.count(key) ? store[key] : ""; });
    EXPECT_TRUE(back == row.settings);
  }

  // clang-format off
  const std::map<std::string, std::string> stored = {
      {"SupportedOS", "1"},        {"ExecutionLevel", "asInvoker"}, {"DpiAwareness", "system"},
      {"GdiScaling", "1"},         {"LongPathAware", "1"},          {"ActiveCodePage", "utf-8"},
      {"PrinterDriverIsolation", "1"}};
  // clang-format on
  const ManifestSettings read =
      generation::FromSettingEntries([&stored](const std::string& key) { return stored.at(key); });
  EXPECT_TRUE(read.supportedOs && read.gdiScaling && read.longPathAware && read.printerIsolation);
  EXPECT_EQ(read.codePage, CodePage::Utf8);
  EXPECT_EQ(read.runLevel, RunLevel::AsInvoker);
  EXPECT_EQ(read.dpi, DpiAwareness::System);

  // clang-format off
  const std::map<std::string, std::string> odd = {
      {"SupportedOS", "yes"},      {"ExecutionLevel", "AsInvoker"}, {"DpiAwareness", "System"},
      {"GdiScaling", "true"},      {"LongPathAware", ""},           {"ActiveCodePage", "UTF-8"},
      {"PrinterDriverIsolation", "true"}};
  // clang-format on
  EXPECT_FALSE(generation::FromSettingEntries([&odd](const std::string& key) {
                 return odd.at(key);
               }).AnyOn());
}

TEST(ManifestSettingsTest, NamesAreTheManifestsOwnAndExactInLetterCase) {
  struct Row {
    const char* name;
    bool runLevel, dpi;
  };
  // clang-format off
  const Row rows[] = {
      {"asInvoker", true, false},          {"highestAvailable", true, false},
      {"requireAdministrator", true, false}, {"system", false, true},
      {"permonitorv2", false, true},       {"", false, false},
      {"asinvoker", false, false},         {"System", false, false},
      {"permonitor", false, false},        {"notSet", false, false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RunLevel level = RunLevel::NotSet;
    DpiAwareness dpi = DpiAwareness::Default;
    EXPECT_EQ(generation::ParseRunLevel(row.name, level), row.runLevel);
    EXPECT_EQ(generation::ParseDpi(row.name, dpi), row.dpi);
    EXPECT_EQ(generation::RunLevelName(level), row.runLevel ? row.name : "");
    EXPECT_EQ(generation::DpiName(dpi), row.dpi ? row.name : "");
  }
  EXPECT_EQ(generation::RunLevelChoices(), "asInvoker, highestAvailable or requireAdministrator");
  EXPECT_EQ(generation::DpiChoices(), "system or permonitorv2");
  // The command line's and store's names; the manifest's own spelling is another.
  EXPECT_EQ(generation::CodePageChoices(), "legacy or utf-8");
  for (const char* name : {"Legacy", "UTF-8", "utf8", ""}) {
    SCOPED_TRACE(name);
    CodePage page = CodePage::NotSet;
    EXPECT_FALSE(generation::ParseCodePage(name, page));
  }
}

TEST(ManifestSettingsTest, ComponentsAreStoredOnlyWhenThereAreOrWereAny) {
  struct Row {
    const char* name;
    std::vector<std::string> components;
    const char* stored; ///< before; nullptr for a store without the key
    std::vector<std::pair<std::string, std::string>> written;
  };
  // clang-format off
  const Row rows[] = {
      {"never any", {}, nullptr, {}},
      {"two", {"C:\\App\\a.ocx", "C:\\App\\b.dll\\2"}, nullptr,
       {{"Components", "C:\\App\\a.ocx|C:\\App\\b.dll\\2"}}},
      {"all removed", {}, "C:\\App\\a.ocx", {{"Components", ""}}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto read = [&row](const std::string& key) {
      return key == "Components" && row.stored ? std::string(row.stored) : std::string();
    };
    const generation::SettingEntries written =
        generation::ComponentSettingEntries(row.components, read);
    EXPECT_EQ(written, row.written);
    const auto back = [&written](const std::string& key) {
      return written.empty() || key != written[0].first ? std::string() : written[0].second;
    };
    EXPECT_EQ(generation::ComponentsFromSettings(back), row.components);
  }
}
