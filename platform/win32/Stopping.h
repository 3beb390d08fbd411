#pragma once
// Win32 only. What a stop request's handler reaches: the child being waited for.
#include <windows.h>

#include <atomic>

namespace platform::win32 {

/// The process RunHiddenAndWait waits for; null when there is none. Stored with release
/// order, loaded by the console's handler (a thread of its own) with acquire order.
extern std::atomic<HANDLE> runningChild;
static_assert(std::atomic<HANDLE>::is_always_lock_free);

} // namespace platform::win32
