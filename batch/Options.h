#pragma once
// The command line of themefold-batch: POSIX-style long options and one target.

#include <optional>
#include <string>
#include <vector>

#include "base/CodePages.h"
#include "base/Refusal.h"
#include "front/Delivery.h"
#include "generation/ManifestSettings.h"

namespace batch {

inline constexpr const char* kProgramName = "themefold-batch";

/// What a run does: one of the ways to deliver a manifest, or a report that writes nothing.
enum class Mode {
  Generate,    ///< a .res and the module beside TARGET.exe
  Project,     ///< --project, or a target ending in .vbp: the project set up
  Embed,       ///< --embed: the manifest written into the built program itself
  Beside,      ///< --beside: TARGET.exe.manifest written beside the program
  Inspect,     ///< --inspect: what the target carries; nothing is generated
  CheckForms,  ///< --check-forms: what themes break in a project's forms
  Help,        ///< --help, -h
  ShowVersion, ///< --version
};

/// The options the batch's own texts name, beside their rows in the options' table.
inline constexpr const char* kProjectOption = "--project";
inline constexpr const char* kEmbedOption = "--embed";
inline constexpr const char* kCheckFormsOption = "--check-forms";

struct Options {
  Mode mode = Mode::Generate;
  /// The program, or the project for Project and CheckForms.
  std::string target;
  std::string version = "1.0.0.0";
  std::string description;
  std::string rcPath;     ///< "" to look in the usual places
  std::string readmePath; ///< "" for readme.txt beside the program
  bool force = false;
  bool noModule = false;
  bool quiet = false;
  bool checkVersion = false;
  bool strict = false;               ///< with Inspect: any warning fails the run
  std::vector<std::string> projects; ///< --vbp: projects whose components join --com's
  bool dryRun = false;               ///< with Project or Embed: print the changes, make none
  bool keepOverlay = false;          ///< with Embed: copy data after the last section
  bool stripSignature = false;       ///< with Embed: remove an Authenticode signature
  bool remove = false;               ///< with Beside: remove that file instead
  bool componentsUsed = false;       ///< with Embed or Beside: the program's own components
  std::string componentsFolder;      ///< --com-folder: where else they are looked for
  /// With a project: the ANSI code page its names and texts are in, where the system has none.
  unsigned projectCodePage = codepages::kDefault;
  bool versionGiven = false;     ///< --version-info overrides the project's version
  bool descriptionGiven = false; ///< --description overrides the project's
  generation::ManifestSettings manifest;
};

struct ParsedOptions {
  Options options;
  std::optional<std::string> error; ///< what is wrong with the command line; unset when nothing is
};

/// args without the program's own name. "--name value" and "--name=value" both work; "--"
/// ends the options, so a target may begin with a hyphen.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

/// The --help text, ending in a line break.
std::string HelpText();

/// The way to deliver a manifest a mode runs; unset for a mode that writes nothing.
std::optional<front::Way> WayOf(Mode mode);

/// The option that sets what lifts a refusal, "" for none.
std::string OptionFor(base::Setting setting);

/// The texts of front/ that tell the user what to do, naming the batch's options.
front::Wording OptionWording();

} // namespace batch
