// POSIX only.
#include <signal.h>
#include <unistd.h>

#include "batch/ConsoleSetup.h"
#include "platform/Platform.h"

namespace batch {

namespace {

// Runs on any thread at any moment: async-signal-safe calls only.
extern "C" void Stop(int signal) {
  platform::StopChildAndRemoveTrackedFiles();
  char text[128];
  const std::size_t n = StopMessage(signal, text, sizeof text);
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, n);
  ::_exit(StoppedExitCode(signal));
}

} // namespace

void PrepareConsole() {
  // A file-size limit (or a quota) must fail the write with an error the driver reports and
  // cleans up after, not end the program between writing a temporary file and removing it.
  ::signal(SIGXFSZ, SIG_IGN);
  struct sigaction stop {};
  stop.sa_handler = Stop;
  ::sigfillset(&stop.sa_mask); // a second request waits for the first to finish
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    // A run started with a signal ignored (nohup, a background job) keeps ignoring it.
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &stop, nullptr);
  }
}

} // namespace batch
