// The command line: every option in both spellings, defaults, and what is refused.
#include <gtest/gtest.h>

#include "batch/Options.h"

using batch::ParseOptions;

namespace {

std::string Describe(const batch::Options& o) {
  return "target=" + o.target + " version=" + o.version + " description=" + o.description +
         " rc=" + o.rcPath + " readme=" + o.readmePath + " flags=" + (o.force ? "F" : "") +
         (o.noModule ? "N" : "") + (o.quiet ? "Q" : "") + (o.checkVersion ? "C" : "") +
         (o.mode == batch::Mode::Help ? "H" : "") + (o.mode == batch::Mode::ShowVersion ? "V" : "");
}

} // namespace

TEST(OptionsTest, AcceptedCommandLines) {
  struct Row {
    std::vector<std::string> args;
    const char* expected;
  };
  const Row rows[] = {
      {{"App.exe"}, "target=App.exe version=1.0.0.0 description= rc= readme= flags="},
      {{"--version-info", "2.1.0.7", "--description", "My app", "App.exe"},
       "target=App.exe version=2.1.0.7 description=My app rc= readme= flags="},
      {{"--version-info=2.1", "--description=a=b", "App.exe"},
       "target=App.exe version=2.1 description=a=b rc= readme= flags="},
      // An explicit empty description or version is a value like any other.
      {{"--description", "", "--version-info=", "App.exe"},
       "target=App.exe version= description= rc= readme= flags="},
      {{"App.exe", "--rc", "/opt/rc", "--readme=/r.txt"},
       "target=App.exe version=1.0.0.0 description= rc=/opt/rc readme=/r.txt flags="},
      {{"--force", "--no-module", "--quiet", "--check-version", "App.exe"},
       "target=App.exe version=1.0.0.0 description= rc= readme= flags=FNQC"},
      // Values that look like options are taken as values.
      {{"--description", "--force", "App.exe"},
       "target=App.exe version=1.0.0.0 description=--force rc= readme= flags="},
      {{"--", "--odd name.exe"},
       "target=--odd name.exe version=1.0.0.0 description= rc= readme= flags="},
      {{"-"}, "target=- version=1.0.0.0 description= rc= readme= flags="},
      {{"--help"}, "target= version=1.0.0.0 description= rc= readme= flags=H"},
      {{"-h", "a.exe", "b.exe"}, "target= version=1.0.0.0 description= rc= readme= flags=H"},
      {{"--version"}, "target= version=1.0.0.0 description= rc= readme= flags=V"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    const batch::ParsedOptions parsed = ParseOptions(row.args);
    EXPECT_FALSE(parsed.error) << *parsed.error;
    EXPECT_EQ(Describe(parsed.options), row.expected);
  }
}

TEST(OptionsTest, RefusedCommandLines) {
  struct Row {
    std::vector<std::string> args;
    const char* error;
  };
  const Row rows[] = {
      {{}, "no target program given"},
      {{"--force"}, "no target program given"},
      {{"a.exe", "b.exe"}, "more than one target given"},
      {{"--frce", "a.exe"}, "unknown option --frce"},
      {{"-f", "a.exe"}, "unknown option -f"},
      {{"--force=yes", "a.exe"}, "option --force takes no value"},
      {{"a.exe", "--description"}, "option --description needs a value"},
      {{"--rc=", "a.exe"}, "option --rc needs a path"},
      {{"--readme", "", "a.exe"}, "option --readme needs a path"},
      {{"--strict", "a.exe"}, "--strict needs --inspect"},
      {{"--check-forms", "App.exe"},
       "--check-forms needs a project (--project PATH or a .vbp target)"},
      {{"--check-forms=yes", "App.vbp"}, "option --check-forms takes no value"},
      // Was taken, and the module written all the same.
      {{"--no-module", "App.vbp"},
       "--no-module does not go with a project: setting one up writes and lists "
       "modThemefold.bas"},
      // Was taken, then: "themefold-batch: : cannot be read as a PE file", exit 5.
      {{"--inspect", "--project", "App.vbp"},
       "--inspect takes a program (.exe), not the project App.vbp: leave --inspect out to set "
       "the project up, or check its forms with --check-forms"},
      {{"--project-code-page", "1251", "App.exe"},
       "--project-code-page needs a project (--project PATH or a .vbp target)"},
      {{"--embed", "--beside", "App.exe"}, "--embed and --beside do not go together: choose one"},
      {{"--embed", "App.vbp"},
       "--embed takes a built program, not the project App.vbp: leave --embed out to set the "
       "project up"},
      {{"--embed", "--inspect", "App.exe"}, "--embed does not go with --inspect or --check-forms"},
      {{"--embed", "App.res"}, "--embed takes a built .exe, .dll or .ocx: App.res"},
      {{"--beside", "Grid.ocx"},
       "--beside takes a program (.exe); a library's manifest comes from its own resources "
       "(--embed): Grid.ocx"},
      {{"--beside", "--dry-run", "App.exe"},
       "--dry-run goes with --embed or a project, not --beside"},
      {{"--keep-overlay", "App.exe"}, "--keep-overlay needs --embed"},
      {{"--strip-signature", "App.exe"}, "--strip-signature needs --embed"},
      {{"--remove", "App.exe"}, "--remove needs --beside"},
      {{"--com-used", "App.exe"},
       "--com-used needs --embed or --beside: it reads the components a built program places"},
      {{"--com-folder", "Lib", "--embed", "App.exe"}, "--com-folder needs --com-used"},
      {{"--com-used=Lib", "--embed", "App.exe"}, "option --com-used takes no value"},
      {{"--com-folder=", "--com-used", "--embed", "App.exe"}, "option --com-folder needs a path"},
      {{"--dry-run", "App.exe"},
       "--dry-run needs a project (--project PATH or a .vbp target) or --embed"},
      {{"--project-code-page=cp1251", "App.vbp"},
       "option --project-code-page takes 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, not "
       "'cp1251'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.error);
    EXPECT_EQ(ParseOptions(row.args).error, row.error);
  }
}

TEST(OptionsTest, HelpNamesEveryOptionAndExitCode) {
  const std::string help = batch::HelpText();
  for (const char* word : {"--version-info",
                           "--description",
                           "--rc",
                           "--force",
                           "--no-module",
                           "--readme",
                           "--quiet",
                           "--check-version",
                           "--help",
                           "--version",
                           "0 done",
                           "1 the compiler",
                           "2 usage",
                           "3 folder",
                           "4 output",
                           "5 a file operation",
                           "--inspect",
                           "6 it carries none",
                           "--strict",
                           "7 with --strict",
                           "--check-forms",
                           "7 findings",
                           "--no-module is refused",
                           "--embed",
                           "--keep-overlay",
                           "--strip-signature",
                           "--beside",
                           "--remove",
                           "--com-used",
                           "--com-folder DIR",
                           "2 refused"}) {
    SCOPED_TRACE(word);
    EXPECT_NE(help.find(word), std::string::npos);
  }
  EXPECT_EQ(help.back(), '\n');
}

TEST(OptionsTest, CodePageAndPrinterIsolation) {
  struct Row {
    std::vector<std::string> args;
    generation::CodePage codePage;
    bool printerIsolation;
    const char* error;
  };
  using generation::CodePage;
  // clang-format off
  const Row rows[] = {
      {{"App.exe"}, CodePage::NotSet, false, ""},
      {{"--code-page", "legacy", "App.exe"}, CodePage::Legacy, false, ""},
      {{"--code-page=utf-8", "--printer-isolation", "App.exe"}, CodePage::Utf8, true, ""},
      {{"--code-page", "UTF-8", "App.exe"}, CodePage::NotSet, false,
       "option --code-page takes legacy or utf-8, not 'UTF-8'"},
      {{"--printer-isolation=yes", "App.exe"}, CodePage::NotSet, false,
       "option --printer-isolation takes no value"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.error);
    const batch::ParsedOptions parsed = ParseOptions(row.args);
    if (*row.error) {
      EXPECT_EQ(parsed.error, row.error);
      continue;
    }
    EXPECT_FALSE(parsed.error) << *parsed.error;
    EXPECT_EQ(parsed.options.manifest.codePage, row.codePage);
    EXPECT_EQ(parsed.options.manifest.printerIsolation, row.printerIsolation);
  }
  // The project's own code page is another option: --code-page is the manifest's.
  EXPECT_EQ(ParseOptions({"App.vbp"}).options.projectCodePage, 1252u);
  EXPECT_EQ(ParseOptions({"--project-code-page", "1251", "App.vbp"}).options.projectCodePage,
            1251u);
  for (const char* word :
       {"--code-page C", "legacy or utf-8", "--printer-isolation", "--project-code-page N"}) {
    SCOPED_TRACE(word);
    EXPECT_NE(batch::HelpText().find(word), std::string::npos);
  }
}

TEST(OptionsTest, ManifestSettingsInBothSpellings) {
  struct Row {
    std::vector<std::string> args;
    const char* expected; ///< supported OS|run level|DPI|GDI scaling|long paths
  };
  const Row rows[] = {
      {{"App.exe"}, "0|||0|0"},
      {{"--supported-os", "--gdi-scaling", "--long-path-aware", "App.exe"}, "1|||1|1"},
      {{"--execution-level", "highestAvailable", "App.exe"}, "0|highestAvailable||0|0"},
      {{"--execution-level=requireAdministrator", "--dpi=system", "App.exe"},
       "0|requireAdministrator|system|0|0"},
      // The last of a repeated option wins, as for the text options.
      {{"--dpi", "system", "--dpi", "permonitorv2", "App.exe"}, "0||permonitorv2|0|0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    const batch::ParsedOptions parsed = ParseOptions(row.args);
    EXPECT_FALSE(parsed.error) << *parsed.error;
    EXPECT_EQ(parsed.options.target, "App.exe");
    const generation::ManifestSettings& m = parsed.options.manifest;
    EXPECT_EQ(std::string(m.supportedOs ? "1" : "0") + "|" + generation::RunLevelName(m.runLevel) +
                  "|" + generation::DpiName(m.dpi) + "|" + (m.gdiScaling ? "1" : "0") + "|" +
                  (m.longPathAware ? "1" : "0"),
              row.expected);
  }
  for (const char* word :
       {"--supported-os", "--execution-level", "--dpi", "--gdi-scaling", "--long-path-aware",
        "asInvoker, highestAvailable or requireAdministrator", "system or permonitorv2"}) {
    SCOPED_TRACE(word);
    EXPECT_NE(batch::HelpText().find(word), std::string::npos);
  }
}

TEST(OptionsTest, EmbedAndBesideFlags) {
  const batch::Options embed =
      ParseOptions({"--embed", "--keep-overlay", "--strip-signature", "--dry-run", "Grid.OCX"})
          .options;
  EXPECT_TRUE(embed.mode == batch::Mode::Embed && embed.keepOverlay && embed.stripSignature &&
              embed.dryRun);
  EXPECT_EQ(embed.target, "Grid.OCX");
  const batch::ParsedOptions beside = ParseOptions({"--beside", "--remove", "VB6.EXE"});
  EXPECT_EQ(beside.error, std::nullopt);
  EXPECT_TRUE(beside.options.mode == batch::Mode::Beside && beside.options.remove);
  // The program's own components, for either way; the folder is the last one given.
  for (const auto& [args, folder] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--embed", "--com-used", "App.exe"}, ""},
           {{"--beside", "--com-used", "--com-folder", "A", "--com-folder=B", "App.exe"}, "B"}}) {
    SCOPED_TRACE(folder);
    const batch::ParsedOptions used = ParseOptions(args);
    EXPECT_EQ(used.error, std::nullopt);
    EXPECT_TRUE(used.options.componentsUsed);
    EXPECT_EQ(used.options.componentsFolder, folder);
    EXPECT_EQ(used.options.target, "App.exe");
  }
}

// The mode a command line asks for; --help and --version before any other.
TEST(OptionsTest, Modes) {
  using batch::Mode;
  const std::pair<std::vector<std::string>, Mode> rows[] = {
      {{"App.exe"}, Mode::Generate},
      {{"App.vbp"}, Mode::Project},
      {{"--project", "App.vbp"}, Mode::Project},
      {{"--dry-run", "App.vbp"}, Mode::Project},
      {{"--embed", "App.dll"}, Mode::Embed},
      {{"--beside", "App.exe"}, Mode::Beside},
      {{"--inspect", "App.exe"}, Mode::Inspect},
      {{"--check-forms", "App.vbp"}, Mode::CheckForms},
      {{"--embed", "--help", "App.exe"}, Mode::Help},
      {{"--version", "--inspect"}, Mode::ShowVersion},
      {{"--version", "-h"}, Mode::Help},
  };
  for (const auto& [args, mode] : rows) {
    SCOPED_TRACE(args[0]);
    const batch::ParsedOptions parsed = ParseOptions(args);
    EXPECT_EQ(parsed.error, std::nullopt);
    EXPECT_EQ(parsed.options.mode, mode);
  }
}
