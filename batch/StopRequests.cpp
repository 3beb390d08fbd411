#include <csignal>
#include <cstdlib>

#include "batch/ConsoleSetup.h"

namespace batch {

namespace {

volatile std::sig_atomic_t firstRequest = 0;

extern "C" void Record(int signal) {
  if (firstRequest == 0)
    firstRequest = signal;
}

} // namespace

int StopRequest() { return firstRequest; }

void EndAsRequested(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);
}

void WatchStopRequests(const int* signals, int count) {
  for (int i = 0; i < count; ++i)
    std::signal(signals[i], Record);
}

} // namespace batch
