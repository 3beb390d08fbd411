#include "generation/Driver.h"

#include <vector>

#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/Placeholders.h"
#include "generation/ResourceScript.h"

namespace generation {

namespace {

void RemoveIfFile(FileOperations& files, const std::string& path) {
  if (files.FileExists(path)) {
    files.SetNormalAttributes(path);
    files.RemoveFile(path);
  }
}

// Temporary files this run wrote. When a later step fails they go again, but never a
// file the run did not write itself.
class TemporaryFiles {
public:
  explicit TemporaryFiles(FileOperations& files) : files_(files) {}
  ~TemporaryFiles() {
    for (const std::string& path : written_) {
      try {
        RemoveIfFile(files_, path);
      } catch (const SystemError&) {
        // The error that stopped the run is the one to report.
      }
    }
  }
  void Write(const std::string& path, const std::string& text) {
    // Recorded first: a write that fails halfway may leave a partial file.
    written_.push_back(path);
    files_.WriteTextFile(path, text);
  }
  /// The regular clean-up after the compiler; errors here are reported.
  void RemoveAll() {
    for (const std::string& path : written_)
      RemoveIfFile(files_, path);
    written_.clear();
  }

private:
  FileOperations& files_;
  std::vector<std::string> written_;
};

} // namespace

bool IsManifestVersion(const std::string& version) {
  int parts = 0;
  std::string::size_type i = 0;
  for (;;) {
    long value = 0;
    std::string::size_type digits = 0;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
      value = value * 10 + (version[i] - '0');
      if (value > 65535)
        return false;
      ++i;
      ++digits;
    }
    if (digits == 0)
      return false;
    ++parts;
    if (i == version.size())
      return parts == 4;
    if (version[i] != '.' || parts == 4)
      return false;
    ++i;
  }
}

bool WriteModule(const std::string& path, FileOperations& files, Conversation& conversation,
                 bool ask) {
  try {
    if (files.FileExists(path)) {
      if (ask && !conversation.Ask(Question::OverwriteModule, texts::OverwriteModule(path)))
        return true;
      files.SetNormalAttributes(path);
      files.RemoveFile(path);
    }
    files.WriteTextFile(path, kModuleText);
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

  if (files_.FileExists(names.OutputPath())) {
    if (!conversation_.Ask(Question::OverwriteOutput, texts::OverwriteOutput(names.outputName)))
      return Outcome::OverwriteDeclined;
    files_.SetNormalAttributes(names.OutputPath());
    files_.RemoveFile(names.OutputPath());
  }
  // Asked up front, the module question is not asked a second time after the compiler.
  bool moduleApproved = false;
  if (options_.writeModule && options_.moduleQuestionFirst &&
      files_.FileExists(names.ModulePath())) {
    if (!conversation_.Ask(Question::OverwriteModule, texts::OverwriteModule(names.ModulePath())))
      return Outcome::OverwriteDeclined;
    moduleApproved = true;
  }
  // Removing the old output is what makes the existence test after the compiler mean
  // "made by this run".
  RemoveIfFile(files_, names.ManifestPath());
  RemoveIfFile(files_, names.ScriptPath());

  const std::string script = BuildResourceScript(names.manifestName);
  const std::string manifestText =
      BuildManifestText(files_.AnsiToUtf8(inputs.version), files_.AnsiToUtf8(names.fileName),
                        files_.AnsiToUtf8(inputs.description), "X86", manifest, components);

  TemporaryFiles temporary(files_);
  temporary.Write(names.ManifestPath(), manifestText);
  temporary.Write(names.ScriptPath(), script);
  // The compiler finds the manifest by its bare name in the current directory, and a file
  // probe that met a folder of the same name has entered it: probe the target's folder again
  // so that it is the last directory change before the compiler starts.
  if (!files_.FolderExists(names.probeFolder)) {
    conversation_.Tell(Report::FolderInaccessible, texts::kFolderInaccessible);
    return Outcome::FolderInaccessible;
  }
  files_.RunAndWait(
      BuildCompilerCommand(rcExePath, names.folder, names.outputName, names.scriptName));
  conversation_.CompilerFinished();
  temporary.RemoveAll();

  if (!files_.FileExists(names.OutputPath())) {
    conversation_.Tell(Report::CompileFailed, texts::kCompileFailed);
    return Outcome::CompileFailed;
  }
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
