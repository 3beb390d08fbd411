// Windows only.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdio>

#include "batch/ConsoleSetup.h"
#include "platform/Platform.h"

namespace batch {

namespace {

// Windows calls it on a thread of its own; the compiler, which shares the console, has the
// same event and ends too.
BOOL WINAPI Stop(DWORD event) {
  const int signal = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
  platform::StopChildAndRemoveTrackedFiles();
  char text[128];
  const std::size_t n = StopMessage(signal, text, sizeof text);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(n), &written, nullptr);
  ExitProcess(static_cast<UINT>(StoppedExitCode(signal)));
}

} // namespace

void PrepareConsole() {
  // The instructions go out byte for byte: their CR LF must not become CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleCtrlHandler(Stop, TRUE);
}

} // namespace batch
