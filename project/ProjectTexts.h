#pragma once
// Every text of a project run: refusals, the list of changes, the question and the report.

#include <string>

#include "base/CodePages.h"

namespace project::texts {

inline const char* const kNothingChanged = " Nothing was changed.";

inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

inline std::string CannotRead(const std::string& path, const std::string& why) {
  return Quoted(path) + " cannot be read: " + why + "." + kNothingChanged;
}
inline std::string NotStandardExe(const std::string& path, const std::string& kind) {
  return Quoted(path) + " is " + kind + ": only Standard EXE projects are supported." +
         kNothingChanged;
}
/// The option of themefold-batch that names the code page a project's names are written in.
inline const char* const kCodePageOption = "--project-code-page";
/// After "does not exist", for a name beyond ASCII looked for in the project's code page too.
inline std::string NotInCodePage(unsigned codePage) {
  return " as its bytes or in code page " + std::to_string(codePage) + "; " + kCodePageOption +
         " names the one the project was written in: " + codepages::Choices();
}
inline std::string NoResFile(const std::string& project, const std::string& res,
                             const std::string& hint) {
  return Quoted(project) + " names the resource file " + Quoted(res) +
         ", which does not exist" + hint + "." + kNothingChanged;
}
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
         "and run again." + kNothingChanged;
}
inline std::string ModuleInTheWay(const std::string& path) {
  return Quoted(path) +
         " exists with other text, and this project does not list it: another project in the "
         "folder may use it. Move it away, or list it in this project, and run again." +
         kNothingChanged;
}
inline std::string ReadOnly(const std::string& path) {
  return Quoted(path) + " is read-only." + kNothingChanged;
}

inline const char* const kManifestAdded = "the manifest added";
inline const char* const kManifestReplaced = "the manifest replaced";
inline const char* const kNewResFile = "new, with the manifest";
inline const char* const kResFileReplaced = "replaced by one with the manifest";
inline const char* const kCheckAdded = "Sub Main checks the common controls first";
inline std::string NewModule(const std::string& form) {
  return form.empty() ? "new start-up module" : "new start-up module; it shows " + form;
}
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

inline std::string Question(const std::string& changes) {
  return "These files will be changed; each is first copied to a .bak file beside it:\n\n" +
         changes +
         "\nClose the project in Visual Basic first: Visual Basic would save its own copy "
         "over these changes.";
}
inline std::string Report(const std::string& project, const std::string& changes) {
  return changes + "\n" + NextStep(project);
}

} // namespace project::texts
