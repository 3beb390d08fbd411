#pragma once
// The ways to deliver a manifest, the same from the window and themefold-batch: one request,
// one result, one conversation. Each way is one file of front/ (Generate.cpp, Project.cpp,
// Embed.cpp, Beside.cpp); the front end fills the request, answers the questions and shows
// the result in its own words.

#include <string>
#include <utility>
#include <vector>

#include "base/CodePages.h"
#include "base/Refusal.h"
#include "front/Wording.h"
#include "generation/ComponentFacts.h"
#include "generation/Driver.h"
#include "generation/ManifestSettings.h"
#include "project/ProjectRun.h"

namespace front {

enum class Way {
  Generate, ///< a .res and the start-up module beside the program, and the instructions
  Project,  ///< a Visual Basic project set up: its .res, its module, Sub Main
  Embed,    ///< the manifest written into the built program
  Beside,   ///< the manifest written beside the program
};

/// What the manifest for a program is made of, whichever way it goes.
struct ManifestRequest {
  std::string version = "1.0.0.0";
  std::string description;
  /// Whether the user gave them: where not, an old manifest (or the project) keeps its own.
  bool versionGiven = true;
  bool descriptionGiven = true;
  generation::ManifestSettings manifest;
  std::vector<generation::ComponentFacts> components; ///< read from manifest.components
};

/// One delivery: the manifest, the target, the way, and what that way also needs.
struct Request : ManifestRequest {
  Way way = Way::Generate;
  /// The program (.exe; for Embed also .dll or .ocx) or, for Project, the .vbp.
  std::string target;
  /// Generate, Project: the resource compiler.
  std::string compiler;
  /// Project, Embed: tell everything, write nothing.
  bool dryRun = false;
  /// Generate: the module, its question and the instructions.
  generation::DriverOptions generate;
  /// Project: the ANSI code page its names and texts are in, where the system has none.
  unsigned projectCodePage = codepages::kDefault;
  /// Embed: copy the data after the last section along; remove an Authenticode signature.
  bool keepOverlay = false;
  bool stripSignature = false;
  /// Beside: remove the file written earlier instead.
  bool remove = false;
  /// Embed, Beside: the components the Visual Basic program places join components, those
  /// found beside it (or in a folder the front end names); it reads them with the rest.
  bool componentsUsed = false;
  /// Those it placed and that were not found, a line each: told among the result's warnings.
  std::vector<std::string> componentWarnings;
};

enum class Outcome {
  Done,               ///< delivered: generated, set up, embedded or written beside
  Removed,            ///< Beside with remove: the file written earlier is gone
  Unchanged,          ///< it was so already, or there was nothing to remove: nothing written
  DryRun,             ///< nothing written; the result tells what a run would do
  Declined,           ///< the user said no; message says to what, where it was a version
  Refused,            ///< nothing was changed, for the reason in message
  CompileFailed,      ///< the compiler made no manifest; nothing was changed
  FolderInaccessible, ///< the target's folder cannot be entered
  OutputExists,       ///< an output is there and was not to be replaced, or something has its name
  Changed,            ///< a file changed since it was read; nothing was changed
  Failed,             ///< a file operation failed; message names what was put back
};

struct Result {
  Outcome outcome = Outcome::Failed;
  /// The one-line result or the reason, naming the target. Generate told it already.
  std::string message;
  /// Refused: what the user can set to get past it; each front end names it.
  base::Setting liftedBy = base::Setting::None;
  /// Embed, Beside: the old manifest merged with ours, "  element: before -> after".
  std::vector<std::string> changes;
  /// Embed: the dry run's sections, placement, overlay, signature, checksum and manifest, or
  /// what the writer did.
  std::vector<std::string> lines;
  /// What the user must act on even when all went well.
  std::vector<std::string> warnings;
  /// The copies of what was replaced.
  std::vector<std::string> backups;
  /// Project: the plan made, or carried out.
  project::Plan plan;
  bool wouldWrite = false;  ///< Embed's dry run: the real run would write the program
  bool visualBasic = false; ///< Embed: built by Visual Basic, whose project can carry the manifest
  bool hadManifest = false; ///< Embed: the program carried a manifest, which changes lists
};

enum class Confirmation {
  Unasked, ///< the front end goes on without a question (the batch)
  Yes,     ///< the user said yes, after a time in which the files may have changed
  No,
};

/// The user's side of every way: a generation's questions and reports, a project's
/// confirmation and notes.
class Conversation : public generation::Conversation {
public:
  /// The changes a project's plan makes; again is true when an earlier list was shown and
  /// the plan has changed since.
  virtual Confirmation Confirm(const project::Plan& plan, bool again) = 0;
  /// Something the user should know before the rest: an interrupted run undone.
  virtual void Note(const std::string& text) = 0;
};

/// request with setting given too, as a refusal's liftedBy asks.
void Allow(Request& request, base::Setting setting);

/// Runs the ways for one front end. A generation asked for while one runs (a click queued
/// during the compiler and dispatched in the pass over pending events) fails at once.
class Deliverer {
public:
  Deliverer(platform::FileOperations& files, Conversation& conversation, Wording wording)
      : files_(files), conversation_(conversation), wording_(std::move(wording)) {}
  Result Deliver(const Request& request);

private:
  platform::FileOperations& files_;
  Conversation& conversation_;
  Wording wording_;
  bool generating_ = false;
};

/// Every line of a finished Embed for a console or a report window, in order: the message,
/// the lines, the warnings, the manifest's changes, the backup and the note that a rebuild
/// undoes it, and how to keep the manifest across rebuilds.
std::vector<std::string> EmbedReport(const Result& result, const Wording& wording);

} // namespace front
