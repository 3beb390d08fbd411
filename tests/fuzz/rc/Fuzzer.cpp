// libFuzzer target: any bytes as a script, compiled in memory with the corpus's files and
// the bundled headers at hand (read once at start, from the corpus folder scripts/fuzz runs
// it in). A crash, hang, leak or undefined behaviour is a finding; an error message is the
// expected answer to garbage. Besides, a failed compile must leave the output as it was
// (absent here) and no file of its own, and a successful one a .res that reads back as a
// well-formed sequence of resources.
#include "rc/Compiler.h"
#include "rc/Files.h"
#include "support/FuzzCheck.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

using testsupport::Check;

namespace {

namespace fs = std::filesystem;

constexpr const char* kScript = "fuzz.rc";
constexpr const char* kOutput = "fuzz.res";
constexpr const char* kBundled = "/bundled";

rc::files::MemoryFileSystem& Files() {
  static rc::files::MemoryFileSystem* files = [] {
    auto* memory = new rc::files::MemoryFileSystem;
    for (const auto& entry : fs::recursive_directory_iterator(".")) {
      if (entry.is_regular_file()) {
        const std::string path = entry.path().lexically_relative(".").generic_string();
        memory->files[path] = *rc::files::Disk().Read(path);
      }
    }
    for (const auto& entry : fs::directory_iterator("../../../rc/include")) {
      if (entry.is_regular_file())
        memory->files[std::string(kBundled) + "/" + entry.path().filename().string()] =
            *rc::files::Disk().Read(entry.path().string());
    }
    return memory;
  }();
  return *files;
}

std::uint32_t U32(const std::string& s, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

std::uint16_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                    static_cast<unsigned char>(s[at + 1]) << 8);
}

// A type or name in a header: 0xFFFF and an id, or a NUL-ended UTF-16 string. Returns
// where it ends.
std::size_t SkipNameOrId(const std::string& res, std::size_t at, std::size_t end) {
  Check(at + 2 <= end);
  if (U16(res, at) == 0xFFFF) {
    Check(at + 4 <= end);
    return at + 4;
  }
  while (U16(res, at) != 0) {
    at += 2;
    Check(at + 2 <= end);
  }
  return at + 2;
}

bool ZeroBytes(const std::string& res, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i)
    if (res[i] != 0)
      return false;
  return true;
}

// The .res reads back: the empty 32-bit marker first, then entries whose header and data
// sizes add up, padded with zeros to DWORDs, to the last byte.
void CheckRes(const std::string& res) {
  // clang-format off
  static const unsigned char kMarker[32] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0,
                                            0xFF, 0xFF, 0, 0};
  // clang-format on
  Check(res.size() >= 32 && std::memcmp(res.data(), kMarker, 32) == 0);
  std::size_t at = 32;
  while (at < res.size()) {
    Check(at % 4 == 0 && at + 8 <= res.size());
    const std::uint32_t dataSize = U32(res, at);
    const std::uint32_t headerSize = U32(res, at + 4);
    Check(headerSize % 4 == 0 && headerSize <= res.size() - at);
    const std::size_t headerEnd = at + headerSize;
    std::size_t p = SkipNameOrId(res, at + 8, headerEnd);
    Check(U16(res, at + 8) != 0xFFFF || U16(res, at + 10) != 0); // no type 0 after the marker
    p = SkipNameOrId(res, p, headerEnd);
    const std::size_t padded = (p + 3) & ~std::size_t{3};
    Check(ZeroBytes(res, p, padded));
    // Data version, memory flags, language, version, characteristics: the header's end.
    Check(padded + 16 == headerEnd);
    Check(dataSize <= res.size() - headerEnd);
    const std::size_t dataEnd = headerEnd + dataSize;
    const std::size_t next = (dataEnd + 3) & ~std::size_t{3};
    Check(next <= res.size() && ZeroBytes(res, dataEnd, next));
    at = next;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rc::files::MemoryFileSystem& files = Files();
  static const std::size_t kept = files.files.size();
  files.files[kScript].assign(reinterpret_cast<const char*>(data), size);
  rc::Options options;
  options.script = kScript;
  options.output = kOutput;
  // #include <windows.h> works as with the program's own headers.
  options.bundledIncludeDirs = {kBundled};
  rc::Result result = rc::Compile(options, files);
  const auto output = files.files.find(kOutput);
  if (result.ok) {
    Check(output != files.files.end());
    CheckRes(output->second);
    files.files.erase(output);
  } else {
    // Failure leaves the output as it was: there was none.
    Check(output == files.files.end());
  }
  // Nor anything else: no temporary, and the script may have named itself as nothing new.
  files.files.erase(kScript);
  Check(files.files.size() == kept);
  return 0;
}
