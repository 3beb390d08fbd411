#include "generation/Architecture.h"

#include "base/SystemError.h"

namespace generation {

namespace {

std::uint32_t Little(const std::string& bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

} // namespace

const MachineRow* FindMachine(std::uint16_t machine) {
  for (const MachineRow& row : kMachines)
    if (row.machine == machine)
      return &row;
  return nullptr;
}

std::string ArchitectureOf(std::uint16_t machine) {
  const MachineRow* row = FindMachine(machine);
  return row ? row->architecture : kDefaultArchitecture;
}

std::uint16_t ImageMachine(const RangeReader& read) {
  try {
    // The MS-DOS header ends with the offset of the PE signature, which the machine follows.
    const std::string dos = read(0, 0x40);
    if (dos.size() < 0x40 || dos.compare(0, 2, "MZ") != 0)
      return 0;
    const std::string pe = read(Little(dos, 0x3C, 4), 6);
    if (pe.size() < 6 || pe.compare(0, 4, std::string("PE\0\0", 4)) != 0)
      return 0;
    return static_cast<std::uint16_t>(Little(pe, 4, 2));
  } catch (const SystemError&) {
    return 0;
  }
}

} // namespace generation
