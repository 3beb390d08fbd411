// POSIX only.
#include <csignal>

#include "batch/ConsoleSetup.h"

namespace batch {

void PrepareConsole() {
  // A file-size limit (or a quota) must fail the write with an error the driver reports and
  // cleans up after, not end the program between writing a temporary file and removing it.
  std::signal(SIGXFSZ, SIG_IGN);
  // The compiler, started afresh, gets the default actions back and stops at Ctrl-C.
  const int stops[] = {SIGINT, SIGTERM, SIGHUP};
  WatchStopRequests(stops, 3);
}

} // namespace batch
