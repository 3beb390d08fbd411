// POSIX only.
#include <signal.h>

#include "batch/ConsoleSetup.h"
#include "platform/Stopping.h"

namespace batch {

void PrepareConsole() {
  // A file-size limit (or a quota) must fail the write with an error the driver reports and
  // cleans up after, not end the program between writing a temporary file and removing it.
  ::signal(SIGXFSZ, SIG_IGN);
  platform::StopOnRequest(StopMessage);
}

} // namespace batch
