#pragma once
// A Visual Basic project's resource file, and our manifest merged into it. A project names
// one .res (ResFile32= in the .vbp), and most already have one with their icons, strings
// and version block, so the manifest goes in beside what is there rather than replacing it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "project/Refusal.h"
#include "readers/PeImage.h"

namespace project {

/// One entry of a 32-bit .res, after the empty entry every such file starts with.
struct ResEntry {
  readers::ResourceKey type;
  readers::ResourceKey name;
  std::uint16_t language = 0;
  std::size_t offset = 0; ///< where its header starts
  std::size_t size = 0;   ///< header, data and padding: up to the next entry or the end
  std::size_t dataAt = 0, dataSize = 0;
};

struct ResFile {
  std::vector<ResEntry> entries;      ///< in the file's order; empty when refused
  std::optional<std::string> refusal; ///< why the bytes are not a 32-bit .res; unset when read
};

/// Reads the entries of untrusted bytes; every size and offset is checked against the end.
ResFile ReadResFile(const std::string& bytes);

/// The manifest a program built with the file carries (RT_MANIFEST ID 1, its first
/// language), unset when there is none.
std::optional<std::string> ManifestIn(const std::string& bytes, const ResFile& file);

enum class MergeOutcome { Refused, Replaced, Appended, Unchanged };

struct MergeResult {
  MergeOutcome outcome = MergeOutcome::Refused;
  std::string bytes;              ///< the merged file; the existing bytes when Unchanged
  std::optional<Refusal> refusal; ///< why nothing can be merged, when Refused
};

/// existing with the manifest entries of ours (the .res our compiler made) merged in. Every
/// entry of existing keeps its bytes and its place, except a manifest of a name ours also
/// carries (ID 1, in whatever language): ours takes the place of the first such entry and
/// the others go, since Windows would pick one of them by language. Without one, ours comes
/// last. Bad input of either file is a refusal, never an exception.
MergeResult MergeManifest(const std::string& existing, const std::string& ours);

} // namespace project
