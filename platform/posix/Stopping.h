#pragma once
// POSIX only. What a stop request's handler reaches: the child being waited for.
#include <sys/types.h>

#include <atomic>

namespace platform::posix {

/// The process id of the child RunHiddenAndWait waits for; 0 when there is none. Stored with
/// release order, loaded by the handler with acquire order.
extern std::atomic<pid_t> runningChild;
static_assert(std::atomic<pid_t>::is_always_lock_free);

} // namespace platform::posix
