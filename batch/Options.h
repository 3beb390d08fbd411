#pragma once
// The command line of themefold-batch: POSIX-style long options and one target.

#include <optional>
#include <string>
#include <vector>

#include "base/CodePages.h"
#include "generation/ManifestSettings.h"

namespace batch {

inline constexpr const char* kProgramName = "themefold-batch";

struct Options {
  std::string target;
  std::string version = "1.0.0.0";
  std::string description;
  std::string rcPath;     ///< "" to look in the usual places
  std::string readmePath; ///< "" for readme.txt beside the program
  bool force = false;
  bool noModule = false;
  bool quiet = false;
  bool checkVersion = false;
  bool help = false;
  bool showVersion = false;
  bool inspect = false; ///< report what the target carries and generate nothing
  bool strict = false;  ///< with inspect: any warning fails the run
  std::vector<std::string> projects; ///< --vbp: projects whose components join --com's
  std::string project; ///< --project, or a target ending in .vbp: the project to set up
  bool dryRun = false; ///< with a project: print the changes, make none
  bool checkForms = false; ///< with a project: print what themes break in its forms
  bool embed = false;      ///< write the manifest into the built program itself
  bool keepOverlay = false;    ///< with embed: copy data after the last section
  bool stripSignature = false; ///< with embed: remove an Authenticode signature
  bool beside = false;         ///< write TARGET.exe.manifest beside the program
  bool remove = false;         ///< with beside: remove that file instead
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

} // namespace batch
