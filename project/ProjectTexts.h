#pragma once
// Every text of a project run: refusals, the list of changes, the question and the report.

#include <optional>
#include <string>

#include "base/CodePages.h"
#include "project/Refusal.h"

namespace project::texts {

/// A refusal of the plan, an obstacle or a failure in words: a refusal or an obstacle as the
/// whole message, a failure as what failed (for NotWritten, Undone, NotUndoneReport; whole
/// for AnotherRun). "" for none.
std::string Words(const Refusal& refusal);
std::string Words(const std::optional<Refusal>& refusal);
/// A ControlCharacterInName refusal as the check of the forms tells it; a run adds
/// kNothingChanged.
std::string NameWithControlCharacter(const Refusal& refusal);

inline const char* const kNothingChanged = " Nothing was changed.";

inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

inline std::string CannotRead(const std::string& path, const std::string& why) {
  return Quoted(path) + " cannot be read: " + why + "." + kNothingChanged;
}
inline std::string NotStandardExe(const std::string& path, const std::string& kind) {
  return Quoted(path) + " is " + kind + ": only Standard EXE projects are supported." +
         kNothingChanged;
}
inline std::string RepeatedKey(const std::string& project, const std::string& key) {
  return Quoted(project) + " gives " + key +
         " more than once. Keep the line Visual Basic should use, and run again." + kNothingChanged;
}
inline std::string StartupNotAForm(const std::string& project, const std::string& startup) {
  return Quoted(project) + " starts in " + Quoted(startup) +
         ", which names none of the forms it lists. Start it in one of them, or in Sub Main, "
         "and run again." +
         kNothingChanged;
}
/// A project that starts in no form (no Startup line, "(None)" or ""): switched to Sub Main,
/// it would show nothing.
inline std::string NoStartupForm(const std::string& project) {
  return Quoted(project) +
         " starts in no form. Choose the form it starts in (or Sub Main) as the Startup Object "
         "in the project's properties, and run again." +
         kNothingChanged;
}
/// A name the project gives a file holds a control character: value as path::Visible shows
/// it. For the check of the forms as it stands; a run adds kNothingChanged.
inline std::string ControlCharacterInName(const std::string& project, int line,
                                          const std::string& key, const std::string& value) {
  return Quoted(project) + ", line " + std::to_string(line) + ": " + key + " names " +
         Quoted(value) +
         ", with a control character in it, which no file name may hold. Correct the line, "
         "and run again.";
}
inline std::string LineEnds(const std::string& path, const std::string& lineEnd) {
  return Quoted(path) + " has lines that end in " + lineEnd +
         ": Visual Basic writes CR LF. Save it with CR LF line ends and run again." +
         kNothingChanged;
}
inline std::string VersionDeclined(const std::string& project, const std::string& version) {
  return Quoted(project) + " was not set up with the version " + Quoted(version) + "." +
         kNothingChanged;
}
/// The option of themefold-batch that names the code page a project's names are written in.
inline const char* const kCodePageOption = "--project-code-page";
/// After "does not exist", for a name beyond ASCII looked for in the project's code page too.
inline std::string NotInCodePage(unsigned codePage) {
  return " as its bytes or in code page " + std::to_string(codePage) + "; " + kCodePageOption +
         " names the one the project was written in: " + codepages::Choices();
}
/// which: "does not exist", or "is " and what is there instead.
inline std::string NoResFile(const std::string& project, const std::string& res,
                             const std::string& which) {
  return Quoted(project) + " names the resource file " + Quoted(res) + ", which " + which + "." +
         kNothingChanged;
}
inline const char* const kDoesNotExist = "does not exist";
/// Why a file the project names is not read, after "cannot be read: ". A link is not
/// followed: what it leads to is no file of the project's.
inline const char* const kIsALink = "it is a link";
/// The compiler ran, but what it wrote is not the manifest as a resource file.
inline std::string CompilerOutput(const std::string& compiler, const std::string& why) {
  return "The resource compiler " + Quoted(compiler) +
         " wrote no resource file holding the manifest (resource type 24, ID 1): " + why + "." +
         kNothingChanged;
}
inline const char* const kNoManifestEntry = "what it wrote holds no such entry";
inline std::string NotResFile(const std::string& path, const std::string& why) {
  return Quoted(path) + " is not a resource file: " + why + "." + kNothingChanged;
}
inline std::string NoSubMain(const std::string& project) {
  return Quoted(project) +
         " starts in Sub Main, but none of the modules it lists holds a Sub Main." +
         kNothingChanged;
}
inline std::string SubMainNotStarted(const std::string& module, const std::string& startup) {
  return Quoted(module) + " holds a Sub Main, but the project starts in " +
         (startup.empty() ? std::string("no form") : startup) +
         ": a second Sub Main would not compile. Start the project in Sub Main, or remove it, "
         "and run again." +
         kNothingChanged;
}
inline std::string ModuleInTheWay(const std::string& path) {
  return Quoted(path) +
         " exists with other text, and this project does not list it: another project in the "
         "folder may use it. Move it away, or list it in this project, and run again." +
         kNothingChanged;
}
inline std::string ListedModuleWithoutSubMain(const std::string& module) {
  return Quoted(module) +
         " is listed by the project but holds no Sub Main to start in. Remove it from the "
         "project, move it away, and run again." +
         kNothingChanged;
}
/// A Sub Main with statements after its header on the header's line: nothing can go first.
inline std::string SubMainOnItsHeaderLine(const std::string& module, int line) {
  return Quoted(module) + ", line " + std::to_string(line) +
         ": Sub Main has statements on the line of its header, where the check of the common "
         "controls cannot be put first safely. Put them on lines of their own below the "
         "header, and run again." +
         kNothingChanged;
}
inline std::string FormNotShown(const std::string& module, const std::string& form) {
  return Quoted(module) + " is listed by the project, but its Sub Main does not show " + form +
         ", the form the project starts in. Show it there, and run again." + kNothingChanged;
}
inline std::string ReadOnly(const std::string& path) {
  return Quoted(path) + " is read-only." + kNothingChanged;
}

// ---- Carrying a plan out as one change ----------------------------------------------

inline const char* const kALink = "a link";
inline const char* const kAFolder = "a folder";
inline const char* const kNotAPlainFile = "not a plain file";
inline std::string InTheWay(const std::string& path, const std::string& what) {
  return Quoted(path) + " is " + what + ", and a file is to be written there." + kNothingChanged;
}
inline std::string OutsideProject(const std::string& path) {
  return Quoted(path) +
         " lies outside the project's folder, and a project sets up only files in its own "
         "folder. Move it into the folder, list it from there, and run again." +
         kNothingChanged;
}
inline std::string LineBreakInName(const std::string& path) {
  return Quoted(path) + ": a line break in a name is not supported." + kNothingChanged;
}
inline std::string FolderNotWritable(const std::string& folder, const std::string& why) {
  return "No file can be written in " + Quoted(folder) + ": " + why + "." + kNothingChanged;
}
inline std::string Changed(const std::string& path) {
  return Quoted(path) + " changed since it was read - saved from Visual Basic?" + kNothingChanged +
         " Run again to set up the project as it is now.";
}
/// A save found while the files were replaced: kept, every other file put back. aside: where
/// what the file held before that save is, or "".
inline std::string ChangedDuringRun(const std::string& path, const std::string& aside,
                                    const std::string& restored, const std::string& kept) {
  return Quoted(path) + " was saved while the project was being set up - from Visual Basic? " +
         "The save is kept" +
         (aside.empty() ? std::string() : "; what the file held before it is in " + Quoted(aside)) +
         "." + (restored.empty() ? std::string() : " Put back:\n" + restored) +
         (kept.empty() ? std::string() : "\nKept as they are now:\n" + kept) +
         (restored.empty() && kept.empty() ? " " : "\n") +
         "Run again to set up the project as it is now.";
}
inline std::string NotWritten(const std::string& why) {
  return "The new files could not be written: " + why + "." + kNothingChanged;
}
inline std::string Undone(const std::string& why, const std::string& restored) {
  return "Setting up the project failed: " + why + ". Every file is as it was; put back:\n" +
         restored;
}
inline std::string NotPutBack(const std::string& path, const std::string& backup) {
  return Quoted(path) +
         (backup.empty() ? std::string(": a new file, to be deleted")
                         : ": its old bytes are in " + Quoted(backup)) +
         "\n";
}
inline std::string NotUndoneReport(const std::string& why, const std::string& restored,
                                   const std::string& kept) {
  return "Setting up the project failed: " + why + ". Put back:\n" + restored +
         "These could not be put back:\n" + kept;
}
// ---- A journal left by an earlier run ----------------------------------------------------

inline std::string JournalRefused(const std::string& journal, const std::string& why) {
  return Quoted(journal) +
         " is not taken as the record of an interrupted run of this program: " + why +
         ". A record that came with the folder is never followed; if no run of this "
         "program was interrupted here, delete it and run again." +
         kNothingChanged;
}
inline const char* const kJournalNotOurs = "it is not in the form this program writes";
inline const char* const kJournalTooLong = "it names more files than a run changes";
inline const char* const kJournalControlCharacter =
    "it names a file with a control character in its name";
inline const char* const kJournalIsLink = "it is a link";
inline const char* const kJournalNotAFile = "it is not a plain file";
inline std::string JournalNamesTwice(const std::string& path) {
  return "it names " + Quoted(path) + " twice";
}
inline std::string JournalOutside(const std::string& path) {
  return "it names " + Quoted(path) + ", which lies outside the project's folder";
}
/// what: kALink, kAFolder or kNotAPlainFile.
inline std::string JournalNotAFile(const std::string& path, const std::string& what) {
  return "it names " + Quoted(path) + ", which is " + what;
}
inline std::string JournalThroughLink(const std::string& path, const std::string& link) {
  return "it names " + Quoted(path) + ", reached through the link " + Quoted(link);
}
inline std::string JournalBadBackup(const std::string& path, const std::string& backup) {
  return "it names " + Quoted(backup) + " as the backup of " + Quoted(path) +
         ", a name this program gives no backup of it";
}
inline std::string JournalNotNewKind(const std::string& path) {
  return "it names " + Quoted(path) + " as a new file, which this program never makes";
}
inline std::string AnotherRun(const std::string& project, unsigned long processId) {
  return "Another run is setting up " + Quoted(project) +
         (processId ? " (process " + std::to_string(processId) + ")" : std::string()) +
         ". Run again when it has ended." + kNothingChanged;
}
/// A line of the files an interrupted run's undoing kept as they are now.
inline std::string KeptAsSaved(const std::string& path, const std::string& backup) {
  return Quoted(path) + ": changed since, kept as it is" +
         (backup.empty() ? std::string() : "; what it held before is in " + Quoted(backup)) + "\n";
}
inline std::string BackupMissing(const std::string& path, const std::string& backup) {
  return Quoted(path) + ": its old bytes should be in " + Quoted(backup) +
         ", which no longer holds them\n";
}
/// restored: the files put back, a line each; failures: the lines of those that were not.
inline std::string NotUndone(const std::string& journal, const std::string& restored,
                             const std::string& failures) {
  return "An earlier run of this project was interrupted, and it cannot be " +
         std::string(restored.empty()
                         ? "undone:\n"
                         : "wholly undone. Put back:\n" + restored + "Not put back:\n") +
         failures + "Put these files back by hand, then delete " + Quoted(journal) + "." +
         (restored.empty() ? kNothingChanged : "");
}
/// restored: the files put back; kept: KeptAsSaved lines.
inline std::string Recovered(const std::string& restored, const std::string& kept = {}) {
  return (restored.empty()
              ? std::string("An interrupted earlier run was undone; it had changed no file.")
              : "An interrupted earlier run was undone; put back:\n" + restored) +
         (kept.empty() ? std::string() : "\nKept as they are now:\n" + kept);
}
/// What a real run would undo first, for a dry run.
inline std::string RecoveryPending(const std::string& restored, const std::string& kept) {
  return std::string("An earlier run of this project was interrupted. A real run first undoes "
                     "it") +
         (restored.empty() ? std::string("; it changed no file.")
                           : ", putting back:\n" + restored) +
         (kept.empty() ? std::string() : "\nIt keeps as they are now:\n" + kept) +
         (restored.empty() && kept.empty() ? " " : "\n") +
         "What it then changes may differ from this list.";
}
inline std::string NoBackupName(const std::string& path) {
  return Quoted(path) + ": every backup name from .bak to .bak999 is taken; move old backups "
                        "away";
}
inline std::string ChangedWhileReplaced(const std::string& path) {
  return Quoted(path) + " changed while it was being replaced";
}
inline const char* const kFinishedEarlier =
    "An interrupted earlier run had replaced every file already; its record is removed.";

inline const char* const kManifestAdded = "the manifest added";
inline const char* const kManifestReplaced = "the manifest replaced";
/// changes: "element: before -> after", each element of the old manifest that changed.
inline std::string ManifestMerged(const std::vector<std::string>& changes) {
  std::string text = "the manifest merged with the one it held";
  for (std::size_t i = 0; i < changes.size(); ++i)
    text += (i == 0 ? " (" : "; ") + changes[i];
  return text + (changes.empty() ? "" : ")");
}
inline std::string ManifestNotMerged(const std::string& path, const std::string& why) {
  return Quoted(path) + " holds a manifest that cannot be merged with the new one: " + why + "." +
         kNothingChanged;
}
inline const char* const kNewResFile = "new, with the manifest";
inline const char* const kResFileReplaced = "replaced by one with the manifest";
inline const char* const kCheckAdded = "Sub Main checks the common controls first";
inline std::string NewModule(const std::string& form) {
  return form.empty() ? "new start-up module" : "new start-up module; it shows " + form;
}
inline std::string ShowsForm(const std::string& form) { return "Sub Main shows " + form; }
inline const char* const kStartsInSubMain = "starts in Sub Main";
inline std::string ListsModule(const std::string& path) { return "lists " + path; }
inline std::string NamesResFile(const std::string& path) {
  return "takes " + path + " as its resource file";
}
inline const char* const kAlreadySetUp = "already set up";

inline const char* const kDryRun = "dry run: nothing was changed";
inline std::string Backup(const std::string& path) { return "backup: " + path; }
inline std::string NextStep(const std::string& project) {
  return "Next: open " + Quoted(project) + " in Visual Basic and rebuild it.";
}

/// The window's question: changes names each file from folder. again: the project changed
/// while an earlier list was open.
inline std::string Question(const std::string& folder, const std::string& changes,
                            bool again = false) {
  return std::string(again ? "The project changed while the question was open. " : "") +
         "These files in " + Quoted(folder) +
         " will be changed; each is first copied to a .bak file beside it:\n\n" + changes +
         "\nClose the project in Visual Basic first: Visual Basic would save its own copy "
         "over these changes.";
}
/// The window's report: changes names each file from folder, project included.
inline std::string Report(const std::string& folder, const std::string& project,
                          const std::string& changes) {
  return "In " + Quoted(folder) + ":\n\n" + changes + "\n" + NextStep(project);
}

} // namespace project::texts
