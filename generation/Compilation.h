#pragma once
// The compiler's run over a manifest and a script written under this run's temporary names.

#include <optional>
#include <string>

#include "base/SystemError.h"
#include "generation/Driver.h"
#include "platform/TemporaryFiles.h"

namespace generation {

enum class Compiled {
  Res,        ///< the compiler made the .res
  Nothing,    ///< the compiler made no .res
  NotStarted, ///< the system could not start the compiler
};

struct Compilation {
  Compiled outcome = Compiled::Nothing;
  /// On Res: the .res this run made, still claimed by temporary.
  std::string compiledPath;
  /// On NotStarted: the system's reason.
  std::optional<base::SystemError> notStarted;
};

/// Writes manifestText and a script naming it into temporary's folder, runs the compiler
/// in that folder and removes both files again.
Compilation CompileManifest(platform::FilePort& files, platform::ProcessPort& processes,
                            Conversation& conversation, platform::TemporaryFiles& temporary,
                            const std::string& manifestText, const std::string& rcExePath);

} // namespace generation
