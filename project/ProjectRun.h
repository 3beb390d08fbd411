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

namespace project {

struct Request {
  std::string projectPath;
  /// Overrides of what the project says.
  std::optional<std::string> version;
  std::optional<std::string> description;
  generation::ManifestSettings manifest;
  std::vector<generation::ComponentFacts> components;
  std::string rcExePath;
  /// True: nothing is compiled; the resource file's change is told, not made.
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
  std::string after;    ///< its new bytes; unset in a dry run's resource file
};

struct Plan {
  /// Why the project is refused; nothing may change. "" when it is not.
  std::string refusal;
  /// True when the refusal is the compiler's (no resource file was made).
  bool compileFailed = false;
  std::string projectPath;
  std::string exeName; ///< the program the project builds
  std::string version;
  std::string description;
  std::vector<FileChange> changes; ///< in the order they are written, the project file last
  std::vector<std::string> alreadySetUp; ///< paths that stay as they are
};

/// Reads the project and the modules it lists, compiles the manifest (under temporary names
/// that go again) and works out every change. SystemError only from the compiler's run.
Plan PlanProject(generation::FileOperations& files, generation::Conversation& conversation,
                 const Request& request);

/// Carries the plan out: each existing file is copied to its backup, then replaced by a
/// temporary file of its new bytes. A failure leaves every file whole (SystemError); what was
/// written before it stays written and a new run takes it as set up. The backups' paths.
std::vector<std::string> ApplyPlan(generation::FileOperations& files, const Plan& plan);

/// The version and description the project gives its program; false when it cannot be read.
bool ReadProjectDefaults(generation::FileOperations& files, const std::string& projectPath,
                         std::string& version, std::string& description);

/// The list of changes, a line each, for the question before and the report after.
std::string DescribeChanges(const Plan& plan);

} // namespace project
