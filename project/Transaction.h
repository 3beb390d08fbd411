#pragma once
// A project run's files changed as one. Every new text is first written under a temporary
// name beside its file; then a journal beside the project is created where none is, so that
// one run at a time holds the project; then the files the plan read are checked to hold the
// bytes it read; only then is each file moved aside to its backup and the new one put in its
// place without replacing anything, so that a save the user makes meanwhile is found and
// kept. A failure puts back what was replaced, in reverse order; a run that was killed is
// undone by the next one from its journal and backups.
//
// A journal may come with a folder from someone else: it is evidence, never an order. Only
// entries this program could have written are taken, and only files that still hold the
// bytes it names are touched.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ports.h"
#include "project/ProjectRun.h"

namespace project {

/// Why the plan cannot be carried out, found before anything is written and without writing
/// (a folder, link or device where a file is to be written, a read-only file, a folder that
/// takes no new file); unset when nothing stands in the way.
std::optional<Refusal> FindObstacle(platform::FilePort& files, const Plan& plan);

struct Applied {
  enum class Outcome {
    Done,       ///< every file replaced; backups lists the copies of the old ones
    Changed,    ///< a file changed since the plan read it: it is kept as the user left it
    Busy,       ///< another run holds the project: nothing was written
    NotWritten, ///< a step failed before any file was replaced: nothing was changed
    Undone,     ///< a step failed; every file replaced before it was put back
    NotUndone,  ///< a step failed and putting a file back failed too
  };
  Outcome outcome = Outcome::Done;
  std::vector<std::string> backups;
  std::string changed;            ///< Changed: the file
  std::string savedAside;         ///< Changed: where what the file held before the save is, or ""
  std::optional<Refusal> failure; ///< Busy, NotWritten, Undone, NotUndone: what failed
  std::vector<std::string> restored; ///< Changed, Undone, NotUndone: the files put back
  /// Files saved since this run replaced them: kept as saved, each with the backup that
  /// holds its bytes before the run ("" for a file the run made).
  std::vector<std::pair<std::string, std::string>> saved;
  /// NotUndone: each file that could not be put back, and the backup that holds its old
  /// bytes ("" for a new file, which is to be deleted).
  std::vector<std::pair<std::string, std::string>> kept;
};

/// Carries the plan out as one change. Throws nothing but std::bad_alloc.
Applied ApplyPlan(platform::FileOperations& files, const Plan& plan);

struct Recovery {
  enum class Outcome {
    None,     ///< no run of this project was interrupted
    Undone,   ///< an interrupted run was undone (or, dry: would be)
    Finished, ///< an interrupted run had replaced every file: only its journal goes
    Busy,     ///< another run of this project is under way
    Refused,  ///< the journal is not one this program wrote: nothing was touched
    Failed,   ///< it could not be wholly undone; failure says which files and where
  };
  Outcome outcome = Outcome::None;
  std::vector<std::string> restored; ///< the files put back (deleted, for new ones)
  /// Files that changed since the interrupted run: kept as they are, each with where its
  /// bytes before that run are ("" for a file that run made).
  std::vector<std::pair<std::string, std::string>> kept;
  std::string failure; ///< Busy, Refused, Failed: the message
};

/// Undoes a run of the project that was interrupted, before anything else reads the project;
/// with dryRun, only says what it would do.
Recovery RecoverInterruptedRun(platform::FileOperations& files, const std::string& projectPath,
                               bool dryRun = false);

/// The journal beside the project while a run replaces its files.
std::string JournalPath(const std::string& projectPath);

} // namespace project
