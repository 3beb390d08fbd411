#pragma once
// A look at what a program already carries: its embedded or external manifest, read and
// told in words, for `themefold-batch --inspect` and the options window.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Refusal.h"
#include "platform/Ports.h"
#include "readers/ManifestReader.h"
#include "readers/PeConditions.h"
#include "readers/Source.h"
#include "readers/VbProgram.h"

namespace readers {

enum class ProgramState {
  Manifest,   ///< the program carries a manifest, embedded or beside it
  NoManifest, ///< a PE file without one
  Unreadable, ///< not a PE file, or not readable at all
};

/// Why a program cannot be read; worded by readers::texts::Words. Each code carries one fact,
/// the reason of the layer that found it.
enum class InspectionProblem {
  NotOpened,   ///< the system's reason
  NotPe,       ///< the PE reader's reason
  OutOfMemory, ///< (none)
};
using InspectionRefusal = base::Refusal<InspectionProblem>;

struct Inspection {
  ProgramState state = ProgramState::Unreadable;
  std::string fileName;                     ///< the program's name without its folder
  std::optional<InspectionRefusal> problem; ///< why it is Unreadable
  std::uint16_t machine = 0;
  bool pe32Plus = false;
  bool dll = false;
  std::string source;    ///< where the manifest read comes from, in words
  bool external = false; ///< the manifest read is the file beside the program
  std::size_t manifestSize = 0;
  /// The embedded manifests besides the one read: "ID 1, language 1033".
  std::vector<std::string> otherManifests;
  ManifestFacts facts;
  /// Signature, overlay, packer, .NET, checksum and the resources' place; none when the
  /// image is too large to read whole.
  std::optional<PeConditions> conditions;
  /// What Visual Basic recorded, when it built the program and its tables could be read.
  std::optional<VbProgram> visualBasic;
  std::vector<std::string> warnings; ///< the manifest's own, then the program's
  std::vector<std::string> notes;    ///< what surprises, though nothing is wrong
};

/// The program in image, named fileName, with the text of an external manifest beside it
/// when there is one. Reads the headers, the resource directory and a manifest of at most
/// kMaxManifestBytes. Never throws for anything in the bytes.
Inspection InspectImage(const std::string& fileName, const Source& image,
                        const std::optional<std::string>& externalManifest);
Inspection InspectImage(const std::string& fileName, const std::string& image,
                        const std::optional<std::string>& externalManifest);

/// Reads path by ranges and path + ".manifest" whole, and inspects them, and the component
/// files the manifest lists beside the program.
Inspection InspectProgram(const std::string& path,
                          platform::FilePort& files = platform::TheSystemFiles());

/// The full report, one fact a line, each line ending in '\n'.
std::string ReportText(const Inspection& inspection);

/// One paragraph for a window: "App.exe carries a manifest now: visual styles on, ..."
std::string Summary(const Inspection& inspection);

/// Summary(InspectProgram(exePath)).
std::string DescribeProgram(const std::string& exePath,
                            platform::FilePort& files = platform::TheSystemFiles());

} // namespace readers
