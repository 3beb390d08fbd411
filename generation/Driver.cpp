#include "generation/Driver.h"

#include <vector>

#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/Placeholders.h"
#include "generation/ResourceScript.h"
#include "generation/TemporaryNames.h"

namespace generation {

namespace {

// Files this run made under temporary names. Whatever happens they go again, but never a
// file the run did not make itself; a stop request removes them too.
class TemporaryFiles {
public:
  TemporaryFiles(FileOperations& files, std::string folder)
      : files_(files), folder_(std::move(folder)) {
    NewStem();
  }
  ~TemporaryFiles() {
    for (const std::string& path : owned_) {
      try {
        if (files_.IsPlainFile(path))
          files_.RemoveFile(path);
      } catch (const SystemError&) {
        // The error that stopped the run is the one to report.
      }
      files_.TrackTemporaryFile(path, false);
    }
  }
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  /// The path of this run's file with the suffix; it is removed at the end if it exists.
  std::string Claim(const std::string& suffix) {
    const std::string path = folder_ + stem_ + suffix;
    owned_.push_back(path);
    files_.TrackTemporaryFile(path, true);
    return path;
  }
  /// Creates this run's file with the suffix. Only the first file may meet a name that is
  /// taken (a stem nobody could guess, unless they saw it): it then takes another stem.
  std::string Create(const std::string& suffix, const std::string& text) {
    for (int attempt = 0;; ++attempt) {
      const std::string path = Claim(suffix);
      if (files_.CreateNewTextFile(path, text))
        return path;
      owned_.pop_back();
      files_.TrackTemporaryFile(path, false);
      if (attempt == 3 || owned_.size() > 0)
        throw SystemError("Create", path, 17, "a file of this name exists already");
      NewStem();
    }
  }
  /// The bare name of this run's file with the suffix.
  std::string Name(const std::string& suffix) const { return stem_ + suffix; }
  /// A file this run made now has a lasting name.
  void Release(const std::string& path) {
    for (auto it = owned_.begin(); it != owned_.end(); ++it)
      if (*it == path) {
        owned_.erase(it);
        break;
      }
    files_.TrackTemporaryFile(path, false);
  }
  /// The regular clean-up after the compiler; errors here are reported.
  void Remove(const std::string& path) {
    if (files_.IsPlainFile(path))
      files_.RemoveFile(path);
    Release(path);
  }

private:
  void NewStem() { stem_ = TemporaryStem(files_.ProcessId(), files_.RandomBits()); }

  FileOperations& files_;
  std::string folder_;
  std::string stem_;
  std::vector<std::string> owned_;
};

std::string FolderOf(const std::string& path) {
  const std::string::size_type cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A run that was killed could not remove its temporary files; the process id in their
// names tells that nobody is using them any more.
void RemoveStaleTemporaryFiles(FileOperations& files, const std::string& folder) {
  const unsigned long self = files.ProcessId();
  for (const std::string& name : files.FolderEntries(folder)) {
    const unsigned long owner = TemporaryOwner(name);
    if (owner == 0 || owner == self || files.ProcessRunning(owner))
      continue;
    const std::string path = folder + name;
    try {
      if (files.IsPlainFile(path))
        files.RemoveFile(path);
    } catch (const SystemError&) {
      // Left for a later run; it is in nobody's way.
    }
  }
}

} // namespace

bool WriteModule(const std::string& path, FileOperations& files, Conversation& conversation,
                 bool ask) {
  try {
    if (files.FileExists(path)) {
      if (ask && !conversation.Ask(Question::OverwriteModule, texts::OverwriteModule(path)))
        return true;
      files.SetNormalAttributes(path);
    }
    TemporaryFiles temporary(files, FolderOf(path));
    const std::string written = temporary.Create(".bas", kModuleText);
    files.RenameOver(written, path);
    temporary.Release(written);
    return true;
  } catch (const SystemError& error) {
    conversation.Tell(Report::ModuleWriteFailed, texts::ModuleWriteFailed(path, error));
    return false;
  }
}

Outcome Driver::Run(const Inputs& inputs, const std::string& rcExePath,
                    const ManifestSettings& manifest,
                    const std::vector<ComponentFacts>& components) {
  if (running_)
    return Outcome::Busy;
  running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{running_};
  try {
    return Generate(inputs, rcExePath, manifest, components);
  } catch (const SystemError& error) {
    conversation_.Tell(Report::FileOperationFailed, texts::FileOperationFailed(error));
    return Outcome::FileOperationFailed;
  }
}

Outcome Driver::Generate(const Inputs& inputs, const std::string& rcExePath,
                         const ManifestSettings& manifest,
                         const std::vector<ComponentFacts>& components) {
  const OutputNames names = DeriveOutputNames(inputs.targetPath, files_.PathSeparator());
  // The probe leaves the folder current: the compiler finds the manifest by its bare name.
  if (!files_.FolderExists(names.probeFolder)) {
    conversation_.Tell(Report::FolderInaccessible, texts::kFolderInaccessible);
    return Outcome::FolderInaccessible;
  }
  if (!IsManifestVersion(inputs.version) &&
      !conversation_.Ask(Question::VersionWarning, texts::kVersionWarning))
    return Outcome::VersionDeclined;

  // Nothing is written through a link, and no folder, device or pipe is replaced. (A folder
  // named like the module is the module writer's own failure, told after the compiler.)
  std::vector<std::string> outputs{names.OutputPath()};
  if (options_.writeModule)
    outputs.push_back(names.ModulePath());
  for (const std::string& path : outputs) {
    const char* inTheWay = nullptr;
    if (files_.IsLink(path))
      inTheWay = texts::kLinkInTheWay;
    else if (files_.IsFolder(path))
      inTheWay = path == names.OutputPath() ? texts::kFolderInTheWay : nullptr;
    else if (files_.FileExists(path) && !files_.IsPlainFile(path))
      inTheWay = texts::kDeviceInTheWay;
    if (inTheWay) {
      conversation_.Tell(Report::OutputInTheWay, texts::OutputInTheWay(path, inTheWay));
      return Outcome::OutputInTheWay;
    }
  }
  const bool replacing = files_.FileExists(names.OutputPath());
  if (replacing &&
      !conversation_.Ask(Question::OverwriteOutput, texts::OverwriteOutput(names.outputName)))
    return Outcome::OverwriteDeclined;
  // Asked up front, the module question is not asked a second time after the compiler.
  bool moduleApproved = false;
  if (options_.writeModule && options_.moduleQuestionFirst &&
      files_.FileExists(names.ModulePath())) {
    if (!conversation_.Ask(Question::OverwriteModule, texts::OverwriteModule(names.ModulePath())))
      return Outcome::OverwriteDeclined;
    moduleApproved = true;
  }
  RemoveStaleTemporaryFiles(files_, names.folder);

  // Every file of the compiler's run has a name of this run's own: a file of the user's
  // called App.exe.manifest or App_manifest.rc is never touched, and the old .res stays
  // until a new one is complete. The compiler writes into a name nobody has, so a file found
  // there afterwards is its work.
  TemporaryFiles temporary(files_, names.folder);
  const std::string manifestPath = temporary.Create(
      ".manifest", BuildManifestText(files_.AnsiToUtf8(inputs.version),
                                     files_.AnsiToUtf8(names.fileName),
                                     files_.AnsiToUtf8(inputs.description), "X86", manifest,
                                     components));
  const std::string scriptPath =
      temporary.Create(".rc", BuildResourceScript(temporary.Name(".manifest")));
  const std::string compiledPath = temporary.Claim(".res");
  // The compiler finds the manifest by its bare name in the current directory, and a file
  // probe that met a folder of the same name has entered it: probe the target's folder again
  // so that it is the last directory change before the compiler starts.
  if (!files_.FolderExists(names.probeFolder)) {
    conversation_.Tell(Report::FolderInaccessible, texts::kFolderInaccessible);
    return Outcome::FolderInaccessible;
  }
  files_.RunAndWait(BuildCompilerCommand(rcExePath, names.folder, temporary.Name(".res"),
                                         temporary.Name(".rc")));
  conversation_.CompilerFinished();
  temporary.Remove(manifestPath);
  temporary.Remove(scriptPath);

  if (!files_.IsPlainFile(compiledPath)) {
    conversation_.Tell(Report::CompileFailed, texts::kCompileFailed);
    return Outcome::CompileFailed;
  }
  // The user said OK to replacing it: read-only, hidden or system do not stop that.
  if (replacing)
    files_.SetNormalAttributes(names.OutputPath());
  files_.RenameOver(compiledPath, names.OutputPath());
  temporary.Release(compiledPath);

  if (options_.writeModule)
    WriteModule(names.ModulePath(), files_, conversation_, !moduleApproved);
  if (!options_.instructions)
    return Outcome::Done;
  const std::string templatePath = options_.templatePath.empty()
                                       ? files_.AppFolder() + kReadmeTemplateName
                                       : options_.templatePath;
  std::string instructions = files_.ReadWholeFile(templatePath);
  instructions = ReplaceAll(instructions, "%resfile%", names.outputName);
  instructions = ReplaceAll(instructions, "%exename%", names.fileName);
  if (!components.empty())
    instructions += texts::ComponentsParagraph(components);
  conversation_.ShowInstructions(instructions);
  return Outcome::Done;
}

} // namespace generation
