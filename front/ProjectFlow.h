#pragma once
// A project run as both front ends hold it: an interrupted earlier run undone, the plan,
// the user's confirmation, the plan made again when the user may have saved meanwhile, the
// change carried out as one, and its outcome. The front end supplies only the conversation.

#include <string>
#include <vector>

#include "generation/Driver.h"
#include "project/ProjectRun.h"

namespace front {

enum class Confirmation {
  Unasked, ///< the front end goes on without a question (the batch)
  Yes,     ///< the user said yes, after a time in which the files may have changed
  No,
};

/// The user's side of a project run.
class ProjectConversation {
public:
  virtual ~ProjectConversation() = default;
  /// The changes the plan makes; again is true when an earlier list was shown and the plan
  /// has changed since.
  virtual Confirmation Confirm(const project::Plan& plan, bool again) = 0;
  /// Something the user should know before the rest: an interrupted run undone.
  virtual void Note(const std::string& text) = 0;
};

enum class ProjectOutcome {
  Done,          ///< the files were changed; backups names the copies
  NothingToDo,   ///< the project is set up already
  DryRun,        ///< plan holds what a run would change; nothing was
  Declined,      ///< the user said no; message says to what, where it was a version
  Refused,       ///< message says why; nothing was changed
  CompileFailed, ///< the compiler made no manifest; nothing was changed
  Changed,       ///< a file changed since it was read; nothing was changed
  Failed,        ///< message names what failed and what was put back
};

struct ProjectResult {
  ProjectOutcome outcome = ProjectOutcome::Refused;
  std::string message;
  project::Plan plan;
  std::vector<std::string> backups;
};

ProjectResult RunProject(platform::FileOperations& files, generation::Conversation& conversation,
                         ProjectConversation& user, const project::Request& request);

} // namespace front
