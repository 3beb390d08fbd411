#include "generation/Driver.h"

#include <vector>

#include "base/CodePages.h"
#include "base/Path.h"
#include "generation/Architecture.h"
#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "generation/Placeholders.h"
#include "generation/ResourceScript.h"
#include "generation/Compilation.h"
#include "platform/TemporaryFiles.h"

namespace generation {

std::string TargetArchitecture(platform::FilePort& files, const std::string& path) {
  // A program not built yet is the usual case: asked, not read, so nothing throws. (What
  // is neither a file nor a link could not be read either.)
  if (!files.IsLink(path) && !files.IsPlainFile(path))
    return ArchitectureOf(0);
  return ArchitectureOf(ImageMachine([&](std::uint64_t offset, std::size_t count) {
    return files.ReadRange(path, offset, count);
  }));
}

bool WriteModule(const std::string& path, platform::FileOperations& files,
                 Conversation& conversation, bool ask) {
  try {
    if (files.FileExists(path)) {
      if (ask && !conversation.Ask(Question::OverwriteModule, texts::OverwriteModule(path)))
        return true;
      files.SetNormalAttributes(path);
    }
    platform::TemporaryFiles temporary(files,
                                       path::Folder(path, path::StyleOf(files.PathSeparator())));
    const std::string written = temporary.Create(".bas", kModuleText);
    files.RenameOver(written, path);
    temporary.Release(written);
    return true;
  } catch (const base::SystemError& error) {
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
  } catch (const base::SystemError& error) {
    conversation_.Tell(Report::FileOperationFailed, texts::FileOperationFailed(error));
    return Outcome::FileOperationFailed;
  }
}

Outcome Driver::Generate(const Inputs& inputs, const std::string& rcExePath,
                         const ManifestSettings& manifest,
                         const std::vector<ComponentFacts>& components) {
  const OutputNames names = DeriveOutputNames(inputs.targetPath, files_.PathSeparator());
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
  platform::RemoveStaleTemporaryFiles(files_, names.folder);

  // Every file of the compiler's run has a name of this run's own: a file of the user's
  // called App.exe.manifest or App_manifest.rc is never touched, and the old .res stays
  // until a new one is complete. The compiler writes into a name nobody has, so a file found
  // there afterwards is its work.
  platform::TemporaryFiles temporary(files_, names.folder);
  // A program's values come from the command line or the window: the system's own text.
  const auto utf8 = [&](const std::string& text) {
    return files_.AnsiToUtf8(text, codepages::kDefault);
  };
  const std::string manifestText =
      BuildManifestText(utf8(inputs.version), utf8(names.fileName), utf8(inputs.description),
                        TargetArchitecture(files_, inputs.targetPath), manifest, components);
  const Compilation compiled =
      CompileManifest(files_, files_, conversation_, temporary, manifestText, rcExePath);
  const std::string& compiledPath = compiled.compiledPath;
  switch (compiled.outcome) {
  case Compiled::Nothing:
    conversation_.Tell(Report::CompileFailed, texts::kCompileFailed);
    return Outcome::CompileFailed;
  case Compiled::NotStarted:
    conversation_.Tell(Report::CompileFailed, texts::CompilerNotStarted(*compiled.notStarted));
    return Outcome::CompileFailed;
  case Compiled::Res:
    break;
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
