// POSIX only.
#include <csignal>

#include "batch/ConsoleSetup.h"

namespace batch {

// A file-size limit (or a quota) must fail the write with an error the driver reports and
// cleans up after, not end the program between writing a temporary file and removing it.
void PrepareConsole() { std::signal(SIGXFSZ, SIG_IGN); }

} // namespace batch
