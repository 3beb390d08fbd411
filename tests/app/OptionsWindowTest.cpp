// The manifest options: each control of the window both ways, the report of what the
// program carries, Cancel, and from the main window the caption, the stored keys and the
// manifest of the next generation.
#include "Fakes.h"

#include "generation/Manifest.h"
#include "readers/Inspection.h"
#include "support/PeBuilder.h"

using Check = app::OptionsView::Check;
using List = app::OptionsView::List;
using Field = app::MainView::Field;
using generation::DpiAwareness;
using generation::ManifestSettings;
using generation::RunLevel;

namespace {

struct Options {
  fakes::OptionsView view;
  fakes::Inspector inspector;
  ManifestSettings settings;
  app::frmOptions form{view, inspector, settings, "C:\\Work\\App.exe"};
};

ManifestSettings All() {
  ManifestSettings all;
  all.supportedOs = true;
  all.runLevel = RunLevel::RequireAdministrator;
  all.dpi = DpiAwareness::PerMonitorV2;
  all.gdiScaling = true;
  all.longPathAware = true;
  return all;
}

// "supported|run level|dpi|gdi|long paths" as the view shows them.
std::string Shown(const fakes::OptionsView& view) {
  return std::string(view.Checked(Check::SupportedOs) ? "1" : "0") + "|" +
         std::to_string(view.Selected(List::RunLevel)) + "|" +
         std::to_string(view.Selected(List::Dpi)) + "|" +
         (view.Checked(Check::GdiScaling) ? "1" : "0") + "|" +
         (view.Checked(Check::LongPaths) ? "1" : "0");
}

} // namespace

TEST(OptionsWindowTest, LoadShowsTheSettingsInEveryControlAndTheLists) {
  struct Row {
    const char* name;
    ManifestSettings settings;
    const char* shown;
  };
  ManifestSettings system;
  system.dpi = DpiAwareness::System;
  system.runLevel = RunLevel::AsInvoker;
  ManifestSettings highest;
  highest.runLevel = RunLevel::HighestAvailable;
  highest.longPathAware = true;
  const Row rows[] = {
      {"defaults", {}, "0|0|0|0|0"},
      {"all", All(), "1|3|2|1|1"},
      {"system", system, "0|1|1|0|0"},
      {"highest", highest, "0|2|0|0|1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Options o;
    o.settings = row.settings;
    o.form.Form_Load();
    EXPECT_EQ(Shown(o.view), row.shown);
    EXPECT_EQ(
        o.view.items[List::RunLevel],
        (std::vector<std::string>{"Not set", "asInvoker: with the user's own rights",
                                  "highestAvailable: as administrator when the user is one",
                                  "requireAdministrator: always asks for administrator rights"}));
    EXPECT_EQ(o.view.items[List::Dpi],
              (std::vector<std::string>{"Windows scales it (blurred at high DPI)", "System aware",
                                        "Per-monitor v2"}));
    EXPECT_EQ(o.view.closes, 0);
  }
}

TEST(OptionsWindowTest, OkTakesEachControlAndCloses) {
  struct Row {
    const char* name;
    void (*user)(fakes::OptionsView&);
    void (*expect)(ManifestSettings&);
  };
  // clang-format off
  const Row rows[] = {
      {"nothing changed", [](fakes::OptionsView&) {}, [](ManifestSettings&) {}},
      {"supported OS", [](fakes::OptionsView& v) { v.checks[Check::SupportedOs] = true; },
       [](ManifestSettings& s) { s.supportedOs = true; }},
      {"asInvoker", [](fakes::OptionsView& v) { v.Select(List::RunLevel, 1); },
       [](ManifestSettings& s) { s.runLevel = RunLevel::AsInvoker; }},
      {"highestAvailable", [](fakes::OptionsView& v) { v.Select(List::RunLevel, 2); },
       [](ManifestSettings& s) { s.runLevel = RunLevel::HighestAvailable; }},
      {"requireAdministrator", [](fakes::OptionsView& v) { v.Select(List::RunLevel, 3); },
       [](ManifestSettings& s) { s.runLevel = RunLevel::RequireAdministrator; }},
      {"system aware", [](fakes::OptionsView& v) { v.Select(List::Dpi, 1); },
       [](ManifestSettings& s) { s.dpi = DpiAwareness::System; }},
      {"per-monitor v2", [](fakes::OptionsView& v) { v.Select(List::Dpi, 2); },
       [](ManifestSettings& s) { s.dpi = DpiAwareness::PerMonitorV2; }},
      {"GDI scaling", [](fakes::OptionsView& v) { v.checks[Check::GdiScaling] = true; },
       [](ManifestSettings& s) { s.gdiScaling = true; }},
      {"long paths", [](fakes::OptionsView& v) { v.checks[Check::LongPaths] = true; },
       [](ManifestSettings& s) { s.longPathAware = true; }},
      {"legacy code page", [](fakes::OptionsView& v) { v.Select(List::CodePage, 1); },
       [](ManifestSettings& s) { s.codePage = generation::CodePage::Legacy; }},
      {"UTF-8", [](fakes::OptionsView& v) { v.Select(List::CodePage, 2); },
       [](ManifestSettings& s) { s.codePage = generation::CodePage::Utf8; }},
      {"printer driver isolation",
       [](fakes::OptionsView& v) { v.checks[Check::PrinterIsolation] = true; },
       [](ManifestSettings& s) { s.printerIsolation = true; }},
      // A list that chooses nothing stands for the default, not for a stray value.
      {"no choice in the lists",
       [](fakes::OptionsView& v) { v.selected[List::RunLevel] = -1; v.selected[List::Dpi] = -1; },
       [](ManifestSettings&) {}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Options o;
    o.form.Form_Load();
    row.user(o.view);
    o.form.OK_Click();
    ManifestSettings expected;
    row.expect(expected);
    EXPECT_TRUE(o.settings == expected);
    EXPECT_TRUE(o.form.Accepted());
    EXPECT_EQ(o.view.closes, 1);
  }

  // Everything off again.
  Options o;
  o.settings = All();
  o.form.Form_Load();
  o.view.checks.clear();
  o.view.Select(List::RunLevel, 0);
  o.view.Select(List::Dpi, 0);
  o.form.OK_Click();
  EXPECT_FALSE(o.settings.AnyOn());
}

TEST(OptionsWindowTest, CodePageAndPrinterIsolationAreShownAndTurnedOff) {
  Options o;
  o.settings.codePage = generation::CodePage::Utf8;
  o.settings.printerIsolation = true;
  o.form.Form_Load();
  EXPECT_EQ(o.view.Selected(List::CodePage), 2);
  EXPECT_TRUE(o.view.Checked(Check::PrinterIsolation));
  EXPECT_EQ(
      o.view.items[List::CodePage],
      (std::vector<std::string>{"Not set: as the system is set",
                                "Legacy: the system's ANSI code page", "UTF-8 (for experts)"}));
  o.view.Select(List::CodePage, 0);
  o.view.checks[Check::PrinterIsolation] = false;
  o.form.OK_Click();
  EXPECT_FALSE(o.settings.AnyOn());
}

TEST(OptionsWindowTest, CancelLeavesTheSettingsAsTheyWere) {
  Options o;
  o.settings.gdiScaling = true;
  o.form.Form_Load();
  o.view.checks[Check::SupportedOs] = true;
  o.view.checks[Check::GdiScaling] = false;
  o.view.Select(List::Dpi, 2);
  o.form.Cancel_Click();
  ManifestSettings expected;
  expected.gdiScaling = true;
  EXPECT_TRUE(o.settings == expected);
  EXPECT_FALSE(o.form.Accepted());
  EXPECT_EQ(o.view.closes, 1);
}

// The window's report carries every warning and note that --inspect prints, in the same
// words: the real inspection behind a fake inspector, as the Win32 one calls it.
TEST(OptionsWindowTest, ReportShowsTheWarningsAndNotesOfTheInspection) {
  const std::string manifest =
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "<assemblyIdentity name=\"A\" version=\"1.0\" processorArchitecture=\"amd64\"/>\n"
      "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>"
      "<requestedExecutionLevel level=\"asInvoker\"/></requestedPrivileges></security>"
      "</trustInfo>\n</assembly>";
  const readers::Inspection inspection = readers::InspectImage(
      "App.exe",
      testsupport::BuildPe(readers::kMachineI386, false,
                           {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), manifest}})
          .image,
      std::nullopt);
  ASSERT_EQ(inspection.warnings.size(), 3u);
  ASSERT_EQ(inspection.notes.size(), 1u);
  fakes::OptionsView view;
  fakes::Inspector inspector;
  inspector.report = readers::Summary(inspection);
  ManifestSettings settings;
  app::frmOptions form(view, inspector, settings, "C:\\Work\\App.exe");
  form.Form_Load();
  const std::string batchReport = readers::ReportText(inspection);
  for (const std::string& warning : inspection.warnings) {
    SCOPED_TRACE(warning);
    EXPECT_NE(batchReport.find("Warning: " + warning + "\n"), std::string::npos);
    EXPECT_NE(view.report.find("Warning: " + warning), std::string::npos);
  }
  EXPECT_NE(view.report.find("Note: " + inspection.notes[0]), std::string::npos);
}

TEST(OptionsWindowTest, ReportIsWhatTheInspectorSaysOfTheChosenProgram) {
  struct Row {
    const char* exePath;
    std::string inspectorSays;
    std::vector<std::string> asked;
    std::string report;
  };
  // clang-format off
  const Row rows[] = {
      {"C:\\Work\\App.exe", "App.exe carries a manifest now: visual styles on.",
       {"C:\\Work\\App.exe"}, "App.exe carries a manifest now: visual styles on."},
      {"C:\\Work\\App.exe", "", {"C:\\Work\\App.exe"}, ""},
      {"", "never asked", {}, ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.exePath);
    fakes::OptionsView view;
    fakes::Inspector inspector;
    inspector.report = row.inspectorSays;
    ManifestSettings settings;
    app::frmOptions form(view, inspector, settings, row.exePath);
    form.Form_Load();
    EXPECT_EQ(inspector.asked, row.asked);
    EXPECT_EQ(view.report, row.report);
  }
}

namespace {

struct Main : fakes::MainWindowRig {
  Main() {
    globals::RcExePath = "C:\\VB98\\Wizards\\RC.EXE";
    world.files.AddFolder("C:\\Work\\");
    world.files.AddFile("C:\\Tool\\readme.txt", "Add %resfile%.\r\n");
  }
  void Generate() {
    view.texts[Field::Text1] = "C:\\Work\\App.exe";
    view.texts[Field::Text3] = "d";
    view.texts[Field::Text4] = "1.0.0.0";
    form.Command1_Click();
  }
  const std::string& compiledManifest = world.files.compiledManifest;
};

} // namespace

TEST(OptionsWindowTest, MainWindowKeepsOkedOptionsShowsThemAndGeneratesWithThem) {
  Main m;
  m.form.Form_Load();
  EXPECT_EQ(m.view.optionsCaption, "Options...");
  m.view.texts[Field::Text1] = "C:\\Work\\App.exe";
  m.options.user = [](fakes::OptionsView& v) {
    v.checks[Check::SupportedOs] = true;
    v.Select(List::RunLevel, 1);
    v.Select(List::Dpi, 1);
    return true;
  };
  m.form.Command4_Click();
  EXPECT_EQ(m.options.exePaths, std::vector<std::string>{"C:\\Work\\App.exe"});
  EXPECT_EQ(m.view.optionsCaption, "Options... *");
  EXPECT_EQ(m.world.settings.writes,
            (std::vector<std::string>{
                "Themefold/General/SupportedOS=1", "Themefold/General/ExecutionLevel=asInvoker",
                "Themefold/General/DpiAwareness=system", "Themefold/General/GdiScaling=0",
                "Themefold/General/LongPathAware=0", "Themefold/General/ActiveCodePage=",
                "Themefold/General/PrinterDriverIsolation=0"}));
  ManifestSettings chosen;
  chosen.supportedOs = true;
  chosen.runLevel = RunLevel::AsInvoker;
  chosen.dpi = DpiAwareness::System;
  m.Generate();
  EXPECT_EQ(m.compiledManifest,
            generation::BuildManifestText("1.0.0.0", "App.exe", "d", chosen) + "\r\n");

  // The next start shows and uses them too.
  Main next;
  next.world.settings.values = m.world.settings.values;
  next.form.Form_Load();
  EXPECT_EQ(next.view.optionsCaption, "Options... *");
  next.Generate();
  EXPECT_EQ(next.compiledManifest, m.compiledManifest);
  next.form.Command4_Click(); // the fake user cancels
  EXPECT_EQ(Shown(next.options.lastView), "1|1|1|0|0");

  // All off again: the plain caption and manifest.
  next.options.user = [](fakes::OptionsView& v) {
    v.checks.clear();
    v.Select(List::RunLevel, 0);
    v.Select(List::Dpi, 0);
    return true;
  };
  next.form.Command4_Click();
  EXPECT_EQ(next.view.optionsCaption, "Options...");
  next.Generate();
  EXPECT_EQ(next.compiledManifest,
            generation::BuildManifestText("1.0.0.0", "App.exe", "d") + "\r\n");
}

TEST(OptionsWindowTest, MainWindowCancelStoresAndChangesNothing) {
  Main m;
  m.world.settings.values["Themefold/General/GdiScaling"] = "1";
  m.form.Form_Load();
  EXPECT_EQ(m.view.optionsCaption, "Options... *");
  m.options.user = [](fakes::OptionsView& v) {
    v.checks[Check::GdiScaling] = false;
    v.checks[Check::LongPaths] = true;
    return false;
  };
  m.form.Command4_Click();
  EXPECT_TRUE(m.world.settings.writes.empty());
  EXPECT_EQ(m.view.optionsCaption, "Options... *");
  ManifestSettings gdi;
  gdi.gdiScaling = true;
  m.Generate();
  EXPECT_EQ(m.compiledManifest,
            generation::BuildManifestText("1.0.0.0", "App.exe", "d", gdi) + "\r\n");
}
