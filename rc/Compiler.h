#pragma once
// The compiler as a function: options in, a .res file and diagnostics out. The program
// rc / themefold-rc is a thin shell around it.

#include "rc/Files.h"
#include "rc/Preprocessor.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rc {

struct Options {
  std::string script;
  std::string output; ///< /fo; empty: the script's name with .res
  std::vector<std::pair<std::string, std::string>> defines;
  std::vector<std::string> undefines;
  std::vector<std::string> includeDirs;
  /// The headers shipped with the compiler (windows.h and the like), searched after /i
  /// and INCLUDE; skipped with /x as INCLUDE is. Set by the program, not the command line.
  std::vector<std::string> bundledIncludeDirs;
  /// Told the path of the temporary output when it is created, and null once it has been
  /// renamed over the output or removed: the program removes it when it is interrupted.
  void (*temporaryFile)(const char* path) = nullptr;
  /// Called with true before the temporary output is created and with false once
  /// temporaryFile has been told of it: an interrupt in between would leave it behind.
  void (*holdInterrupts)(bool hold) = nullptr;
  std::uint16_t language = 0x409;
  std::uint16_t codePage = 1252;
  bool nullTerminateStrings = false;
  bool ignoreIncludeVariable = false;
  bool verbose = false;
  bool help = false;
};

struct Result {
  bool ok = false;
  std::string diagnostics; ///< "file(line) : error RCnnnn: message" lines
  std::string log;         ///< what /v reports
};

/// Reads the switches of Microsoft's rc: /r /fo /d /u /i /l /c /n /x /v /? (also with '-',
/// any letter case, the value joined or as the next argument). Throws CompileError.
Options ParseCommandLine(const std::vector<std::string>& args);

/// The .res name used without /fo: the script's with its extension replaced.
std::string DefaultOutput(const std::string& script);

/// Compiles options.script into the output. A file at the output is replaced only when
/// everything succeeded (a temporary file beside it is renamed over it); on any failure it
/// stays as it was. A character device (/dev/null) is written in place; other special
/// files are refused, and so is an output that is also one of the compilation's inputs.
Result Compile(const Options& options);

/// The same with every file read and written through fs: with a MemoryFileSystem, a
/// compilation that touches no disk.
Result Compile(const Options& options, files::FileSystem& fs);

/// Where the headers shipped with the program at programPath may be: include/ beside it
/// (Windows, and the build tree), ../share/themefold/include (Linux installs).
std::vector<std::string> BundledIncludeDirs(const std::string& programPath);

/// The usage text of /?.
const char* Usage();

} // namespace rc
