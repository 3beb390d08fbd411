// Files no reader should trust: FIFOs that would block a read for good, links that loop,
// and sparse files of gigabytes that cost no disk. Each ends in a message naming the file,
// read in bounded memory. POSIX only: Windows has no FIFOs or such links to make here.
#include "support/TestSupport.h"

#ifndef _WIN32

#include <sys/stat.h>

#include <functional>

#include "readers/ComponentReader.h"
#include "support/PeBuilder.h"
#include "readers/Inspection.h"
#include "readers/TypeLib.h"
#include "platform/Platform.h"
#include "platform/BraskModule.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kFiveGiB = 5ull << 30;

const char* const kManifest =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
    "<assemblyIdentity name=\"A\" version=\"1.0.0.0\" type=\"win32\"/></assembly>";

class HostileFilesTest : public testsupport::TempDirTest {
protected:
  void Fifo(const std::string& name) { ASSERT_EQ(::mkfifo(Path(name).c_str(), 0600), 0); }
  void Loop(const std::string& name) { fs::create_symlink(fs::path(name).filename(), dir_ / name); }
  void Sparse(const std::string& name, const std::string& start, std::uintmax_t size) {
    testsupport::WriteBytes(dir_ / name, start);
    fs::resize_file(dir_ / name, size);
  }
  std::string Program(const std::string& manifest) {
    return testsupport::BuildPe(
               readers::kMachineI386, false,
               {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), manifest}})
        .image;
  }
};

/// What each reader says: the message of the error it throws, or its report.
std::string Outcome(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const readers::FormatError& error) {
    return error.what();
  } catch (const base::SystemError& error) {
    return error.what();
  }
}

} // namespace

TEST_F(HostileFilesTest, EachReaderRefusesWhatItCannotReadWithTheFilesName) {
  Fifo("fifo.exe");
  Fifo("fifo.ocx");
  Fifo("fifo.vbp");
  Fifo("readme.txt");
  Loop("loop.ocx");
  Sparse("huge.tlb", "MSFT", kFiveGiB);
  Sparse("huge.vbp", "Type=Exe\r\n", kFiveGiB);
  Sparse("huge.txt", "Add %resfile%", kFiveGiB);
  fs::create_directories(dir_ / "side");
  testsupport::WriteBytes(dir_ / "side" / "App.exe",
                          testsupport::BuildPe(readers::kMachineI386, false, {}).image);
  Fifo("side/App.exe.manifest");
  fs::create_directories(dir_ / "bigside");
  testsupport::WriteBytes(dir_ / "bigside" / "App.exe",
                          testsupport::BuildPe(readers::kMachineI386, false, {}).image);
  Sparse("bigside/App.exe.manifest", kManifest, kFiveGiB);
  fs::create_directories(dir_ / "project");
  Fifo("project/fifo.ocx");
  Loop("project/loop.ocx");
  testsupport::WriteBytes(dir_ / "project" / "App.vbp",
                          "Object={6B1F3C2E-8D4A-4E57-9A51-2F0C7E1D3A10}#1.0#0; loop.ocx\r\n"
                          "Object={6B1F3C2E-8D4A-4E57-9A51-2F0C7E1D3A11}#1.0#0; fifo.ocx\r\n");

  const std::string d = Path();
  auto inspect = [](const std::string& path) {
    return [path] { return readers::ReportText(readers::InspectProgram(path)); };
  };
  auto component = [d](const std::string& path) {
    return [path, d] {
      readers::ReadComponents({path}, d, '/', nullptr);
      return std::string("(read)");
    };
  };
  auto project = [d](const std::string& path) {
    return [path, d] {
      std::vector<std::string> notes;
      readers::ReadComponents(readers::ProjectComponentPaths(path, '/', notes), d, '/', nullptr);
      return std::string("(read)");
    };
  };
  struct Row {
    const char* what;
    std::function<std::string()> read;
    std::string outcome;
  };
  const Row rows[] = {
      {"--inspect of a FIFO", inspect(d + "fifo.exe"),
       "fifo.exe: cannot be read as a PE file: not a regular file\n"},
      {"a FIFO beside the program", inspect(d + "side/App.exe"),
       "App.exe: PE32 program, machine x86\nManifest: none\nWarning: App.exe.manifest stands "
       "beside it but cannot be read: not a regular file.\n"},
      {"a manifest of 5 GiB beside the program", inspect(d + "bigside/App.exe"),
       "App.exe: PE32 program, machine x86\nManifest: none\nWarning: App.exe.manifest stands "
       "beside it but cannot be read: file is 5368709120 bytes; at most 1048576 are read.\n"},
      {"--com of a FIFO", component(d + "fifo.ocx"), d + "fifo.ocx: not a regular file"},
      {"--com of a link in a loop", component(d + "loop.ocx"),
       d + "loop.ocx: Too many levels of symbolic links"},
      {"--com of a type library of 5 GiB", component(d + "huge.tlb"),
       d + "huge.tlb: the type library is 5368709120 bytes; at most 16777216 are read"},
      {"--vbp of a FIFO", project(d + "fifo.vbp"), d + "fifo.vbp: not a regular file"},
      {"--vbp of 5 GiB", project(d + "huge.vbp"),
       d + "huge.vbp: file is 5368709120 bytes; at most 16777216 are read"},
      {"a component in a link loop", project(d + "project/App.vbp"),
       d + "project/loop.ocx: Too many levels of symbolic links"},
      {"--readme of a FIFO", [d] { return brask::ReadWholeFile(d + "readme.txt"); },
       "Open \"" + d + "readme.txt\": not a regular file (22)"},
      {"--readme of 5 GiB", [d] { return brask::ReadWholeFile(d + "huge.txt"); },
       "Read \"" + d + "huge.txt\": file is 5368709120 bytes; at most 1048576 are read (27)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Outcome(row.read), row.outcome);
  }
}

// A program of 5 GiB is read by ranges: its manifest is found at the start, and one whose
// directory gives it 4 GiB less a page is reported as too large instead of being read.
TEST_F(HostileFilesTest, LargeProgramsAreReadByRanges) {
  Sparse("Large.exe", Program(kManifest), kFiveGiB);
  const readers::Inspection large = readers::InspectProgram(Path("Large.exe"));
  EXPECT_EQ(large.state, readers::ProgramState::Manifest);
  EXPECT_EQ(large.facts.name, "A");

  testsupport::BuiltPe built = testsupport::BuildPe(
      readers::kMachineI386, false,
      {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(1), kManifest}});
  const readers::PeImage pe(built.image);
  const std::size_t data = static_cast<std::size_t>(pe.Resources()[0].offset);
  const std::size_t section = built.optionalOffset + 0xE0;
  const std::uint32_t size = 0xFFFFF000u - static_cast<std::uint32_t>(data);
  testsupport::PutU32(built.image, data - 12, size);           // the data entry's size
  testsupport::PutU32(built.image, section + 8, 0xFFFFF000u);  // virtual size
  testsupport::PutU32(built.image, section + 16, 0xFFFFF000u); // size in the file
  Sparse("Oversized.exe", built.image, kFiveGiB);
  const readers::Inspection oversized = readers::InspectProgram(Path("Oversized.exe"));
  EXPECT_EQ(readers::ReportText(oversized), "Oversized.exe: PE32 program, machine x86\n"
                                            "Manifest: embedded, resource type 24 ID 1 (" +
                                                std::to_string(size) +
                                                " bytes)\n"
                                                "Warning: the manifest is not read: it is " +
                                                std::to_string(size) +
                                                " bytes; at most 1048576 are read.\n");
}

#endif
