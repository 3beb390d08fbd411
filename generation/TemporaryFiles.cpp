#include "generation/TemporaryFiles.h"

#include "generation/ResourceScript.h"
#include "platform/Stopping.h"

namespace generation {

// A run that was killed could not remove its temporary files; the process id in their
// names tells that nobody is using them any more.
void RemoveStaleTemporaryFiles(FileOperations& files, const std::string& folder) {
  const unsigned long self = files.ProcessId();
  for (const std::string& name : files.FolderEntries(folder)) {
    const unsigned long owner = platform::TemporaryOwner(name);
    if (owner == 0 || owner == self || files.ProcessRunning(owner))
      continue;
    const std::string path = folder + name;
    try {
      if (files.IsPlainFile(path))
        files.RemoveFile(path);
    } catch (const base::SystemError&) {
      // Left for a later run; it is in nobody's way.
    }
  }
}

Compilation CompileManifest(FileOperations& files, Conversation& conversation,
                            TemporaryFiles& temporary, const std::string& manifestText,
                            const std::string& rcExePath) {
  Compilation result;
  const std::string manifestPath = temporary.CreateScratch(".manifest", manifestText);
  const std::string scriptPath =
      temporary.CreateScratch(".rc", BuildResourceScript(temporary.Name(".manifest")));
  result.compiledPath = temporary.Claim(".res");
  // The compiler finds the manifest by its bare name in the folder it runs in.
  try {
    files.RunAndWait(BuildCompilerCommand(rcExePath, temporary.Folder(), temporary.Name(".res"),
                                          temporary.Name(".rc")),
                     temporary.Folder());
  } catch (const base::SystemError& error) {
    result.notStarted = error;
  }
  conversation.CompilerFinished();
  temporary.Remove(manifestPath);
  temporary.Remove(scriptPath);
  result.outcome = result.notStarted                        ? Compiled::NotStarted
                   : files.IsPlainFile(result.compiledPath) ? Compiled::Res
                                                            : Compiled::Nothing;
  return result;
}

} // namespace generation
