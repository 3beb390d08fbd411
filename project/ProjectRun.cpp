#include "project/ProjectRun.h"

#include <utility>

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

/// The compiled manifest's .res, "" when the compiler made none.
std::string Compile(FileOperations& files, generation::Conversation& conversation,
                    const std::string& folder, const std::string& architecture, const Plan& plan,
                    const Request& request) {
  generation::TemporaryFiles temporary(files, folder);
  const std::string manifestText = BuildManifestText(
      files.AnsiToUtf8(plan.version, request.codePage),
      files.AnsiToUtf8(plan.exeName, request.codePage),
      files.AnsiToUtf8(plan.description, request.codePage), architecture, request.manifest,
      request.components);
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

namespace {

/// A refusal from one of the plan's steps: nothing may change.
struct Refusal {
  std::string why;
  bool compileFailed = false;
};

/// The steps of a plan, in the order PlanProject takes them. Each either fills in its part
/// of the plan or throws Refusal.
class Planner {
public:
  Planner(FileOperations& files, generation::Conversation& conversation, const Request& request)
      : files_(files), conversation_(conversation), request_(request),
        folder_(generation::FolderOf(request.projectPath)),
        paths_(files, folder_, request.codePage) {
    plan_.projectPath = request.projectPath;
  }

  Plan Run() {
    ReadProject();
    PlanResourceFile();
    PlanStartupModule();
    PlanProjectFile();
    PlanManifest();
    Collect();
    return std::move(plan_);
  }

private:
  [[noreturn]] static void Refuse(const std::string& why) { throw Refusal{why}; }

  std::string Read(const std::string& path, std::size_t limit) {
    std::string bytes, why;
    if (!paths_.Read(path, limit, bytes, why))
      Refuse(texts::CannotRead(path, why));
    return bytes;
  }

  /// The project file and what it says; only a Standard EXE can start in Sub Main.
  void ReadProject() {
    projectText_ = Read(request_.projectPath, readers::kMaxProjectBytes);
    facts_ = readers::ReadProjectFacts(projectText_);
    if (!readers::IsStandardExe(facts_.type))
      Refuse(texts::NotStandardExe(request_.projectPath, readers::ProjectKind(facts_.type)));
    plan_.exeName = BaseName(facts_.exeName);
    plan_.version = request_.version ? *request_.version : facts_.Version();
    plan_.description = request_.description ? *request_.description : facts_.Description();
  }

  /// The project's own resource file, or a new one named as a program's would be.
  void PlanResourceFile() {
    if (!facts_.resFile.empty()) {
      res_.path = paths_.Find(facts_.resFile);
      if (!files_.IsPlainFile(res_.path))
        Refuse(texts::NoResFile(request_.projectPath, facts_.resFile,
                                paths_.NotFoundHint(res_.path)));
      res_.before = Read(res_.path, kMaxResBytes);
      const ResFile check = ReadResFile(res_.before);
      if (!check.refusal.empty())
        Refuse(texts::NotResFile(res_.path, check.refusal));
      res_.existed = true;
      for (const ResEntry& entry : check.entries)
        hasManifest_ = hasManifest_ ||
                       (!entry.type.IsName() && entry.type.id == readers::kManifestResourceType &&
                        !entry.name.IsName() && entry.name.id == 1);
    } else {
      const OutputNames names =
          DeriveOutputNames(folder_ + plan_.exeName, files_.PathSeparator());
      res_.path = folder_ + names.outputName;
      resFileToName_ = names.outputName;
      res_.existed = files_.FileExists(res_.path);
      if (res_.existed)
        res_.before = Read(res_.path, kMaxResBytes);
    }
  }

  /// The start-up module, unless the project lists it already.
  void PlanStartupModule() {
    for (const readers::ProjectModule& module : facts_.modules)
      moduleListed_ = moduleListed_ || IsOurModule(module);
    if (moduleListed_)
      return;
    std::string moduleText;
    std::string form;
    if (ascii::EqualIgnoringCase(facts_.startup, "Sub Main")) {
      AddCheckToSubMain();
      moduleText = generation::ModuleTextWithoutMain();
    } else {
      // The module brings a Sub Main; a second one would not compile.
      for (const readers::ProjectModule& module : facts_.modules) {
        const std::string path = paths_.Find(module.path);
        std::string text, why;
        if (ReadProjectFile(files_, path, kMaxModuleBytes, text, why) &&
            AddStartupCheck(text).outcome != StartupCheck::Outcome::NoSubMain)
          Refuse(texts::SubMainNotStarted(path, facts_.startup));
      }
      if (!facts_.startup.empty() && facts_.startup != "(None)")
        form = facts_.startup;
      moduleText = form.empty() ? std::string(kModuleText) : generation::ModuleTextShowing(form);
    }
    FileChange module;
    module.path = folder_ + ModuleFile();
    module.existed = files_.FileExists(module.path) || files_.IsLink(module.path);
    module.after = moduleText + "\r\n";
    module.what = texts::NewModule(form);
    if (module.existed) {
      // Another project of the folder may use it: only the same text is taken, by listing it.
      module.before = Read(module.path, kMaxModuleBytes);
      if (module.before != module.after)
        Refuse(texts::ModuleInTheWay(module.path));
      plan_.alreadySetUp.push_back(module.path);
    } else {
      modules_.push_back(module);
    }
  }

  /// The project's own Sub Main starts with the check; the module brings the function.
  void AddCheckToSubMain() {
    for (const readers::ProjectModule& module : facts_.modules) {
      FileChange change;
      change.path = paths_.Find(module.path);
      change.before = Read(change.path, kMaxModuleBytes);
      const StartupCheck check = AddStartupCheck(change.before);
      if (check.outcome == StartupCheck::Outcome::NoSubMain)
        continue;
      if (check.outcome == StartupCheck::Outcome::AlreadyThere) {
        plan_.alreadySetUp.push_back(change.path);
      } else {
        change.existed = true;
        change.after = check.text;
        change.what = texts::kCheckAdded;
        modules_.push_back(change);
      }
      return;
    }
    Refuse(texts::NoSubMain(request_.projectPath));
  }

  /// The project file names what it now needs.
  void PlanProjectFile() {
    vbp_.path = request_.projectPath;
    vbp_.existed = true;
    vbp_.before = projectText_;
    edits_ = NeededEdits(projectText_, generation::kModuleName, ModuleFile(), resFileToName_);
    for (const ProjectEdit& edit : edits_) {
      const std::string what =
          edit.kind == ProjectEdit::Kind::StartInSubMain ? texts::kStartsInSubMain
          : edit.kind == ProjectEdit::Kind::AddModule    ? texts::ListsModule(edit.path)
                                                         : texts::NamesResFile(edit.path);
      vbp_.what += (vbp_.what.empty() ? "" : "; ") + what;
    }
    vbp_.after = ApplyEdits(projectText_, edits_);
  }

  /// The manifest, compiled now and merged into the resource file; a dry run only tells.
  void PlanManifest() {
    if (request_.dryRun) {
      res_.what = res_.existed && !resFileToName_.empty() ? texts::kResFileReplaced
                  : hasManifest_                          ? texts::kManifestReplaced
                  : res_.existed                          ? texts::kManifestAdded
                                                          : texts::kNewResFile;
      plan_.changes.push_back(res_);
      return;
    }
    // The program as the project builds it, when it is built already.
    std::string program = facts_.exeName;
    if (!facts_.path32.empty())
      program = facts_.path32 + (facts_.path32.back() == '\\' ? "" : "\\") + program;
    const std::string compiled =
        Compile(files_, conversation_, folder_,
                generation::TargetArchitecture(files_, paths_.Find(program)),
                plan_, request_);
    if (compiled.empty())
      throw Refusal{"", true};
    if (!resFileToName_.empty() || !res_.existed) {
      res_.after = compiled;
      res_.what = res_.existed ? texts::kResFileReplaced : texts::kNewResFile;
    } else {
      MergeResult merged = MergeManifest(res_.before, compiled);
      if (merged.outcome == MergeOutcome::Refused)
        Refuse(texts::NotResFile(res_.path, merged.refusal));
      // A .res may be hundreds of megabytes: the plan holds it twice, before and after.
      res_.after = std::move(merged.bytes);
      res_.what = merged.outcome == MergeOutcome::Replaced ? texts::kManifestReplaced
                                                            : texts::kManifestAdded;
    }
    if (res_.existed && res_.after == res_.before)
      plan_.alreadySetUp.push_back(res_.path);
    else
      plan_.changes.push_back(std::move(res_));
  }

  /// The changes in the order they are written, the project file last.
  void Collect() {
    for (const FileChange& module : modules_)
      plan_.changes.push_back(module);
    if (edits_.empty())
      plan_.alreadySetUp.push_back(vbp_.path);
    else
      plan_.changes.push_back(vbp_);
    if (moduleListed_)
      plan_.alreadySetUp.push_back(folder_ + ModuleFile());
    for (const FileChange& change : plan_.changes)
      if (change.existed && files_.IsReadOnly(change.path))
        Refuse(texts::ReadOnly(change.path));
  }

  static std::string ModuleFile() { return std::string(generation::kModuleName) + ".bas"; }

  FileOperations& files_;
  generation::Conversation& conversation_;
  const Request& request_;
  const std::string folder_;
  ProjectFiles paths_;
  Plan plan_;
  std::string projectText_;
  readers::ProjectFacts facts_;
  FileChange res_;
  std::string resFileToName_; ///< the new resource file the project is to name; "" for its own
  bool hasManifest_ = false;
  bool moduleListed_ = false;
  std::vector<FileChange> modules_;
  FileChange vbp_;
  std::vector<ProjectEdit> edits_;
};

} // namespace

Plan PlanProject(FileOperations& files, generation::Conversation& conversation,
                 const Request& request) {
  try {
    return Planner(files, conversation, request).Run();
  } catch (const Refusal& refusal) {
    Plan plan;
    plan.projectPath = request.projectPath;
    plan.refusal = refusal.why;
    plan.compileFailed = refusal.compileFailed;
    return plan;
  }
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
