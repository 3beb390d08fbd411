#include "project/ProjectRun.h"

#include "base/Ascii.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/TemporaryFiles.h"
#include "project/Backups.h"
#include "project/Paths.h"
#include "project/ProjectText.h"
#include "project/ProjectTexts.h"
#include "project/ResFile.h"
#include "readers/PeImage.h"
#include "readers/VbProject.h"

namespace project {

namespace {

using generation::FileOperations;

/// Module files are a few kilobytes; the limit only keeps a wrong path from filling memory.
constexpr std::size_t kMaxModuleBytes = 16 << 20;
constexpr std::size_t kMaxResBytes = 256 << 20;

std::string BaseName(const std::string& path) {
  const std::string::size_type cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsOurModule(const readers::ProjectModule& module) {
  return ascii::EqualIgnoringCase(module.name, generation::kModuleName) ||
         ascii::EqualIgnoringCase(BaseName(module.path),
                                  std::string(generation::kModuleName) + ".bas");
}

Plan Refuse(Plan plan, const std::string& why) {
  plan.refusal = why;
  plan.changes.clear();
  return plan;
}

/// The compiled manifest's .res, "" when the compiler made none.
std::string Compile(FileOperations& files, generation::Conversation& conversation,
                    const std::string& folder, const std::string& architecture, const Plan& plan,
                    const Request& request) {
  generation::TemporaryFiles temporary(files, folder);
  const std::string manifestText = BuildManifestText(
      files.AnsiToUtf8(plan.version), files.AnsiToUtf8(plan.exeName),
      files.AnsiToUtf8(plan.description), architecture, request.manifest, request.components);
  std::string compiledPath;
  std::string probe = folder;
  if (probe.size() > 1 && (probe.back() == '\\' || probe.back() == '/'))
    probe.pop_back();
  if (generation::CompileManifest(files, conversation, temporary, probe, manifestText,
                                  request.rcExePath, compiledPath) != generation::Compiled::Res)
    return std::string();
  return files.ReadBytes(compiledPath, kMaxResBytes);
}

} // namespace

Plan PlanProject(FileOperations& files, generation::Conversation& conversation,
                 const Request& request) {
  Plan plan;
  plan.projectPath = request.projectPath;
  const std::string folder = generation::FolderOf(request.projectPath);
  std::string projectText, why;
  if (!ReadProjectFile(files, request.projectPath, readers::kMaxProjectBytes, projectText, why))
    return Refuse(plan, texts::CannotRead(request.projectPath, why));
  const readers::ProjectFacts facts = readers::ReadProjectFacts(projectText);
  if (!readers::IsStandardExe(facts.type))
    return Refuse(plan, texts::NotStandardExe(request.projectPath, readers::ProjectKind(facts.type)));
  plan.exeName = BaseName(facts.exeName);
  plan.version = request.version ? *request.version : facts.Version();
  plan.description = request.description ? *request.description : facts.Description();

  // The resource file: the project's own, or a new one named as a program's would be.
  FileChange res;
  std::string resFileToName;
  bool hasManifest = false;
  if (!facts.resFile.empty()) {
    res.path = FindProjectFile(files, folder, facts.resFile);
    if (!files.IsPlainFile(res.path))
      return Refuse(plan, texts::NoResFile(request.projectPath, facts.resFile));
    if (!ReadProjectFile(files, res.path, kMaxResBytes, res.before, why))
      return Refuse(plan, texts::CannotRead(res.path, why));
    const ResFile check = ReadResFile(res.before);
    if (!check.refusal.empty())
      return Refuse(plan, texts::NotResFile(res.path, check.refusal));
    res.existed = true;
    for (const ResEntry& entry : check.entries)
      hasManifest = hasManifest || (!entry.type.IsName() && entry.type.id == readers::kManifestResourceType &&
                                    !entry.name.IsName() && entry.name.id == 1);
  } else {
    const OutputNames names = DeriveOutputNames(folder + plan.exeName, files.PathSeparator());
    res.path = folder + names.outputName;
    resFileToName = names.outputName;
    res.existed = files.FileExists(res.path);
    if (res.existed && !ReadProjectFile(files, res.path, kMaxResBytes, res.before, why))
      return Refuse(plan, texts::CannotRead(res.path, why));
  }

  // The start-up module, unless the project lists it already.
  std::vector<FileChange> modules;
  bool moduleListed = false;
  for (const readers::ProjectModule& module : facts.modules)
    moduleListed = moduleListed || IsOurModule(module);
  const std::string moduleFile = std::string(generation::kModuleName) + ".bas";
  if (!moduleListed) {
    std::string moduleText;
    std::string form;
    if (ascii::EqualIgnoringCase(facts.startup, "Sub Main")) {
      // The project's own Sub Main starts with the check; the module brings the function.
      bool found = false;
      for (const readers::ProjectModule& module : facts.modules) {
        FileChange change;
        change.path = FindProjectFile(files, folder, module.path);
        if (!ReadProjectFile(files, change.path, kMaxModuleBytes, change.before, why))
          return Refuse(plan, texts::CannotRead(change.path, why));
        const StartupCheck check = AddStartupCheck(change.before);
        if (check.outcome == StartupCheck::Outcome::NoSubMain)
          continue;
        found = true;
        if (check.outcome == StartupCheck::Outcome::AlreadyThere) {
          plan.alreadySetUp.push_back(change.path);
        } else {
          change.existed = true;
          change.after = check.text;
          change.what = texts::kCheckAdded;
          modules.push_back(change);
        }
        break;
      }
      if (!found)
        return Refuse(plan, texts::NoSubMain(request.projectPath));
      moduleText = generation::ModuleTextWithoutMain();
    } else {
      // The module brings a Sub Main; a second one would not compile.
      for (const readers::ProjectModule& module : facts.modules) {
        const std::string path = FindProjectFile(files, folder, module.path);
        std::string text;
        if (ReadProjectFile(files, path, kMaxModuleBytes, text, why) &&
            AddStartupCheck(text).outcome != StartupCheck::Outcome::NoSubMain)
          return Refuse(plan, texts::SubMainNotStarted(path, facts.startup));
      }
      if (!facts.startup.empty() && facts.startup != "(None)")
        form = facts.startup;
      moduleText = form.empty() ? std::string(kModuleText) : generation::ModuleTextShowing(form);
    }
    FileChange module;
    module.path = folder + moduleFile;
    module.existed = files.FileExists(module.path) || files.IsLink(module.path);
    module.after = moduleText + "\r\n";
    module.what = texts::NewModule(form);
    if (module.existed) {
      // Another project of the folder may use it: only the same text is taken, by listing it.
      if (!ReadProjectFile(files, module.path, kMaxModuleBytes, module.before, why))
        return Refuse(plan, texts::CannotRead(module.path, why));
      if (module.before != module.after)
        return Refuse(plan, texts::ModuleInTheWay(module.path));
      plan.alreadySetUp.push_back(module.path);
    } else {
      modules.push_back(module);
    }
  }

  // The project file names what it now needs.
  FileChange vbp;
  vbp.path = request.projectPath;
  vbp.existed = true;
  vbp.before = projectText;
  const std::vector<ProjectEdit> edits =
      NeededEdits(projectText, generation::kModuleName, moduleFile, resFileToName);
  for (const ProjectEdit& edit : edits) {
    std::string what = edit.kind == ProjectEdit::Kind::StartInSubMain ? texts::kStartsInSubMain
                       : edit.kind == ProjectEdit::Kind::AddModule    ? texts::ListsModule(edit.path)
                                                                      : texts::NamesResFile(edit.path);
    vbp.what += (vbp.what.empty() ? "" : "; ") + what;
  }
  vbp.after = ApplyEdits(projectText, edits);

  // The manifest, compiled now and merged into the resource file.
  if (request.dryRun) {
    res.what = res.existed && !resFileToName.empty() ? texts::kResFileReplaced
               : hasManifest                          ? texts::kManifestReplaced
               : res.existed                          ? texts::kManifestAdded
                                                      : texts::kNewResFile;
    plan.changes.push_back(res);
  } else {
    // The program as the project builds it, when it is built already.
    std::string program = facts.exeName;
    if (!facts.path32.empty())
      program = facts.path32 + (facts.path32.back() == '\\' ? "" : "\\") + program;
    const std::string compiled =
        Compile(files, conversation, folder,
                generation::TargetArchitecture(files, FindProjectFile(files, folder, program)),
                plan, request);
    if (compiled.empty()) {
      plan.compileFailed = true;
      return Refuse(plan, "");
    }
    if (!resFileToName.empty() || !res.existed) {
      res.after = compiled;
      res.what = res.existed ? texts::kResFileReplaced : texts::kNewResFile;
    } else {
      const MergeResult merged = MergeManifest(res.before, compiled);
      if (merged.outcome == MergeOutcome::Refused)
        return Refuse(plan, texts::NotResFile(res.path, merged.refusal));
      res.after = merged.bytes;
      res.what = merged.outcome == MergeOutcome::Replaced ? texts::kManifestReplaced
                                                           : texts::kManifestAdded;
    }
    if (res.existed && res.after == res.before)
      plan.alreadySetUp.push_back(res.path);
    else
      plan.changes.push_back(res);
  }
  for (const FileChange& module : modules)
    plan.changes.push_back(module);
  if (edits.empty())
    plan.alreadySetUp.push_back(vbp.path);
  else
    plan.changes.push_back(vbp);
  if (moduleListed)
    plan.alreadySetUp.push_back(folder + moduleFile);

  for (const FileChange& change : plan.changes)
    if (change.existed && files.IsReadOnly(change.path))
      return Refuse(plan, texts::ReadOnly(change.path));
  return plan;
}

std::vector<std::string> ApplyPlan(FileOperations& files, const Plan& plan) {
  std::vector<std::string> backups;
  for (const FileChange& change : plan.changes) {
    const std::string folder = generation::FolderOf(change.path);
    generation::TemporaryFiles temporary(files, folder);
    if (change.existed) {
      const std::string backup =
          BackupName(change.path, [&](const std::string& name) { return files.FileExists(name) || files.IsLink(name); });
      const std::string copy = temporary.CreateExact(".bak", change.before);
      files.RenameOver(copy, backup);
      temporary.Release(copy);
      backups.push_back(backup);
    }
    const std::string written = temporary.CreateExact(".new", change.after);
    files.RenameOver(written, change.path);
    temporary.Release(written);
  }
  return backups;
}

bool ReadProjectDefaults(FileOperations& files, const std::string& projectPath,
                         std::string& version, std::string& description) {
  std::string text, why;
  if (!ReadProjectFile(files, projectPath, readers::kMaxProjectBytes, text, why))
    return false;
  const readers::ProjectFacts facts = readers::ReadProjectFacts(text);
  version = facts.Version();
  description = facts.Description();
  return true;
}

std::string DescribeChanges(const Plan& plan) {
  std::string text;
  for (const FileChange& change : plan.changes)
    text += change.path + ": " + change.what + "\n";
  for (const std::string& path : plan.alreadySetUp)
    text += path + ": " + texts::kAlreadySetUp + "\n";
  return text;
}

} // namespace project
