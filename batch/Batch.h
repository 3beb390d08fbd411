#pragma once
// One run of themefold-batch: the command line in, an exit code out. The generation itself
// is the window's driver; this front end answers its questions from the flags and prints
// its reports.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/Locator.h"
#include "front/Delivery.h"
#include "front/Services.h"
#include "generation/Driver.h"

namespace batch {

enum ExitCode : int {
  kDone = 0,
  kCompileFailed = 1,
  kUsage = 2,
  kFolderInaccessible = 3,
  kOutputExists = 4,
  kFileOperationFailed = 5,
  kNoManifest = 6, ///< --inspect: the program carries none
  kFindings = 7,   ///< --inspect --strict: the manifest has warnings; --check-forms: something
                   ///< themes break
};

/// What a run reaches outside itself besides the files.
struct Console {
  std::ostream& out; ///< the filled-in instructions, --help and --version
  std::ostream& err; ///< every report and warning
  front::Registry& registry;
  front::Settings& settings;
  std::string bundledCompiler; ///< file name of the compiler shipped beside the program
  std::string programVersion;
  /// Where an installed program's data lies, relative to the program's folder ("" beside it).
  std::string dataFolder;
};

/// A report or warning on err, after the program's name.
void Say(std::ostream& err, const std::string& text);

/// The exit code of a way's outcome, the same table for every way.
int ExitCodeFor(front::Outcome outcome);

/// args without the program's own name.
int Run(const std::vector<std::string>& args, platform::FileOperations& files, Console& console);

/// path made absolute against currentDirectory: the compiler runs in the target's folder,
/// where a relative path would name something else. With '\\' as
/// separator, '/' counts as one too and becomes '\\', since the names of a generation are
/// taken apart at '\\'.
std::string AbsolutePath(std::string path, const std::string& currentDirectory, char separator);

/// Why path cannot be handed to the compiler, unset when it can. Its command line quotes
/// paths without escapes, so a double quote would cut an argument short; on POSIX a
/// backslash would split the file name where the folder does not end.
std::optional<std::string> UnsafePathReason(const std::string& path, char separator);

} // namespace batch
