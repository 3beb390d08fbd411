#include "project/ProjectRun.h"

#include <optional>
#include <utility>

#include "base/Ascii.h"
#include "base/Fingerprint.h"
#include "base/Path.h"
#include "generation/DriverTexts.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/Compilation.h"
#include "platform/TemporaryFiles.h"
#include "base/BackupNames.h"
#include "project/Paths.h"
#include "project/ProjectText.h"
#include "project/ProjectTexts.h"
#include "project/ResFile.h"
#include "project/Transaction.h"
#include "readers/Forms.h"
#include "readers/ManifestMerge.h"
#include "readers/PeImage.h"
#include "readers/VbProject.h"

namespace project {

namespace {

using platform::FileOperations;

/// Module files are a few kilobytes; the limit only keeps a wrong path from filling memory.
constexpr std::size_t kMaxModuleBytes = 16 << 20;
constexpr std::size_t kMaxResBytes = 256 << 20;

/// The program ExeName32 names, as Visual Basic builds it: a name without an extension
/// ("App") is given ".exe".
std::string ProgramName(const std::string& exeName) {
  return path::BaseName(exeName, path::Style::windows).find('.') == std::string::npos
             ? exeName + ".exe"
             : exeName;
}

bool IsOurModule(const readers::ProjectModule& module) {
  return ascii::EqualIgnoringCase(module.name, generation::kModuleName) ||
         ascii::EqualIgnoringCase(path::BaseName(module.path, path::Style::windows),
                                  generation::kModuleFileName);
}

/// A refusal from one of the plan's steps: nothing may change.
struct Stop {
  Refusal refusal;
  PlanOutcome outcome = PlanOutcome::Refused;
};

/// What the compiler wrote, unset when it wrote nothing; a compiler that could not be started
/// refuses with the system's reason. It runs in a folder of the run's own, so that planning,
/// a dry run's included, writes nothing where the project lies.
std::optional<std::string> Compile(FileOperations& files, generation::Conversation& conversation,
                                   const std::string& manifestText, const Request& request) {
  const platform::PrivateFolder folder(files);
  platform::TemporaryFiles temporary(files, folder.Path());
  const generation::Compilation compiled = generation::CompileManifest(
      files, files, conversation, temporary, manifestText, request.rcExePath);
  if (compiled.outcome == generation::Compiled::NotStarted)
    throw Stop{Refusal(Problem::CompilerNotStarted, {compiled.notStarted->Description()}),
               PlanOutcome::CompileFailed};
  if (compiled.outcome != generation::Compiled::Res)
    return std::nullopt;
  return files.ReadBytes(compiled.compiledPath, kMaxResBytes);
}

/// Our manifest's entry: type RT_MANIFEST, ID 1, in any language.
bool HoldsManifest(const ResFile& file) {
  for (const ResEntry& entry : file.entries)
    if (!entry.type.IsName() && entry.type.id == readers::kManifestResourceType &&
        !entry.name.IsName() && entry.name.id == 1)
      return true;
  return false;
}

} // namespace

namespace {

/// The steps of a plan, in the order PlanProject takes them. Each either fills in its part
/// of the plan or throws Stop.
class Planner {
public:
  Planner(FileOperations& files, generation::Conversation& conversation, const Request& request)
      : files_(files), conversation_(conversation), request_(request),
        folder_(path::Folder(request.projectPath, path::StyleOf(files.PathSeparator()))),
        paths_(files, folder_, request.codePage) {
    plan_.projectPath = request.projectPath;
  }

  Plan Run() {
    ReadProject();
    PlanResourceFile();
    PlanStartupModule();
    PlanProjectFile();
    CheckVersion();
    PlanManifest();
    Collect();
    return std::move(plan_);
  }

private:
  [[noreturn]] static void Refuse(Problem problem, std::vector<std::string> facts) {
    throw Stop{Refusal(problem, std::move(facts))};
  }

  std::string Read(const std::string& path, std::size_t limit) {
    std::string bytes, why;
    if (!paths_.Read(path, limit, bytes, why))
      Refuse(Problem::CannotRead, {path, why});
    Remember(path, bytes);
    return bytes;
  }

  /// A file the plan went by, to be checked again before anything is replaced.
  void Remember(const std::string& path, const std::string& bytes) {
    for (const FileRead& read : plan_.reads)
      if (read.path == path)
        return;
    plan_.reads.push_back({path, fingerprint::Of(bytes)});
  }

  /// The project file and what it says; only a Standard EXE can start in Sub Main.
  void ReadProject() {
    projectText_ = Read(request_.projectPath, readers::kMaxProjectBytes);
    const std::string lineEnd = readers::UnreadLineEnd(projectText_);
    if (!lineEnd.empty())
      Refuse(Problem::LineEnds, {request_.projectPath, lineEnd});
    facts_ = readers::ReadProjectFacts(projectText_);
    if (!readers::IsStandardExe(facts_.type))
      Refuse(Problem::NotStandardExe, {request_.projectPath, readers::ProjectKind(facts_.type)});
    const std::string repeated = RepeatedKey(projectText_);
    if (!repeated.empty())
      Refuse(Problem::RepeatedKey, {request_.projectPath, repeated});
    if (std::optional<Refusal> badName = NameWithControlCharacter(request_.projectPath, facts_))
      throw Stop{std::move(*badName)};
    program_ = ProgramName(facts_.exeName);
    plan_.exeName = path::BaseName(program_, path::Style::windows);
    plan_.version = request_.version ? *request_.version : facts_.Version();
    plan_.description = request_.description ? *request_.description : facts_.Description();
  }

  /// The project's own resource file, or a new one named as a program's would be.
  void PlanResourceFile() {
    if (!facts_.resFile.empty()) {
      res_.path = paths_.Find(facts_.resFile);
      if (!files_.IsPlainFile(res_.path))
        Refuse(Problem::NoResFile, {request_.projectPath, facts_.resFile, InsteadOfAFile(res_.path),
                                    CodePageLookedIn(res_.path)});
      res_.before = Read(res_.path, kMaxResBytes);
      const ResFile check = ReadResFile(res_.before);
      if (check.refusal)
        Refuse(Problem::NotResFile, {res_.path, *check.refusal});
      res_.existed = true;
    } else {
      const generation::OutputNames names =
          generation::DeriveOutputNames(folder_ + plan_.exeName, files_.PathSeparator());
      res_.path = folder_ + names.outputName;
      resFileToName_ = names.outputName;
      res_.existed = files_.FileExists(res_.path);
      if (res_.existed)
        res_.before = Read(res_.path, kMaxResBytes);
    }
  }

  /// What is at path instead of a plain file: "link", "folder", "device", or "" for nothing.
  std::string InsteadOfAFile(const std::string& path) {
    return files_.IsLink(path)       ? "link"
           : files_.IsFolder(path)   ? "folder"
           : files_.FileExists(path) ? "device"
                                     : "";
  }

  /// The code page a name not found was looked for in too, "" when it was not.
  std::string CodePageLookedIn(const std::string& path) {
    return paths_.NotFoundHint(path).empty() ? std::string() : std::to_string(request_.codePage);
  }

  /// A form start-up names a form the project lists, by the name Visual Basic knows it
  /// by; that name, never the line's own text, is what goes into the module's code.
  std::string StartupForm() {
    std::string unreadable, why;
    for (const readers::ProjectModule& listed : facts_.forms) {
      const std::string path = paths_.Find(listed.path);
      std::string text;
      if (!ReadProjectFile(files_, path, readers::kMaxFormBytes, text, why)) {
        if (unreadable.empty())
          unreadable = path;
        continue;
      }
      Remember(path, text);
      std::string name = readers::FormName(readers::ReadForm(text));
      if (!name.empty() && ascii::EqualIgnoringCase(name, facts_.startup))
        return name;
    }
    // The form it names may be the one that cannot be read.
    if (!unreadable.empty())
      Refuse(Problem::CannotRead, {unreadable, why});
    Refuse(Problem::StartupNotAForm, {request_.projectPath, facts_.startup});
  }

  /// The start-up module: written and listed, or the listed one made to do what the
  /// start-up needs. A project that starts in no form would show nothing from Sub Main.
  void PlanStartupModule() {
    const readers::ProjectModule* ours = nullptr;
    for (const readers::ProjectModule& module : facts_.modules)
      if (!ours && IsOurModule(module))
        ours = &module;
    if (facts_.StartsInSubMain()) {
      if (ours) {
        PlanListedModuleForSubMain(*ours);
      } else {
        AddCheckToSubMain(nullptr);
        PlanNewModule(generation::ModuleTextWithoutMain(), "");
      }
      return;
    }
    if (!facts_.StartsInForm())
      Refuse(Problem::NoStartupForm, {request_.projectPath});
    const std::string form = StartupForm();
    // The module brings a Sub Main; a second one would not compile.
    for (const readers::ProjectModule& module : facts_.modules) {
      if (&module == ours)
        continue;
      const std::string path = paths_.Find(module.path);
      // A module that cannot be read might hold a Sub Main: the project is not guessed at.
      if (HoldsSubMain(Read(path, kMaxModuleBytes)))
        Refuse(Problem::SubMainNotStarted, {path, facts_.startup});
    }
    if (ours)
      PlanListedModule(*ours, form);
    else
      PlanNewModule(generation::ModuleTextShowing(form), form);
  }

  void PlanNewModule(const std::string& moduleText, const std::string& form) {
    FileChange module;
    module.path = folder_ + ModuleFile();
    module.existed = files_.FileExists(module.path) || files_.IsLink(module.path);
    module.after = moduleText + "\r\n";
    module.what = texts::NewModule(form);
    if (module.existed) {
      // Another project of the folder may use it: only the same text is taken, by listing it.
      module.before = Read(module.path, kMaxModuleBytes);
      if (module.before != module.after)
        Refuse(Problem::ModuleInTheWay, {module.path});
      plan_.alreadySetUp.push_back(module.path);
    } else {
      modules_.push_back(module);
    }
  }

  /// A project that starts in Sub Main and lists the module: the module's own Sub Main
  /// checks the common controls; without one, the project's own must.
  void PlanListedModuleForSubMain(const readers::ProjectModule& ours) {
    const std::string path = paths_.Find(ours.path);
    if (!HoldsSubMain(Read(path, kMaxModuleBytes)))
      AddCheckToSubMain(&ours);
    plan_.alreadySetUp.push_back(path);
  }

  /// A project about to start in Sub Main that lists the module already: its Sub Main has to
  /// show the form the project starts in now, else the rebuilt program would show nothing.
  void PlanListedModule(const readers::ProjectModule& ours, const std::string& form) {
    FileChange change;
    change.path = paths_.Find(ours.path);
    change.before = Read(change.path, kMaxModuleBytes);
    const FormShown shown = ShowStartupForm(change.before, form);
    if (shown.outcome == FormShown::Outcome::NoSubMain)
      Refuse(Problem::ListedModuleWithoutSubMain, {change.path});
    if (shown.outcome == FormShown::Outcome::AlreadyShown) {
      plan_.alreadySetUp.push_back(change.path);
      return;
    }
    if (shown.outcome == FormShown::Outcome::NotShown)
      Refuse(Problem::FormNotShown, {change.path, form});
    change.existed = true;
    change.after = shown.text;
    change.what = texts::ShowsForm(form);
    modules_.push_back(change);
  }

  /// The project's own Sub Main starts with the check; the module (skipped) brings the
  /// function.
  void AddCheckToSubMain(const readers::ProjectModule* skipped) {
    for (const readers::ProjectModule& module : facts_.modules) {
      if (&module == skipped)
        continue;
      FileChange change;
      change.path = paths_.Find(module.path);
      change.before = Read(change.path, kMaxModuleBytes);
      const StartupCheck check = AddStartupCheck(change.before);
      if (check.outcome == StartupCheck::Outcome::NoSubMain)
        continue;
      if (check.outcome == StartupCheck::Outcome::OnItsHeaderLine)
        Refuse(Problem::SubMainOnItsHeaderLine, {change.path, std::to_string(check.line)});
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
    Refuse(Problem::NoSubMain, {request_.projectPath});
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

  /// A version Windows would refuse in the manifest is asked about, as for a program.
  void CheckVersion() {
    if (!generation::IsManifestVersion(plan_.version) &&
        !conversation_.Ask(generation::Question::VersionWarning,
                           generation::texts::kVersionWarning))
      throw Stop{Refusal(Problem::VersionDeclined, {request_.projectPath, plan_.version}),
                 PlanOutcome::Declined};
  }

  /// The manifest, compiled now and merged into the resource file. A dry run compiles it
  /// too, so that it tells a resource file that already holds it as a real run would.
  void PlanManifest() {
    // The program as the project builds it, when it is built already.
    std::string program = program_;
    if (!facts_.path32.empty())
      program = facts_.path32 + (facts_.path32.back() == '\\' ? "" : "\\") + program;
    const std::string ours =
        generation::BuildManifestText(files_.AnsiToUtf8(plan_.version, request_.codePage),
                                      files_.AnsiToUtf8(plan_.exeName, request_.codePage),
                                      files_.AnsiToUtf8(plan_.description, request_.codePage),
                                      generation::TargetArchitecture(files_, paths_.Find(program)),
                                      request_.manifest, request_.components);
    // The project's own .res keeps what its manifest says, unless an option says otherwise.
    const std::optional<std::string> old = resFileToName_.empty() && res_.existed
                                               ? ManifestIn(res_.before, ReadResFile(res_.before))
                                               : std::nullopt;
    const readers::MergedManifest manifest = readers::MergeManifests(old, ours);
    if (manifest.refusal)
      Refuse(Problem::ManifestNotMerged, Wrapping({res_.path}, *manifest.refusal));
    // It says all of it already: the resource file stays as it is.
    if (old && manifest.text == *old) {
      plan_.alreadySetUp.push_back(res_.path);
      return;
    }
    const std::optional<std::string> output =
        Compile(files_, conversation_, manifest.text, request_);
    if (!output)
      throw Stop{Refusal(Problem::CompileFailed), PlanOutcome::CompileFailed};
    // A compiler that writes something else is caught here, before its bytes become the
    // project's resource file; the user's own file is not to blame.
    const std::string& compiled = *output;
    const ResFile made = ReadResFile(compiled);
    if (made.refusal)
      throw Stop{Refusal(Problem::CompilerOutputNotRes, {request_.rcExePath, *made.refusal}),
                 PlanOutcome::CompileFailed};
    if (!HoldsManifest(made))
      throw Stop{Refusal(Problem::CompilerOutputNoManifest, {request_.rcExePath}),
                 PlanOutcome::CompileFailed};
    if (!resFileToName_.empty() || !res_.existed) {
      res_.after = compiled;
      res_.what = res_.existed ? texts::kResFileReplaced : texts::kNewResFile;
    } else {
      MergeResult merged = MergeManifest(res_.before, compiled);
      if (merged.outcome == MergeOutcome::Refused)
        Refuse(Problem::ResNotMerged, Wrapping({res_.path}, *merged.refusal));
      // A .res may be hundreds of megabytes: the plan holds it twice, before and after.
      res_.after = std::move(merged.bytes);
      std::vector<std::string> changes;
      for (const readers::ManifestChange& change : manifest.changes)
        changes.push_back(change.element + ": " + change.before + " -> " + change.after);
      res_.what = merged.outcome == MergeOutcome::Replaced ? texts::ManifestMerged(changes)
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
    if (std::optional<Refusal> obstacle = FindObstacle(files_, plan_))
      throw Stop{std::move(*obstacle)};
  }

  static std::string ModuleFile() { return generation::kModuleFileName; }

  FileOperations& files_;
  generation::Conversation& conversation_;
  const Request& request_;
  const std::string folder_;
  ProjectFiles paths_;
  Plan plan_;
  std::string projectText_;
  readers::ProjectFacts facts_;
  std::string program_; ///< ExeName32 as Visual Basic builds it: "App" is App.exe
  FileChange res_;
  std::string resFileToName_; ///< the new resource file the project is to name; "" for its own
  std::vector<FileChange> modules_;
  FileChange vbp_;
  std::vector<ProjectEdit> edits_;
};

} // namespace

Plan PlanProject(FileOperations& files, generation::Conversation& conversation,
                 const Request& request) {
  try {
    return Planner(files, conversation, request).Run();
  } catch (Stop& stop) {
    Plan plan;
    plan.projectPath = request.projectPath;
    plan.outcome = stop.outcome;
    plan.refusal = std::move(stop.refusal);
    return plan;
  }
}

bool ReadProjectDefaults(platform::FilePort& files, const std::string& projectPath,
                         std::string& version, std::string& description) {
  std::string text, why;
  if (!ReadProjectFile(files, projectPath, readers::kMaxProjectBytes, text, why))
    return false;
  const readers::ProjectFacts facts = readers::ReadProjectFacts(text);
  version = facts.Version();
  description = facts.Description();
  return true;
}

std::string NamedFrom(const std::string& folder, const std::string& path) {
  return !folder.empty() && path.size() > folder.size() &&
                 path.compare(0, folder.size(), folder) == 0
             ? path.substr(folder.size())
             : path;
}

std::string DescribeChanges(const Plan& plan, const std::string& folder) {
  std::string text;
  for (const FileChange& change : plan.changes)
    text += NamedFrom(folder, change.path) + ": " + change.what + "\n";
  for (const std::string& path : plan.alreadySetUp)
    text += NamedFrom(folder, path) + ": " + texts::kAlreadySetUp + "\n";
  return text;
}

} // namespace project
