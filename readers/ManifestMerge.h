#pragma once
// A manifest a program, a file beside it or a project's .res already carries, merged with
// the one this tool builds, as Microsoft's manifest tool merges: everything the old one says
// stays, unless an option the user gave says the same thing otherwise; Common Controls 6 is
// added once.

#include <optional>
#include <string>
#include <vector>

#include "base/Refusal.h"

namespace readers {

/// Why an old manifest cannot be merged; worded by readers::texts::Words. The facts each
/// code carries follow it.
enum class MergeProblem {
  NotWellFormed, ///< the XML reader's reason
  NotAnAssembly, ///< (none): its root is not <assembly> of the assembly namespace
  TooLarge,      ///< its size, the most that is read, in bytes
  OutOfMemory,   ///< (none)
};
using MergeRefusal = base::Refusal<MergeProblem>;

/// One element the merge changed: "requestedExecutionLevel level", "requireAdministrator",
/// "asInvoker"; "none" for what was not there.
struct ManifestChange {
  std::string element;
  std::string before;
  std::string after;
};

/// Whether the user gave the program's version and description. The window always does;
/// the batch only with --version-info and --description. Without, the old manifest's stay.
struct IdentityGiven {
  bool version = true;
  bool description = true;
};

struct MergedManifest {
  /// Why the old manifest cannot be merged; unset when merged. Nothing else is set then.
  std::optional<MergeRefusal> refusal;
  /// UTF-8 with CR LF line ends; the old bytes as they were when nothing changes.
  std::string text;
  std::vector<ManifestChange> changes; ///< in the document's order of the new manifest
};

/// old (untrusted bytes: UTF-8, or UTF-16 with a byte order mark) with ours (a text
/// generation::BuildManifestText made) merged in. Without an old one, ours as it is.
MergedManifest MergeManifests(const std::optional<std::string>& old, const std::string& ours,
                              IdentityGiven given = {});

/// The line a report shows for a change.
std::string DescribeChange(const ManifestChange& change);

} // namespace readers
