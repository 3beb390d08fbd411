#pragma once
// A manifest written into a program that is already built: the PE image's bytes in, new
// bytes out, or a refusal that says why. The resource directory is rebuilt whole, every
// other resource kept byte for byte, and the result is read back before it is returned; or,
// given in pieces that name what it keeps of the old program, by the caller once written.
// The program's layout is kept: the resource section is rebuilt only when it holds nothing
// else the program reads, only the base relocations and debug data move, no size shrinks,
// and below a page every section's address stays its file offset.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Refusal.h"

namespace embed {

struct EmbedOptions {
  /// Data after the last section (an installer's or self-extractor's payload) is copied
  /// after the new end; without this the program is refused.
  bool keepOverlay = false;
  /// An Authenticode signature, which any change breaks, is removed; without this a signed
  /// program is refused.
  bool stripSignature = false;
  /// The new program comes as pieces (EmbedResult::pieces), not as bytes: what it keeps of
  /// the old one is never copied in memory, and the caller reads it back once written
  /// (EmbedResult::check).
  bool inPieces = false;
};

/// Why a program is left as it was. The facts each code carries are listed with it, in order,
/// as the words show them: sizes and counts in decimal, offsets and alignments in hex.
enum class Refused {
  Unreadable,         ///< {why the PE reader stopped}
  NotForWindows,      ///< {subsystem}: a subsystem other than Windows GUI (2) or console (3)
  NsisInstaller,      ///< its CRC covers the program
  DotNet,             ///< a .NET program
  UpxPacked,          ///< its stub keeps a copy of the resources
  PetitePacked,       ///< its stub stops once the file changed
  NoAlignment,        ///< {file alignment, section alignment}
  NoResourceEntry,    ///< its data directories end before the resources'
  HeadersPastEnd,     ///< SizeOfHeaders runs past the file
  SectionsOverlap,    ///< {section}: not in address order, or overlapping the one before
  SectionPastEnd,     ///< {section}
  FlatMoved,          ///< {section alignment, file alignment}: below a page, addresses not offsets
  DebugInHeaders,     ///< the debug directory lies in the headers
  CertificateDamaged, ///< {offset, size}: a certificate entry that is no signature
  DataAfterSignature, ///< removing the signature would lose data
  Signed,             ///< an Authenticode signature: lifted by StripSignature
  Overlay,            ///< {size}: data after the last section: lifted by KeepOverlay
  ResourcesInNoSection,
  TooManyEntries,   ///< {entries, the most read}
  TooManyTypes,     ///< more than 65535 in one directory table
  TooManyNames,     ///< of one type
  TooManyLanguages, ///< of one resource
  ResourcesOver2GB,
  ImageOver4GB,
  /// The resource section can be neither rebuilt nor grown, and a new one would be one too
  /// many: {its name, what else it holds or "", why it cannot grow or "", the sections' count}.
  TooManySections,
  /// The same, with no room in the section table for another: {name, holds, why not grown}.
  NoSectionSlot,
  HeadersPointIntoResources, ///< into the addresses the resources would take
  DebugPointsIntoResources,  ///< into the bytes the resources would take
  InternalFault,             ///< {what did not read back}: the writer's own fault
  OutOfMemory,
};

using Refusal = base::Refusal<Refused>;

/// Where the new resource directory went.
enum class Placement {
  None,       ///< refused, or nothing to write
  InPlace,    ///< the resource section's own bytes
  GrownLast,  ///< the resource section, the last one, grew
  MovedReloc, ///< the resource section grew and the base relocations or debug data after it moved
  NewSection, ///< a section added at the end; the old resource section stays as it was
};

/// A stretch of the new program that holds the old one's bytes unchanged: a writer may copy
/// it from the old file, file to file.
struct Kept {
  std::uint64_t from; ///< where it lies in the old program
  std::uint64_t to;   ///< and in the new
  std::uint64_t size;
};

/// A stretch of the new program, which its pieces make one after another.
struct Piece {
  enum class Source { Old, Own, Zeros };
  Source source = Source::Zeros;
  std::uint64_t from = 0; ///< in the old program, or in EmbedResult::own
  std::uint64_t to = 0;   ///< in the new
  std::uint64_t size = 0;
};

struct EmbedResult {
  enum class Outcome { Embedded, Unchanged, Refused };
  Outcome outcome = Outcome::Refused;
  /// The new program, or the old one when unchanged; empty when refused or in pieces.
  std::string bytes;
  std::vector<Piece> pieces; ///< the new program, unless refused
  std::string own;           ///< the bytes that pieces of the writer's own hold
  /// In pieces: why the new program as written does not read back as it was placed; empty
  /// when it does.
  std::function<std::string(std::string_view written)> check;
  /// Why, when refused. A setting is named as lifting it only when, as far as the writer can
  /// tell, the program would be embedded with it; a signature is named before an overlay.
  Refusal refusal;
  Placement placement = Placement::None;
  bool checksumUpdated = false;
  std::vector<std::string> report; ///< what was done, a line each
  std::vector<Kept> kept;          ///< when embedded: in the new program's order

  /// The new program as views of program (the old one), of own and of zeros, in order.
  std::vector<std::string_view> Views(std::string_view program) const;
};

/// RT_MANIFEST resource 1 of a program, 2 of a library (.dll, .ocx): what the loader reads.
inline constexpr std::uint16_t kProgramManifestId = 1;
inline constexpr std::uint16_t kLibraryManifestId = 2;
/// The language of a manifest added where none was, unless every other resource is
/// language-neutral (then neutral too): English (United States), the language rc and the
/// linkers give a manifest they embed.
inline constexpr std::uint16_t kDefaultManifestLanguage = 1033;

/// program with manifest as its manifest resource, replacing the one of the same ID.
EmbedResult EmbedManifest(std::string_view program, const std::string& manifestUtf8,
                          const EmbedOptions& options = EmbedOptions());

/// The optional header's CheckSum of image, whose own field lies at checksumOffset: the
/// 16-bit one's-complement sum of the file with that field as zero, plus the file's length.
std::uint32_t PeChecksum(std::string_view image, std::uint64_t checksumOffset);

/// "in place", "grown", ... for reports.
const char* PlacementName(Placement placement);

} // namespace embed
