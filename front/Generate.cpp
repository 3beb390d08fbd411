// A .res and the start-up module beside the program: the generation's driver, its outcome as
// a result.
#include "front/Ways.h"

namespace front {

namespace {

/// Passes everything on, and notes that the module could not be written: the generation is
/// done all the same, and the run has failed.
class ModuleWatch : public generation::Conversation {
public:
  explicit ModuleWatch(generation::Conversation& conversation) : conversation_(conversation) {}
  bool Ask(generation::Question question, const std::string& text) override {
    return conversation_.Ask(question, text);
  }
  void Tell(generation::Report report, const std::string& text) override {
    moduleFailed = moduleFailed || report == generation::Report::ModuleWriteFailed;
    conversation_.Tell(report, text);
  }
  void CompilerFinished() override { conversation_.CompilerFinished(); }
  void ShowInstructions(const std::string& text) override { conversation_.ShowInstructions(text); }
  bool moduleFailed = false;

private:
  generation::Conversation& conversation_;
};

Outcome OutcomeOf(generation::Outcome outcome, bool moduleFailed) {
  switch (outcome) {
  case generation::Outcome::Done:
    return moduleFailed ? Outcome::Failed : Outcome::Done;
  case generation::Outcome::CompileFailed:
    return Outcome::CompileFailed;
  case generation::Outcome::VersionDeclined:
    return Outcome::Declined;
  case generation::Outcome::FolderInaccessible:
    return Outcome::FolderInaccessible;
  case generation::Outcome::OverwriteDeclined:
  case generation::Outcome::OutputInTheWay:
    return Outcome::OutputExists;
  case generation::Outcome::FileOperationFailed:
  case generation::Outcome::Busy:
    break;
  }
  return Outcome::Failed;
}

} // namespace

Result Generate(platform::FileOperations& files, generation::Conversation& conversation,
                const Request& request) {
  ModuleWatch watch(conversation);
  generation::Driver driver(files, watch, request.generate);
  const generation::Outcome outcome =
      driver.Run({request.target, request.version, request.description}, request.compiler,
                 request.manifest, request.components);
  Result result;
  result.outcome = OutcomeOf(outcome, watch.moduleFailed);
  return result;
}

} // namespace front
