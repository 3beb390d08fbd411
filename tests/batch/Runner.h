#pragma once
// Starts a program of the build the way a build script would, and collects what it said.

#include <string>
#include <utility>
#include <vector>

namespace batchtest {

struct Launch {
  std::string program;
  std::vector<std::string> args;
  std::string folder; ///< the current directory it starts in
  /// Added to the inherited environment.
  std::vector<std::pair<std::string, std::string>> environment;
  /// Largest file it may write, in bytes; negative for no limit. POSIX only.
  long long fileSizeLimit = -1;
};

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

Result RunProgram(const Launch& launch);

/// A path of the build tree as a program of this platform names it.
std::string BuildPath(const std::string& path);

/// Whether RunProgram can impose fileSizeLimit here.
bool CanLimitFileSize();

/// Whether an executable "#!/bin/sh" script can stand in for a program here.
bool CanRunShellScripts();

} // namespace batchtest
