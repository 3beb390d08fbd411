#pragma once
// A Visual Basic project made to start themed: the manifest merged into its resource file,
// the start-up module written and listed, Startup set. First a plan of every change, which
// writes nothing the user could see; then the plan carried out, each file copied to a backup
// and replaced only by a complete successor.

#include <optional>
#include <string>
#include <vector>

#include "base/CodePages.h"
#include "generation/Driver.h"
#include "project/Refusal.h"

namespace project {

struct Request {
  std::string projectPath;
  /// Overrides of what the project says.
  std::optional<std::string> version;
  std::optional<std::string> description;
  generation::ManifestSettings manifest;
  std::vector<generation::ComponentFacts> components;
  std::string rcExePath;
  /// True: the plan is only told, never carried out. It is made as for a real run, its
  /// manifest compiled in a temporary folder of its own that goes again, so that it lists the
  /// same changes and meets the same obstacles.
  bool dryRun = false;
  /// The ANSI code page the project was written in, where the system has none of its own:
  /// names not found as their bytes are looked for in it, and the manifest's texts read.
  unsigned codePage = codepages::kDefault;
};

/// One file the plan writes.
struct FileChange {
  std::string path;
  std::string what;     ///< the change in words
  bool existed = false; ///< it is backed up first
  std::string before;   ///< its bytes now, for the backup
  std::string after;    ///< its new bytes
};

/// A file the plan read, and what it held then.
struct FileRead {
  std::string path;
  std::string fingerprint; ///< fingerprint::Of its bytes
};

enum class PlanOutcome {
  Ready,         ///< changes and alreadySetUp say what a run does
  Refused,       ///< the project or a file it names cannot be set up; nothing may change
  CompileFailed, ///< the compiler made no resource file, or one without the manifest
  Declined,      ///< the user said no to a version Windows would not take
};

struct Plan {
  PlanOutcome outcome = PlanOutcome::Ready;
  std::optional<Refusal> refusal; ///< why, unless Ready
  std::string projectPath;
  std::string exeName; ///< the program the project builds
  std::string version;
  std::string description;
  std::vector<FileChange> changes;       ///< in the order they are written, the project file last
  std::vector<std::string> alreadySetUp; ///< paths that stay as they are
  /// Every file the plan read: none may have changed when the plan is carried out.
  std::vector<FileRead> reads;
};

/// Reads the project and the modules it lists, compiles the manifest (in a temporary folder
/// of its own that goes again) and works out every change; writes nothing beside the
/// project's files. SystemError only from the compiler's run.
Plan PlanProject(platform::FileOperations& files, generation::Conversation& conversation,
                 const Request& request);

/// The version and description the project gives its program; false when it cannot be read.
bool ReadProjectDefaults(platform::FilePort& files, const std::string& projectPath,
                         std::string& version, std::string& description);

/// The list of changes, a line each, for the question before and the report after. Paths
/// in folder are named from it; the others in full.
std::string DescribeChanges(const Plan& plan, const std::string& folder = std::string());

/// path from folder when it lies there, else path.
std::string NamedFrom(const std::string& folder, const std::string& path);

} // namespace project
