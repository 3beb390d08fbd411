#pragma once
// POSIX only. What a stop request's handler reaches: the child being waited for.
#include <csignal>

namespace platform::posix {

/// The process id of the child RunHiddenAndWait waits for; 0 when there is none.
extern volatile std::sig_atomic_t runningChild;

} // namespace platform::posix
