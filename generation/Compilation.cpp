#include "generation/Compilation.h"

#include "generation/ResourceScript.h"

namespace generation {

Compilation CompileManifest(platform::FilePort& files, platform::ProcessPort& processes,
                            Conversation& conversation, platform::TemporaryFiles& temporary,
                            const std::string& manifestText, const std::string& rcExePath) {
  Compilation result;
  const std::string manifestPath = temporary.CreateScratch(".manifest", manifestText);
  const std::string scriptPath =
      temporary.CreateScratch(".rc", BuildResourceScript(temporary.Name(".manifest")));
  result.compiledPath = temporary.Claim(".res");
  // The compiler finds the manifest by its bare name in the folder it runs in.
  try {
    processes.RunAndWait(BuildCompilerCommand(rcExePath, temporary.Folder(), temporary.Name(".res"),
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
