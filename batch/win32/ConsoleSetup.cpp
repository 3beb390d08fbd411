// Windows only.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "batch/ConsoleSetup.h"

namespace batch {

// The instructions go out byte for byte: their CR LF must not become CR CR LF.
void PrepareConsole() { _setmode(_fileno(stdout), _O_BINARY); }

} // namespace batch
