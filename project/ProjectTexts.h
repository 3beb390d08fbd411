#pragma once
// Every text of a project run: refusals, the list of changes, the question and the report.

#include <string>

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
inline std::string RepeatedKey(const std::string& project, const std::string& key) {
  return Quoted(project) + " gives " + key +
         " more than once. Keep the line Visual Basic should use, and run again." +
         kNothingChanged;
}
inline std::string StartupNotAForm(const std::string& project, const std::string& startup) {
  return Quoted(project) + " starts in " + Quoted(startup) +
         ", which names none of the forms it lists. Start it in one of them, or in Sub Main, "
         "and run again." +
         kNothingChanged;
}
inline std::string NoResFile(const std::string& project, const std::string& res) {
  return Quoted(project) + " names the resource file " + Quoted(res) +
         ", which does not exist." + kNothingChanged;
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
inline std::string ListedModuleWithoutSubMain(const std::string& module) {
  return Quoted(module) +
         " is listed by the project but holds no Sub Main to start in. Remove it from the "
         "project, move it away, and run again." +
         kNothingChanged;
}
inline std::string FormNotShown(const std::string& module, const std::string& form) {
  return Quoted(module) + " is listed by the project, but its Sub Main does not show " + form +
         ", the form the project starts in. Show it there, and run again." + kNothingChanged;
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
