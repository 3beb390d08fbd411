#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

void RunAndWait(const std::string& commandLine) { platform::RunHiddenAndWait(commandLine); }

void RunAndWaitShowingOutput(const std::string& commandLine) {
  platform::RunHiddenAndWait(commandLine, "", true);
}

std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        WindowHandle ownerWindow, const std::string& parameters,
                        const std::string& operation) {
  return platform::ShellOpen(file, directory, ownerWindow, parameters, operation);
}

} // namespace brask
