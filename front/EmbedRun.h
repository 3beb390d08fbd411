#pragma once
// A manifest written into a built program, or beside it, the same from the window and
// themefold-batch: read the program, build its manifest, embed it, check, back up, write
// under a temporary name, check the written file, rename. Any fault leaves the program as
// it was.

#include <string>
#include <vector>

#include "base/Refusal.h"
#include "generation/ComponentFacts.h"
#include "generation/Driver.h"
#include "generation/ManifestSettings.h"

namespace front {

/// What the manifest for a program is made of, the same for embedding and for a file beside it.
struct ManifestRequest {
  std::string programPath; ///< .exe; for embedding also .dll or .ocx
  std::string version = "1.0.0.0";
  std::string description;
  /// Whether the user gave them: where not, an old manifest keeps its own.
  bool versionGiven = true;
  bool descriptionGiven = true;
  generation::ManifestSettings manifest;
  std::vector<generation::ComponentFacts> components; ///< read from manifest.components
};

struct EmbedRequest : ManifestRequest {
  bool keepOverlay = false;
  bool stripSignature = false;
  bool dryRun = false; ///< tell everything, write nothing
};

enum class EmbedOutcome {
  Embedded,  ///< the program carries the new manifest; the old one is in backupPath
  Unchanged, ///< it carried this manifest already: nothing written
  DryRun,    ///< nothing written; lines tell what would be done
  Refused,   ///< left as it was, for the reason in message
  Failed,    ///< a file operation failed; the program is as it was
};

struct EmbedRunResult {
  EmbedOutcome outcome = EmbedOutcome::Failed;
  std::string message; ///< the one-line result or the reason, naming the program
  /// Refused: the setting that would get it embedded, which the front end names in its words.
  base::Setting liftedBy = base::Setting::None;
  bool wouldWrite = false; ///< DryRun: the real run would write the program
  std::string backupPath; ///< Embedded: the copy of the old program
  /// The old manifest merged with ours: each element changed, "  element: before -> after".
  std::vector<std::string> changes;
  bool visualBasic = false; ///< built by Visual Basic: a rebuild there replaces the program
  bool otherNames = false;  ///< hard links: the program's other names keep the old bytes
  /// Dry run: the section tables, placement, overlay, signature, checksum and the
  /// manifest's differences. Otherwise what the writer did (placement, overlay, checksum).
  std::vector<std::string> lines;
};

EmbedRunResult EmbedInProgram(platform::FileOperations& files, const EmbedRequest& request);
/// request with setting given too, as a refusal's liftedBy asks.
void Allow(EmbedRequest& request, base::Setting setting);

/// Every line of a finished run for a console or a report window, in order: the message,
/// the lines, the manifest's changes, the backup and the note that a rebuild undoes it, and
/// how to keep the manifest across rebuilds.
/// The window names its own controls where the console names options.
enum class ReportFor { Console, Window };
std::vector<std::string> EmbedReport(const EmbedRunResult& result,
                                     ReportFor reader = ReportFor::Console);
/// Of those, what the user must act on, all that a quiet console prints of a run that
/// succeeded: the other names that keep the old program.
std::vector<std::string> EmbedWarnings(const EmbedRunResult& result);

/// Its manifest settings are none by default: no run level, no DPI awareness.
struct BesideRequest : ManifestRequest {
  bool remove = false; ///< remove the file written earlier instead
};

enum class BesideOutcome { Written, Unchanged, Removed, NothingToRemove, Refused, Failed };

struct BesideResult {
  BesideOutcome outcome = BesideOutcome::Failed;
  std::string message;
  std::string manifestPath; ///< the name found beside the program, in its letter case
  std::string backupPath;   ///< a manifest of the user's, merged: its copy as it was
  /// Merged: the changes element by element and the backup.
  std::vector<std::string> lines;
};

BesideResult WriteBeside(platform::FileOperations& files, const BesideRequest& request);

} // namespace front
