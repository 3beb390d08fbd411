// rc.exe / themefold-rc: Microsoft's rc command line over rc::Compile. A console program,
// so the generation can start it hidden and wait for it.

#include "rc/Compiler.h"
#include "rc/Diagnostics.h"

#include "platform/Platform.h"
#include "platform/Stopping.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The temporary output while it exists: a stop request removes it.
void TrackTemporary(const char* path) {
  static std::string tracked;
  if (!tracked.empty())
    platform::UntrackTemporaryFile(tracked);
  tracked = path ? path : "";
  if (path)
    platform::TrackTemporaryFile(tracked);
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  rc::Options options;
  try {
    options = rc::ParseCommandLine(args);
  } catch (const rc::CompileError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(rc::Usage(), stdout);
    return 0;
  }
  options.bundledIncludeDirs = rc::BundledIncludeDirs(platform::ExecutablePath());
  platform::StopOnRequest(nullptr);
  options.temporaryFile = TrackTemporary;
  options.holdInterrupts = platform::HoldStopRequests;
  rc::Result result = rc::Compile(options);
  std::fputs(result.log.c_str(), stdout);
  std::fputs(result.diagnostics.c_str(), stderr);
  return result.ok ? 0 : 1;
}
