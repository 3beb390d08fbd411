#include "batch/Options.h"

#include <algorithm>
#include <utility>

#include "front/Target.h"
#include "generation/ModuleText.h"
#include "project/ProjectTexts.h"

namespace batch {

namespace {

using generation::ManifestSettings;

bool SetRunLevel(Options& options, const std::string& value) {
  return generation::ParseRunLevel(value, options.manifest.runLevel);
}
bool SetDpi(Options& options, const std::string& value) {
  return generation::ParseDpi(value, options.manifest.dpi);
}
bool SetCodePage(Options& options, const std::string& value) {
  return generation::ParseCodePage(value, options.manifest.codePage);
}
bool SetProjectCodePage(Options& options, const std::string& value) {
  return codepages::Parse(value, options.projectCodePage);
}
bool AddComponent(Options& options, const std::string& value) {
  options.manifest.components.push_back(value);
  return !value.empty();
}
bool AddProject(Options& options, const std::string& value) {
  options.projects.push_back(value);
  return !value.empty();
}
bool SetProject(Options& options, const std::string& value) {
  options.target = value;
  return true;
}
std::string PathChoices() { return "a path"; }

constexpr const char* kKeepOverlayOption = "--keep-overlay";
constexpr const char* kStripSignatureOption = "--strip-signature";
constexpr const char* kComUsedOption = "--com-used";
constexpr const char* kComFolderOption = "--com-folder";

/// The flags that ask for a mode; which of them go together is SortOut's.
const std::pair<const char*, Mode> kModeFlags[] = {
    {"--help", Mode::Help},
    {"-h", Mode::Help},
    {"--version", Mode::ShowVersion},
    {"--inspect", Mode::Inspect},
    {kCheckFormsOption, Mode::CheckForms},
    {kEmbedOption, Mode::Embed},
    {"--beside", Mode::Beside},
};

// One row per option: a text value (with whether it must be non-empty), a flag, a flag of
// the manifest, or one of a fixed list of values.
struct OptionSpec {
  const char* name;
  std::string Options::*text;
  bool Options::*flag;
  bool needsText;
  bool ManifestSettings::*manifestFlag = nullptr;
  bool (*choose)(Options&, const std::string&) = nullptr;
  std::string (*choices)() = nullptr;
};

const OptionSpec kOptionSpecs[] = {
    {"--version-info", &Options::version, nullptr, false},
    {"--description", &Options::description, nullptr, false},
    {"--rc", &Options::rcPath, nullptr, true},
    {"--readme", &Options::readmePath, nullptr, true},
    {"--force", nullptr, &Options::force, false},
    {"--no-module", nullptr, &Options::noModule, false},
    {"--quiet", nullptr, &Options::quiet, false},
    {"--check-version", nullptr, &Options::checkVersion, false},
    {"--supported-os", nullptr, nullptr, false, &ManifestSettings::supportedOs},
    {"--execution-level", nullptr, nullptr, false, nullptr, SetRunLevel,
     generation::RunLevelChoices},
    {"--dpi", nullptr, nullptr, false, nullptr, SetDpi, generation::DpiChoices},
    {"--gdi-scaling", nullptr, nullptr, false, &ManifestSettings::gdiScaling},
    {"--long-path-aware", nullptr, nullptr, false, &ManifestSettings::longPathAware},
    {"--code-page", nullptr, nullptr, false, nullptr, SetCodePage, generation::CodePageChoices},
    {"--printer-isolation", nullptr, nullptr, false, &ManifestSettings::printerIsolation},
    {"--strict", nullptr, &Options::strict, false},
    {"--com", nullptr, nullptr, true, nullptr, AddComponent, PathChoices},
    {"--vbp", nullptr, nullptr, true, nullptr, AddProject, PathChoices},
    {kComUsedOption, nullptr, &Options::componentsUsed, false},
    {kComFolderOption, &Options::componentsFolder, nullptr, true},
    {kProjectOption, nullptr, nullptr, true, nullptr, SetProject, PathChoices},
    {"--dry-run", nullptr, &Options::dryRun, false},
    {kKeepOverlayOption, nullptr, &Options::keepOverlay, false},
    {kStripSignatureOption, nullptr, &Options::stripSignature, false},
    {"--remove", nullptr, &Options::remove, false},
    {project::texts::kCodePageOption, nullptr, nullptr, false, nullptr, SetProjectCodePage,
     codepages::Choices},
};

const OptionSpec* FindSpec(const std::string& name) {
  for (const OptionSpec& spec : kOptionSpecs)
    if (name == spec.name)
      return &spec;
  return nullptr;
}

const Mode* FindModeFlag(const std::string& name) {
  for (const auto& [flag, mode] : kModeFlags)
    if (name == flag)
      return &mode;
  return nullptr;
}

/// What the modes asked for, the targets and the options say together: the mode, or what
/// is wrong with them. Every rule of which options go together is here.
std::optional<std::string> SortOut(Options& options, const std::vector<Mode>& asked,
                                   const std::vector<std::string>& targets, bool codePageGiven) {
  const auto has = [&asked](Mode mode) {
    return std::find(asked.begin(), asked.end(), mode) != asked.end();
  };
  for (const Mode first : {Mode::Help, Mode::ShowVersion})
    if (has(first)) {
      options.mode = first;
      options.target.clear();
      return std::nullopt;
    }
  const bool projectOption = !options.target.empty();
  if (targets.size() + (projectOption ? 1 : 0) > 1)
    return "more than one target given";
  if (targets.empty() && !projectOption)
    return "no target program given";
  if (!targets.empty())
    options.target = targets[0];
  const bool project = projectOption || front::IsProjectPath(options.target);
  const std::string& target = options.target;
  if (options.strict && !has(Mode::Inspect))
    return "--strict needs --inspect";
  if (has(Mode::Inspect) && project)
    return "--inspect takes a program (.exe), not the project " + target +
           ": leave --inspect out to set the project up, or check its forms with " +
           kCheckFormsOption;
  if (options.noModule && project)
    return std::string("--no-module does not go with a project: setting one up writes "
                       "and lists ") +
           generation::kModuleFileName;
  if (has(Mode::Embed) || has(Mode::Beside)) {
    const std::string mode = has(Mode::Embed) ? kEmbedOption : "--beside";
    if (has(Mode::Embed) && has(Mode::Beside))
      return "--embed and --beside do not go together: choose one";
    if (project)
      return mode + " takes a built program, not the project " + target + ": leave " + mode +
             " out to set the project up";
    if (has(Mode::Inspect) || has(Mode::CheckForms))
      return mode + " does not go with --inspect or --check-forms";
    if (has(Mode::Embed) && !front::IsEmbeddablePath(target))
      return "--embed takes a built .exe, .dll or .ocx: " + target;
    if (has(Mode::Beside) && !front::IsProgramPath(target))
      return "--beside takes a program (.exe); a library's manifest comes from its own "
             "resources (--embed): " +
             target;
    if (options.dryRun && has(Mode::Beside))
      return "--dry-run goes with --embed or a project, not --beside";
  }
  if ((options.keepOverlay || options.stripSignature) && !has(Mode::Embed))
    return std::string(options.keepOverlay ? kKeepOverlayOption : kStripSignatureOption) +
           " needs --embed";
  if (options.remove && !has(Mode::Beside))
    return "--remove needs --beside";
  if (!options.componentsFolder.empty() && !options.componentsUsed)
    return std::string(kComFolderOption) + " needs " + kComUsedOption;
  if (options.componentsUsed && !has(Mode::Embed) && !has(Mode::Beside))
    return std::string(kComUsedOption) +
           " needs --embed or --beside: it reads the components a built program places";
  if (options.dryRun && !project && !has(Mode::Embed))
    return "--dry-run needs a project (--project PATH or a .vbp target) or --embed";
  if (has(Mode::CheckForms) && !project)
    return "--check-forms needs a project (--project PATH or a .vbp target)";
  if (codePageGiven && !project)
    return std::string(project::texts::kCodePageOption) +
           " needs a project (--project PATH or a .vbp target)";
  options.mode = project ? Mode::Project : Mode::Generate;
  for (const Mode mode : {Mode::Inspect, Mode::CheckForms, Mode::Embed, Mode::Beside})
    if (has(mode))
      options.mode = mode;
  return std::nullopt;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  Options& options = parsed.options;
  std::vector<std::string> targets;
  std::vector<Mode> asked;
  bool optionsEnded = false;
  bool codePageGiven = false;
  auto fail = [&parsed](const std::string& error) {
    parsed.error = error;
    return parsed;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // A lone "-" is a name like any other.
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      targets.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::string::size_type equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionSpec* spec = FindSpec(name);
    const Mode* mode = FindModeFlag(name);
    if (!spec && !mode)
      return fail("unknown option " + name);
    if (mode || spec->flag || spec->manifestFlag) {
      if (equals != std::string::npos)
        return fail("option " + name + " takes no value");
      if (mode)
        asked.push_back(*mode);
      else if (spec->flag)
        options.*(spec->flag) = true;
      else
        options.manifest.*(spec->manifestFlag) = true;
      continue;
    }
    std::string value;
    if (equals != std::string::npos)
      value = arg.substr(equals + 1);
    else if (i + 1 < args.size())
      value = args[++i];
    else
      return fail("option " + name + " needs a value");
    if (spec->needsText && value.empty())
      return fail("option " + name + " needs a path");
    codePageGiven = codePageGiven || spec->choose == SetProjectCodePage;
    if (spec->choose) {
      if (!spec->choose(options, value))
        return fail("option " + name + " takes " + spec->choices() + ", not '" + value + "'");
      continue;
    }
    options.*(spec->text) = value;
    options.versionGiven = options.versionGiven || spec->text == &Options::version;
    options.descriptionGiven = options.descriptionGiven || spec->text == &Options::description;
  }
  if (const std::optional<std::string> error = SortOut(options, asked, targets, codePageGiven))
    return fail(*error);
  return parsed;
}

std::optional<front::Way> WayOf(Mode mode) {
  // clang-format off
  static constexpr std::pair<Mode, front::Way> kWays[] = {
      {Mode::Generate, front::Way::Generate},
      {Mode::Project, front::Way::Project},
      {Mode::Embed, front::Way::Embed},
      {Mode::Beside, front::Way::Beside},
  };
  // clang-format on
  for (const auto& [from, way] : kWays)
    if (from == mode)
      return way;
  return std::nullopt;
}

front::Wording OptionWording() {
  front::Wording wording;
  wording.setUpProject = std::string(" (") + kProjectOption + " PROJECT.vbp)";
  wording.embedAfterBuild = std::string(" (") + kEmbedOption + " in the build's last step)";
  wording.embedInstead = std::string(" (") + kEmbedOption + ")";
  return wording;
}

std::string OptionFor(base::Setting setting) {
  switch (setting) {
  case base::Setting::KeepOverlay:
    return kKeepOverlayOption;
  case base::Setting::StripSignature:
    return kStripSignatureOption;
  case base::Setting::None:
    break;
  }
  return std::string();
}

namespace {

/// The usage and the options of every run.
std::string HelpUsage() {
  return std::string("Usage: ") + kProgramName + " [options] TARGET.exe\n" +
         "Compiles a Common Controls 6 manifest for TARGET.exe into <base>_manifest.res beside\n"
         "it and writes the start-up module " +
         generation::kModuleFileName +
         " there. The manifest's architecture\n"
         "is TARGET.exe's own (X86, amd64 or arm64), X86 when it is not built yet.\n"
         "\n"
         "  --version-info V   version in the manifest (default 1.0.0.0)\n"
         "  --description D    description in the manifest (default empty)\n"
         "  --rc PATH          resource compiler (default: Visual Basic 6's, the stored\n"
         "                     setting RC.EXE, or the one beside this program)\n"
         "  --force            replace an existing .res and " +
         generation::kModuleFileName + "\n" + "  --no-module        do not write " +
         generation::kModuleFileName +
         " (not with a project)\n"
         "  --readme FILE      instructions template (default readme.txt beside this program)\n"
         "  --quiet            do not print the filled-in instructions; with --embed, print\n"
         "                     only what needs the user\n"
         "  --check-version    a version that is not four numbers 0-65535 is an error\n"
         "  --inspect          print the manifest TARGET.exe carries now and generate nothing:\n"
         "                     what Windows does with it, its warnings and notes; for a\n"
         "                     program Visual Basic built, also its project, objects,\n"
         "                     components and what theming will do to it\n"
         "  --strict           with --inspect, exit 7 when there is any warning (for CI;\n"
         "                     notes do not count)\n"
         "  --help, --version\n"
         "\n";
}

/// The manifest's settings and the components.
std::string HelpSettings() {
  return std::string() +
         "Manifest settings, none by default:\n"
         "  --supported-os     Windows Vista to 11 supported: GetVersionEx reports the true\n"
         "                     version, not 6.2\n"
         "  --execution-level L\n"
         "                     run level: " +
         generation::RunLevelChoices() +
         "\n"
         "  --dpi D            DPI awareness: " +
         generation::DpiChoices() +
         "\n"
         "  --gdi-scaling      Windows draws GDI text and lines sharp at high DPI\n"
         "  --long-path-aware  paths longer than 260 characters work\n"
         "  --code-page C      the program's ANSI code page: " +
         generation::CodePageChoices() +
         ";\n"
         "                     legacy keeps the system's where Windows 11 uses UTF-8 for all;\n"
         "                     utf-8 (for experts) makes Visual Basic's string conversions\n"
         "                     use UTF-8, which garbles every caption, text and string\n"
         "                     outside ASCII: with a project, the run and --check-forms list\n"
         "                     the lines of its forms, user controls, modules and classes\n"
         "                     holding such texts, as " +
         project::texts::kCodePageOption +
         " reads them\n"
         "  --printer-isolation\n"
         "                     printer drivers run apart: a crashing one leaves the program up\n"
         "  --com FILE[\\N]     use the COM component FILE (.ocx, .dll or .tlb; N its type\n"
         "                     library resource) without registration; may be repeated\n"
         "  --vbp PROJECT.vbp  the same for each component the Visual Basic project uses\n"
         "  --com-used         with --embed or --beside: the same for each component the\n"
         "                     program Visual Basic built places, found beside it or in\n"
         "                     --com-folder DIR; one not found is named with its class id\n"
         "\n";
}

/// A project as the target.
std::string HelpProject() {
  return std::string() +
         "A Visual Basic project as the target (--project PROJECT.vbp, or PROJECT.vbp alone):\n"
         "the manifest goes into the project's resource file (a new <base>_manifest.res when\n"
         "it has none), " +
         generation::kModuleFileName +
         " is written and listed, and the project starts in\n"
         "Sub Main. Each changed file is first copied to a .bak file beside it. The version\n"
         "and description come from the project unless given; --no-module is refused.\n"
         "  --dry-run          print the changes and make none\n"
         "  --check-forms      print what themes break in the project's forms and user\n"
         "                     controls, a line each: file:line: control: what happens:\n"
         "                     what to do. A listed file that cannot be read is one too,\n"
         "                     and with --code-page utf-8 each line of text it garbles.\n"
         "                     Nothing is changed.\n"
         "  " +
         project::texts::kCodePageOption +
         " N\n"
         "                     the ANSI code page the project was written in, default " +
         std::to_string(codepages::kDefault) +
         ";\n"
         "                     one of " +
         codepages::Choices() +
         ".\n"
         "                     On Linux a name that is not found as written is looked for\n"
         "                     in it (a checkout names files in UTF-8), and the version and\n"
         "                     description are read in it; Windows uses its own\n"
         "\n";
}

/// A built program as the target, and the exit codes.
std::string HelpBuilt() {
  return std::string() +
         "A built program as the target, nothing rebuilt:\n"
         "  --embed            write the manifest into TARGET (.exe, .dll or .ocx) itself,\n"
         "                     with every manifest setting above, merged with the one it\n"
         "                     carries: what that says stays unless an option sets it;\n"
         "                     the old file is kept as a .bak. Refused: a signed file, an\n"
         "                     old manifest that is not XML, data after the last section, a\n"
         "                     UPX-packed file, a .NET assembly, a read-only or running file.\n"
         "                     Rebuilding in Visual Basic replaces it; a project lasts.\n"
         "  --keep-overlay     with --embed: copy data after the last section unchanged\n"
         "  --strip-signature  with --embed: remove the signature (sign the file again)\n"
         "  --dry-run          with --embed: print the sections before and after, the\n"
         "                     placement and what changes in the manifest; write nothing\n"
         "  --beside           write TARGET.exe.manifest beside the program (for one that\n"
         "                     must not change, such as the Visual Basic IDE): Common\n"
         "                     Controls 6, no run level or DPI awareness unless given;\n"
         "                     one of the user's there is merged, after a .bak; refused\n"
         "                     when the program embeds a manifest\n"
         "  --remove           with --beside: remove the file this tool wrote, never another\n"
         "\n"
         "Exit codes: 0 done; 1 the compiler made no .res (with a project: none holding the\n"
         "manifest); 2 usage (a bad version with --check-version, no compiler found); 3 folder\n"
         "cannot be entered; 4 output exists and --force not given, or a link or folder has its\n"
         "name; 5 a file operation failed or a file cannot be read; with a project, 2 also when\n"
         "it is refused; 130 Ctrl-C, 143 terminated (temporary files removed, earlier files as\n"
         "they were). With --inspect: 0 the program carries a manifest; 6 it carries none;\n"
         "5 it cannot be read as a PE file; 7 with --strict, it carries one and there are\n"
         "warnings (the manifest's, or what theming does to a Visual Basic program). With\n"
         "--check-forms: 0 nothing found; 7 findings; 2 the project file cannot be read.\n"
         "With --embed or --beside: 2 refused, 5 a file operation failed; the program is as\n"
         "it was.\n";
}

} // namespace

std::string HelpText() { return HelpUsage() + HelpSettings() + HelpProject() + HelpBuilt(); }

} // namespace batch
