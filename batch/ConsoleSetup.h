#pragma once
// What the operating system needs before a console run, and stop requests (Ctrl-C, a
// terminate signal): they end the program at once with 128 + the signal (130 Ctrl-C, 143
// terminated), after stopping the compiler and removing the generation's temporary files, so
// earlier outputs are left as they were (platform/Stopping.h).

#include <cstddef>

namespace batch {

/// Called first in main; one implementation per platform.
void PrepareConsole();

/// The stop message for signal, written into buffer without allocating (a signal handler
/// builds it); its length.
std::size_t StopMessage(int signal, char* buffer, std::size_t size);

} // namespace batch
