#pragma once
// What the operating system needs before a console run, and stop requests (Ctrl-C, a
// terminate signal) turned from "end at once" into something a generation can finish
// cleanly: it removes its temporary files, then the program ends as the request asked.

namespace batch {

/// Called first in main; one implementation per platform.
void PrepareConsole();

/// The signal number of the first stop request so far, or 0.
int StopRequest();

/// Ends the program as the stop request would have ended it.
[[noreturn]] void EndAsRequested(int signal);

/// Records the given signals instead of ending the program; used by PrepareConsole.
void WatchStopRequests(const int* signals, int count);

} // namespace batch
