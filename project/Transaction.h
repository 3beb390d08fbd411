#pragma once
// A project run's files changed as one. Every new text and every backup is first written
// under a temporary name beside its file; then the files the plan read are checked to hold
// the bytes it read; then a journal beside the project names what is about to change; only
// then are the files replaced. A failure puts back what was replaced, in reverse order; a run
// that was killed is undone by the next one from its journal and backups.

#include <string>
#include <utility>
#include <vector>

#include "generation/Driver.h"
#include "project/ProjectRun.h"

namespace project {

/// Why the plan cannot be carried out, found before anything is written and without writing
/// (a folder, link or device where a file is to be written, a read-only file, a folder that
/// takes no new file); "" when nothing stands in the way.
std::string FindObstacle(generation::FileOperations& files, const Plan& plan);

struct Applied {
  enum class Outcome {
    Done,      ///< every file replaced; backups lists the copies of the old ones
    Changed,   ///< a file changed since the plan read it: nothing was written
    NotWritten, ///< a step failed before any file was replaced: nothing was changed
    Undone,    ///< a step failed; every file replaced before it was put back
    NotUndone, ///< a step failed and putting a file back failed too
  };
  Outcome outcome = Outcome::Done;
  std::vector<std::string> backups;
  std::string changed; ///< Changed: the file
  std::string failure; ///< NotWritten, Undone, NotUndone: the system's words for the failure
  std::vector<std::string> restored; ///< Undone, NotUndone: the files put back
  /// NotUndone: each file that could not be put back, and the backup that holds its old
  /// bytes ("" for a new file, which is to be deleted).
  std::vector<std::pair<std::string, std::string>> kept;
};

/// Carries the plan out as one change. Throws nothing but std::bad_alloc.
Applied ApplyPlan(generation::FileOperations& files, const Plan& plan);

struct Recovery {
  enum class Outcome {
    None,     ///< no run of this project was interrupted
    Undone,   ///< an interrupted run was undone: every file holds its old bytes again
    Finished, ///< an interrupted run had replaced every file: only its journal went
    Busy,     ///< another run of this project is under way
    Failed,   ///< it could not be undone; failure says which files and where their bytes are
  };
  Outcome outcome = Outcome::None;
  std::vector<std::string> restored; ///< Undone: the files put back
  std::string failure;
};

/// Undoes a run of the project that was interrupted, before anything else reads the project.
Recovery RecoverInterruptedRun(generation::FileOperations& files, const std::string& projectPath);

/// The journal beside the project while a run replaces its files.
std::string JournalPath(const std::string& projectPath);

} // namespace project
