// A Visual Basic project set up: an interrupted earlier run undone, the plan, the user's
// confirmation, the plan made again when the user may have saved meanwhile, the change carried
// out as one, and its outcome.
#include "front/Ways.h"

#include <optional>

#include "base/Path.h"
#include "generation/DriverTexts.h"
#include "platform/TemporaryFiles.h"
#include "project/FormCheck.h"
#include "project/ProjectTexts.h"
#include "project/Transaction.h"

namespace front {

namespace {

using project::Applied;
using project::Recovery;

Result Ended(Outcome outcome, const std::string& message = std::string()) {
  Result result;
  result.outcome = outcome;
  result.message = message;
  return result;
}

std::string Lines(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths)
    text += path + "\n";
  return text;
}

/// A plan that is carried out, or the reason why not.
Result Planned(project::Plan plan) {
  Result result;
  switch (plan.outcome) {
  case project::PlanOutcome::Ready:
    result.outcome = Outcome::Done;
    break;
  case project::PlanOutcome::Refused:
    result.outcome = Outcome::Refused;
    break;
  case project::PlanOutcome::CompileFailed:
    result.outcome = Outcome::CompileFailed;
    break;
  case project::PlanOutcome::Declined:
    result.outcome = Outcome::Declined;
    break;
  }
  result.message = project::texts::Words(plan.refusal);
  result.plan = std::move(plan);
  return result;
}

/// KeptAsSaved lines for files and their backups.
std::string KeptLines(const std::vector<std::pair<std::string, std::string>>& kept) {
  std::string text;
  for (const auto& [path, backup] : kept)
    text += project::texts::KeptAsSaved(path, backup);
  return text;
}

Result Apply(platform::FileOperations& files, Result result) {
  const Applied applied = project::ApplyPlan(files, result.plan);
  const std::string failure = project::texts::Words(applied.failure);
  switch (applied.outcome) {
  case Applied::Outcome::Done:
    result.backups = applied.backups;
    return result;
  case Applied::Outcome::Changed:
    result.outcome = Outcome::Changed;
    result.message =
        applied.restored.empty() && applied.saved.empty() && applied.savedAside.empty()
            ? project::texts::Changed(applied.changed)
            : project::texts::ChangedDuringRun(applied.changed, applied.savedAside,
                                               Lines(applied.restored), KeptLines(applied.saved));
    return result;
  case Applied::Outcome::Busy:
    result.outcome = Outcome::Changed;
    result.message = failure;
    return result;
  case Applied::Outcome::NotWritten:
    result.message = project::texts::NotWritten(failure);
    break;
  case Applied::Outcome::Undone:
    result.message = project::texts::Undone(failure, Lines(applied.restored)) +
                     (applied.saved.empty() ? std::string()
                                            : "Kept as they are now:\n" + KeptLines(applied.saved));
    break;
  case Applied::Outcome::NotUndone: {
    std::string kept;
    for (const auto& [path, backup] : applied.kept)
      kept += project::texts::NotPutBack(path, backup);
    result.message = project::texts::NotUndoneReport(failure, Lines(applied.restored),
                                                     kept + KeptLines(applied.saved));
    break;
  }
  }
  result.outcome = Outcome::Failed;
  return result;
}

/// The plan made again asks nothing the user has answered already.
class AnsweredOnce : public generation::Conversation {
public:
  explicit AnsweredOnce(generation::Conversation& conversation) : conversation_(conversation) {}
  bool Ask(generation::Question question, const std::string& text) override {
    for (const auto& [asked, answer] : answers_)
      if (asked == question)
        return answer;
    const bool answer = conversation_.Ask(question, text);
    answers_.emplace_back(question, answer);
    return answer;
  }
  void Tell(generation::Report report, const std::string& text) override {
    conversation_.Tell(report, text);
  }
  void CompilerFinished() override { conversation_.CompilerFinished(); }
  void ShowInstructions(const std::string& text) override { conversation_.ShowInstructions(text); }

private:
  generation::Conversation& conversation_;
  std::vector<std::pair<generation::Question, bool>> answers_;
};

/// What a killed run left, undone first, before its half-changed files are read; a dry run
/// only says what that would do. Set when the run ends here.
std::optional<Result> Recover(platform::FileOperations& files, Conversation& user,
                              const project::Request& request) {
  if (!request.dryRun)
    platform::RemoveStaleTemporaryFiles(
        files, path::Folder(request.projectPath, path::StyleOf(files.PathSeparator())));
  const Recovery recovery =
      project::RecoverInterruptedRun(files, request.projectPath, request.dryRun);
  switch (recovery.outcome) {
  case Recovery::Outcome::None:
    break;
  case Recovery::Outcome::Undone:
    user.Note(
        request.dryRun
            ? project::texts::RecoveryPending(Lines(recovery.restored), KeptLines(recovery.kept))
            : project::texts::Recovered(Lines(recovery.restored), KeptLines(recovery.kept)));
    break;
  case Recovery::Outcome::Finished:
    if (!request.dryRun)
      user.Note(project::texts::kFinishedEarlier);
    break;
  case Recovery::Outcome::Busy:
    return Ended(Outcome::Changed, recovery.failure);
  case Recovery::Outcome::Refused:
    return Ended(Outcome::Refused, recovery.failure);
  case Recovery::Outcome::Failed:
    return Ended(Outcome::Failed, recovery.failure);
  }
  return std::nullopt;
}

/// The plan, confirmed by the user and carried out.
Result PlanAndApply(platform::FileOperations& files, Conversation& user,
                    const project::Request& request) {
  AnsweredOnce conversation(user);
  Result result = Planned(project::PlanProject(files, conversation, request));
  if (result.outcome != Outcome::Done)
    return result;
  if (request.dryRun) {
    result.outcome = Outcome::DryRun;
    return result;
  }
  if (result.plan.changes.empty()) {
    result.outcome = Outcome::Unchanged;
    return result;
  }
  for (bool again = false;; again = true) {
    switch (user.Confirm(result.plan, again)) {
    case Confirmation::No:
      result.outcome = Outcome::Declined;
      return result;
    case Confirmation::Unasked:
      return Apply(files, std::move(result));
    case Confirmation::Yes:
      break;
    }
    // While the question was open, the user may have saved the project from Visual Basic.
    Result now = Planned(project::PlanProject(files, conversation, request));
    if (now.outcome != Outcome::Done)
      return now;
    if (now.plan.changes.empty()) {
      now.outcome = Outcome::Unchanged;
      return now;
    }
    const bool same = project::DescribeChanges(now.plan) == project::DescribeChanges(result.plan);
    result = std::move(now);
    if (same)
      return Apply(files, std::move(result));
  }
}

/// A manifest asking for the UTF-8 code page garbles the project's texts outside ASCII.
void WarnOfGarbledTexts(platform::FileOperations& files, const project::Request& request,
                        Result& result) {
  if (request.manifest.codePage != generation::CodePage::Utf8)
    return;
  std::vector<readers::SourceText> texts;
  try {
    texts = project::TextsOutsideAscii(files, request.projectPath, request.codePage);
  } catch (const base::SystemError&) {
    // The run is over and done: a file that cannot be read now goes unmentioned.
    return;
  }
  const std::string folder =
      path::Folder(request.projectPath, path::StyleOf(files.PathSeparator()));
  for (readers::SourceText& text : texts)
    text.file = project::NamedFrom(folder, text.file);
  if (const std::optional<std::string> warning = readers::ProjectTextWarning(texts))
    result.warnings.push_back(*warning);
}

} // namespace

Result SetUpProject(platform::FileOperations& files, Conversation& user, const Request& request) {
  project::Request run;
  run.projectPath = request.target;
  if (request.versionGiven)
    run.version = request.version;
  if (request.descriptionGiven)
    run.description = request.description;
  run.manifest = request.manifest;
  run.components = request.components;
  run.rcExePath = request.compiler;
  run.dryRun = request.dryRun;
  run.codePage = request.projectCodePage;
  try {
    if (std::optional<Result> ended = Recover(files, user, run))
      return std::move(*ended);
    Result result = PlanAndApply(files, user, run);
    if (result.outcome == Outcome::Done || result.outcome == Outcome::DryRun ||
        result.outcome == Outcome::Unchanged)
      WarnOfGarbledTexts(files, run, result);
    return result;
  } catch (const base::SystemError& error) {
    // Only the plan and the compiler throw: no file of the project was replaced yet.
    return Ended(Outcome::Failed,
                 generation::texts::FileOperationFailed(error) + project::texts::kNothingChanged);
  }
}

} // namespace front
