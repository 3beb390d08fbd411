#include "batch/Embedding.h"

#include "base/Refusal.h"
#include "front/EmbedRun.h"
#include "front/EmbedTexts.h"

namespace batch {

namespace {

/// The batch's option for each setting that lifts a refusal.
const char* OptionOf(base::Setting setting) {
  switch (setting) {
  case base::Setting::KeepOverlay:
    return "--keep-overlay";
  case base::Setting::StripSignature:
    return "--strip-signature";
  case base::Setting::None:
    break;
  }
  return "";
}

void FillRequest(const Options& options, const std::vector<generation::ComponentFacts>& components,
                 front::ManifestRequest& request) {
  request.programPath = options.target;
  request.version = options.version;
  request.description = options.description;
  request.versionGiven = options.versionGiven;
  request.descriptionGiven = options.descriptionGiven;
  request.manifest = options.manifest;
  request.components = components;
}

} // namespace

int Embed(const Options& options, const std::vector<generation::ComponentFacts>& components,
          platform::FileOperations& files, Console& console) {
  front::EmbedRequest request;
  FillRequest(options, components, request);
  request.keepOverlay = options.keepOverlay;
  request.stripSignature = options.stripSignature;
  request.dryRun = options.dryRun;
  const front::EmbedRunResult result = front::EmbedInProgram(files, request);
  std::vector<std::string> lines = front::EmbedReport(result);
  if (result.liftedBy != base::Setting::None)
    lines.push_back(front::embedtexts::AllowWith(OptionOf(result.liftedBy)));
  switch (result.outcome) {
  case front::EmbedOutcome::Refused:
  case front::EmbedOutcome::Failed:
    for (const std::string& line : lines)
      Say(console.err, line);
    return result.outcome == front::EmbedOutcome::Refused ? kUsage : kFileOperationFailed;
  case front::EmbedOutcome::Embedded:
  case front::EmbedOutcome::Unchanged:
  case front::EmbedOutcome::DryRun:
    break;
  }
  // Quiet, a run that did what was asked says only what needs the user; a dry run is asked
  // for what it says.
  if (options.quiet && !options.dryRun)
    lines = front::EmbedWarnings(result);
  for (const std::string& line : lines)
    console.out << line << '\n';
  console.out.flush();
  return kDone;
}

int Beside(const Options& options, const std::vector<generation::ComponentFacts>& components,
           platform::FileOperations& files, Console& console) {
  front::BesideRequest request;
  FillRequest(options, components, request);
  request.remove = options.remove;
  const front::BesideResult result = front::WriteBeside(files, request);
  switch (result.outcome) {
  case front::BesideOutcome::Refused:
    Say(console.err, result.message);
    return kUsage;
  case front::BesideOutcome::Failed:
    Say(console.err, result.message);
    return kFileOperationFailed;
  case front::BesideOutcome::Written:
    console.out << result.message << '\n';
    for (const std::string& line : result.lines)
      console.out << line << '\n';
    console.out << front::embedtexts::kBesideCaveats << '\n';
    break;
  case front::BesideOutcome::Unchanged:
  case front::BesideOutcome::Removed:
  case front::BesideOutcome::NothingToRemove:
    console.out << result.message << '\n';
    break;
  }
  console.out.flush();
  return kDone;
}

} // namespace batch
