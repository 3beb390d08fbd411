#pragma once
// Why a project is not set up: the plan's refusals, what stands in the way of carrying it
// out, and what failed while it was carried out. Worded by project::texts::Words.

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/Refusal.h"

namespace project {

/// Each code's facts, in order, follow it.
enum class Problem {
  // Found by the plan.
  CannotRead,                 ///< path, why (the system's reason, or what is there instead)
  LineEnds,                   ///< project, the line end in words ("LF")
  NotStandardExe,             ///< project, its kind
  RepeatedKey,                ///< project, key
  ControlCharacterInName,     ///< project, line, key, the name as path::Visible shows it
  NoResFile,                  ///< project, the name it gives, what is there instead ("link",
                              ///< "folder", "device", "" for nothing), the code page the name
                              ///< was looked for in too ("" for none)
  NotResFile,                 ///< path, the reader's reason
  StartupNotAForm,            ///< project, the startup it names
  NoStartupForm,              ///< project
  SubMainNotStarted,          ///< module, the startup it names
  NoSubMain,                  ///< project
  ModuleInTheWay,             ///< path
  ListedModuleWithoutSubMain, ///< module
  SubMainOnItsHeaderLine,     ///< module, line
  FormNotShown,               ///< module, form
  VersionDeclined,            ///< project, version
  ManifestNotMerged,          ///< the .res, then the merge's refusal (Wrapping)
  ResNotMerged,               ///< the .res, then MergeManifest's refusal (Wrapping)
  CompilerNotStarted,         ///< the system's reason
  CompileFailed,              ///< (none)
  CompilerOutputNotRes,       ///< compiler, the reader's reason
  CompilerOutputNoManifest,   ///< compiler
  // Found by MergeManifest.
  ResNotRead,                 ///< the reader's reason
  CompiledResNotRead,         ///< the reader's reason
  CompiledResWithoutManifest, ///< (none)
  // In the way of carrying the plan out (FindObstacle).
  LineBreakInName,       ///< path
  OutsideProject,        ///< path
  LinkInTheWay,          ///< path
  FolderInTheWay,        ///< path
  NotAPlainFileInTheWay, ///< path
  ReadOnly,              ///< path
  FolderNotWritable,     ///< folder, the system's reason
  // Failed while carrying it out (Applied::failure).
  NoBackupName,         ///< path
  AnotherRun,           ///< project, the other run's process id ("0": not known)
  SystemFailure,        ///< the system's reason
  ChangedWhileReplaced, ///< path
};

using Refusal = base::Refusal<Problem>;

/// facts, then inner's code and facts: how a refusal carries the one of a step it took.
template <typename Code>
std::vector<std::string> Wrapping(std::vector<std::string> facts,
                                  const base::Refusal<Code>& inner) {
  facts.push_back(std::to_string(static_cast<int>(inner.code)));
  facts.insert(facts.end(), inner.facts.begin(), inner.facts.end());
  return facts;
}

/// The refusal outer carries from its fact at index on.
template <typename Code> base::Refusal<Code> Wrapped(const Refusal& outer, std::size_t index) {
  const auto code = static_cast<Code>(std::strtol(outer.Fact(index).c_str(), nullptr, 10));
  std::vector<std::string> facts;
  for (std::size_t i = index + 1; i < outer.facts.size(); ++i)
    facts.push_back(outer.facts[i]);
  return base::Refusal<Code>(code, std::move(facts));
}

} // namespace project
