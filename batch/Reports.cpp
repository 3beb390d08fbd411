#include "batch/Reports.h"

#include "front/EmbedTexts.h"
#include "project/ProjectTexts.h"

namespace batch {

namespace {

/// What the IDE shows of a manifest beside it, after one is written.
std::string BesideCaveats() {
  return std::string("Caveats: programs started from a themed Visual Basic IDE with F5 look "
                     "themed even when their own build is not, so try the built program itself; "
                     "and what ") +
         kCheckFormsOption + " finds in a project's forms applies to the IDE's forms as well.";
}

void Print(Console& console, const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    console.out << line << '\n';
}

/// The changes made (or those a dry run would make), the backups and the next step.
void PrintProject(const front::Result& result, Console& console) {
  console.out << project::DescribeChanges(result.plan);
  if (result.outcome == front::Outcome::DryRun) {
    console.out << project::texts::kDryRun << '\n';
    return;
  }
  for (const std::string& backup : result.backups)
    console.out << project::texts::Backup(backup) << '\n';
  console.out << project::texts::NextStep(result.plan.projectPath) << '\n';
}

/// Every line of the report; quiet, a run that did what was asked says only what needs the
/// user, and a dry run is asked for what it says.
std::vector<std::string> EmbedLines(const Options& options, const front::Result& result) {
  std::vector<std::string> lines = front::EmbedReport(result, OptionWording());
  if (result.liftedBy != base::Setting::None)
    lines.push_back(OptionFor(result.liftedBy) + " allows it.");
  if (options.quiet && !options.dryRun && result.outcome != front::Outcome::Refused &&
      result.outcome != front::Outcome::Failed)
    return result.warnings;
  return lines;
}

void PrintBeside(const front::Result& result, Console& console) {
  console.out << result.message << '\n';
  Print(console, result.warnings);
  if (result.outcome != front::Outcome::Done)
    return;
  Print(console, result.changes);
  for (const std::string& backup : result.backups)
    console.out << front::embedtexts::Backup(backup) << '\n';
  console.out << BesideCaveats() << '\n';
}

} // namespace

int Report(const Options& options, const front::Result& result, Console& console) {
  const int code = ExitCodeFor(result.outcome);
  // A generation has told everything as it went.
  if (options.mode == Mode::Generate)
    return code;
  if (code != kDone) {
    for (const std::string& line : options.mode == Mode::Embed
                                       ? EmbedLines(options, result)
                                       : std::vector<std::string>{result.message})
      Say(console.err, line);
    return code;
  }
  if (options.mode == Mode::Project)
    PrintProject(result, console);
  else if (options.mode == Mode::Embed)
    Print(console, EmbedLines(options, result));
  else
    PrintBeside(result, console);
  console.out.flush();
  return code;
}

} // namespace batch
