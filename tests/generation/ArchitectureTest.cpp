// The architecture a manifest names, from the target's PE header: the one table both ways,
// and every file that is no PE image keeping X86.
#include <gtest/gtest.h>

#include "base/SystemError.h"
#include "generation/Architecture.h"

namespace {

void PutLittle(std::string& bytes, std::size_t at, std::uint32_t value, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

/// An MS-DOS header pointing at signature, then machine, as a linker lays them out.
std::string Headers(std::uint16_t machine, const std::string& signature = std::string("PE\0\0", 4),
                    std::uint32_t at = 0x80) {
  std::string bytes(at, '\0');
  bytes.replace(0, 2, "MZ");
  PutLittle(bytes, 0x3C, at, 4);
  bytes += signature;
  bytes += std::string(20, '\0');
  PutLittle(bytes, at + 4, machine, 2);
  return bytes;
}

generation::RangeReader ReaderOf(const std::string& bytes) {
  return [bytes](std::uint64_t offset, std::size_t count) {
    return offset < bytes.size() ? bytes.substr(offset, count) : std::string();
  };
}

} // namespace

TEST(ArchitectureTest, TheTargetsMachineNamesTheArchitecture) {
  struct Row {
    const char* name;
    std::string bytes;
    std::uint16_t machine;
    const char* architecture;
  };
  const Row rows[] = {
      {"i386", Headers(0x14C), 0x14C, "X86"},
      {"x64", Headers(0x8664), 0x8664, "amd64"},
      {"ARM64", Headers(0xAA64), 0xAA64, "arm64"},
      {"x64 with its header far out", Headers(0x8664, std::string("PE\0\0", 4), 0x1000), 0x8664,
       "amd64"},
      // A machine no manifest names keeps what Visual Basic's programs get.
      {"ARM32", Headers(0x1C4), 0x1C4, "X86"},
      {"empty, not built yet", "", 0, "X86"},
      {"a project file", "Type=Exe\r\nForm=frmMain.frm\r\n", 0, "X86"},
      {"MZ alone", "MZ", 0, "X86"},
      {"an MS-DOS program", Headers(0x14C, "NE\0\0"), 0, "X86"},
      {"the signature past the end", Headers(0x8664).substr(0, 0x82), 0, "X86"},
      {"the machine cut off", Headers(0x8664).substr(0, 0x85), 0, "X86"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::uint16_t machine = generation::ImageMachine(ReaderOf(row.bytes));
    EXPECT_EQ(machine, row.machine);
    EXPECT_EQ(generation::ArchitectureOf(machine), row.architecture);
  }
}

TEST(ArchitectureTest, AFileThatCannotBeReadKeepsX86) {
  const std::uint16_t machine =
      generation::ImageMachine([](std::uint64_t, std::size_t) -> std::string {
        throw base::SystemError("Open", "C:\\App.exe", 5, "Access is denied.");
      });
  EXPECT_EQ(machine, 0);
  EXPECT_EQ(generation::ArchitectureOf(machine), "X86");
}
