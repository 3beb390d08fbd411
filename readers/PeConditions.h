#pragma once
// What decides whether a built program can take a manifest in its resources: a signature,
// data after its sections, a packer, a .NET header, its checksum and where its resources
// lie. Told by --inspect and obeyed by the PE writer alike.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/PeImage.h"

namespace readers {

/// Where the resource section lies among the sections.
enum class ResourcePlace {
  None,              ///< no resource directory
  Last,              ///< the last section: it can grow
  BeforeDiscardable, ///< only discardable sections (.reloc) follow it
  BeforeOthers,      ///< a section that stays where it is follows it
};

/// An NSIS installer's data after the sections, and whether its stub checks the CRC that
/// covers the whole file from byte 512 on, the sections included.
enum class NsisData { None, Unchecked, Checked };

struct PeConditions {
  std::uint64_t sectionsEnd = 0;     ///< the end of the headers' and sections' bytes
  std::uint32_t signatureOffset = 0; ///< the certificate table's file offset
  std::uint32_t signatureSize = 0;   ///< 0: not signed
  /// The table lies after the sections and inside the file, as a signature's does; a packer
  /// (Upack) leaves other data in the entry.
  bool signatureInFile = false;
  std::uint64_t overlayBytes = 0; ///< bytes after the sections that nothing accounts for
  std::uint64_t overlaySize = 0;  ///< the stretch they lie in: sections' end to signature
  bool upx = false;
  bool petite = false;
  NsisData nsis = NsisData::None;
  bool dotNet = false;
  std::uint32_t storedChecksum = 0;
  std::uint32_t fileChecksum = 0; ///< what the bytes sum to
  std::string resourceSection;    ///< its name; "" without resources
  ResourcePlace resourcePlace = ResourcePlace::None;
  std::string followingSection; ///< the first section after it, when there is one
  /// Bytes after a signature's certificate table: other data than the signature.
  std::uint64_t afterSignature = 0;
};

/// The conditions of pe, read from image, its whole bytes. Never throws for the bytes.
PeConditions ReadConditions(const PeImage& pe, std::string_view image);

/// The end of the headers and of the last section's raw data.
std::uint64_t SectionsEnd(const PeImage& pe);

/// How many bytes of image in [from, to) are neither zero nor the COFF symbols, their
/// strings or debug data, which a writer moves with the end: the overlay.
std::uint64_t UnaccountedBytes(const PeImage& pe, std::string_view image, std::uint64_t from,
                               std::uint64_t to);

/// UPX's sections, whose unpacking stub keeps its own copy of the resources.
bool IsUpxPacked(const PeImage& pe);
/// The NSIS installer's first header in image from offset from on, where its stub looks for
/// it: at a multiple of 512 bytes.
NsisData FindNsisData(std::string_view image, std::uint64_t from);
/// Petite's section, whose unpacking stub stops with "ERROR!" once the file has changed.
bool IsPetitePacked(const PeImage& pe);
/// A CLR header: a .NET assembly.
bool IsDotNet(const PeImage& pe);
/// The Visual Basic 5 or 6 runtime (MSVBVM60.DLL, MSVBVM50.DLL) the program imports, as the
/// import table spells it; "" when it imports neither. Never throws for the bytes.
std::string VisualBasicRuntime(const PeImage& pe);
/// Built by Visual Basic 5 or 6: it imports the runtime. Never throws for the bytes.
bool ImportsVisualBasic(const PeImage& pe, std::string_view image);

/// The optional header's CheckSum of image, whose own field lies at checksumOffset: the
/// 16-bit one's-complement sum of the file with that field as zero, plus the file's length.
std::uint32_t PeChecksum(std::string_view image, std::uint64_t checksumOffset);
/// The same of the image given as parts laid one after another.
std::uint32_t PeChecksum(const std::vector<std::string_view>& parts, std::uint64_t checksumOffset);
/// Where the optional header's CheckSum lies.
inline std::uint64_t ChecksumOffset(const PeHeaders& headers) {
  return headers.optionalOffset + 64;
}

} // namespace readers
