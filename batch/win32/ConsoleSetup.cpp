// Windows only.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "batch/ConsoleSetup.h"
#include "platform/Stopping.h"

namespace batch {

void PrepareConsole() {
  // The instructions go out byte for byte: their CR LF must not become CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // The compiler, which shares the console, has the same event and ends too.
  platform::StopOnRequest(StopMessage);
}

} // namespace batch
