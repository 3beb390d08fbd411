// Windows only.
#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdio>

#include "batch/ConsoleSetup.h"

namespace batch {

void PrepareConsole() {
  // The instructions go out byte for byte: their CR LF must not become CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // Ctrl-C reaches the compiler too, which shares the console and stops.
  const int stops[] = {SIGINT, SIGBREAK, SIGTERM};
  WatchStopRequests(stops, 3);
}

} // namespace batch
