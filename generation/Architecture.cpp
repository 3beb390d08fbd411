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

ImageStart ReadImageStart(const RangeReader& read) {
  ImageStart start;
  auto shortFile = [&start](const char* part, std::uint64_t offset, std::uint64_t size) {
    start.fault = ImageStart::Fault::shortFile;
    start.part = part;
    start.partOffset = offset;
    start.partSize = size;
    return start;
  };
  // The MS-DOS header ends with the offset of the PE signature, which the machine follows.
  const std::string dos = read(0, 0x40);
  if (dos.size() < 2 || dos.compare(0, 2, "MZ") != 0) {
    start.fault = ImageStart::Fault::noMz;
    return start;
  }
  if (dos.size() < 0x40)
    return shortFile("the MZ header", 0x3C, 4);
  start.signatureOffset = Little(dos, 0x3C, 4);
  const std::string pe = read(start.signatureOffset, 6);
  if (pe.size() < 4)
    return shortFile("the PE signature", start.signatureOffset, 4);
  if (pe.compare(0, 4, std::string("PE\0\0", 4)) != 0) {
    start.fault = ImageStart::Fault::noSignature;
    return start;
  }
  if (pe.size() < 6)
    return shortFile("the COFF header", std::uint64_t{start.signatureOffset} + 4, 2);
  start.machine = static_cast<std::uint16_t>(Little(pe, 4, 2));
  return start;
}

std::uint16_t ImageMachine(const RangeReader& read) {
  try {
    const ImageStart start = ReadImageStart(read);
    return start.fault == ImageStart::Fault::none ? start.machine : 0;
  } catch (const base::SystemError&) {
    return 0;
  }
}

} // namespace generation
