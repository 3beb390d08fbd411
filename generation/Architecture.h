#pragma once
// A program's machine, as its PE header gives it, and the processorArchitecture a manifest
// names it by. Windows loads a manifest only when both agree, and a library in process only
// into a program of its own machine.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace generation {

inline constexpr std::uint16_t kMachineI386 = 0x14C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kMachineArm64 = 0xAA64;
inline constexpr std::uint16_t kMachineIa64 = 0x200;

struct MachineRow {
  std::uint16_t machine;
  const char* name;         ///< as people call it
  const char* architecture; ///< as a manifest spells it; Windows ignores the case
};
inline constexpr MachineRow kMachines[] = {
    {kMachineI386, "x86", "X86"},
    {kMachineAmd64, "x64", "amd64"},
    {kMachineArm64, "ARM64", "arm64"},
    {kMachineIa64, "Itanium", "ia64"},
};

/// What a program that cannot be read as a PE image gets: Visual Basic makes 32-bit ones.
inline constexpr const char* kDefaultArchitecture = "X86";

/// The row of machine; null for a machine no manifest names.
const MachineRow* FindMachine(std::uint16_t machine);

/// The processorArchitecture of a program of machine; kDefaultArchitecture for any other.
std::string ArchitectureOf(std::uint16_t machine);

/// count bytes of a file from offset, fewer where it ends; throws SystemError.
using RangeReader = std::function<std::string(std::uint64_t offset, std::size_t count)>;

/// What a PE image's first bytes say: where its signature lies and the machine after it.
struct ImageStart {
  enum class Fault {
    none,
    noMz,        ///< no "MZ" first: not a program or library
    noSignature, ///< no "PE\0\0" where the MS-DOS header points: an MS-DOS program
    shortFile,   ///< the file ends inside part
  };
  Fault fault = Fault::none;
  const char* part = ""; ///< with shortFile: the header the file ends in, and where it lies
  std::uint64_t partOffset = 0;
  std::uint64_t partSize = 0;
  std::uint32_t signatureOffset = 0;
  std::uint16_t machine = 0;
};

/// The start of a PE image, read through read. Throws what read throws.
ImageStart ReadImageStart(const RangeReader& read);

/// The machine field of a PE image's file header, read through read; 0 when the file
/// cannot be read or is no PE image (empty, an MS-DOS program, anything else).
std::uint16_t ImageMachine(const RangeReader& read);

} // namespace generation
