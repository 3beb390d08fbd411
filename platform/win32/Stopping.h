#pragma once
// Win32 only. What a stop request's handler reaches: the child being waited for.
#include <windows.h>

namespace platform::win32 {

/// The process RunHiddenAndWait waits for; null when there is none.
extern HANDLE volatile runningChild;

} // namespace platform::win32
