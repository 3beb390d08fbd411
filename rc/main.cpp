// rc.exe / themefold-rc: Microsoft's rc command line over rc::Compile. A console program,
// so the generation can start it hidden and wait for it.

#include "rc/Compiler.h"
#include "rc/Diagnostics.h"

#include "platform/Platform.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The temporary output while it exists, for the interrupt handler: a signal handler may
// only read plain memory and call async-signal-safe functions (unlink, _exit).
char temporaryPath[4096];
volatile std::sig_atomic_t haveTemporary = 0;

void RememberTemporary(const char* path) {
  haveTemporary = 0;
  if (!path || std::strlen(path) >= sizeof temporaryPath)
    return;
  std::memcpy(temporaryPath, path, std::strlen(path) + 1);
  haveTemporary = 1;
}

#ifdef _WIN32

// Held while the temporary output is created and remembered.
CRITICAL_SECTION creating;

void HoldInterrupts(bool hold) {
  if (hold)
    EnterCriticalSection(&creating);
  else
    LeaveCriticalSection(&creating);
}

// Runs on a thread of its own; the file was created shareable for deletion, so it goes
// even while the compiler still has it open.
BOOL WINAPI Interrupted(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
    return FALSE;
  EnterCriticalSection(&creating);
  if (haveTemporary)
    DeleteFileA(temporaryPath);
  // 128 + the signal number, as a POSIX shell reports it: SIGINT, SIGBREAK, SIGHUP.
  ExitProcess(event == CTRL_C_EVENT ? 130 : event == CTRL_BREAK_EVENT ? 149 : 129);
}

void RemoveTemporaryWhenInterrupted() {
  InitializeCriticalSection(&creating);
  SetConsoleCtrlHandler(Interrupted, TRUE);
}

#else

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

void Interrupted(int signal) {
  if (haveTemporary)
    unlink(temporaryPath);
  _exit(128 + signal);
}

// The signals wait while the temporary output is created and remembered.
void HoldInterrupts(bool hold) {
  static sigset_t before;
  if (!hold) {
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  sigset_t interrupts;
  sigemptyset(&interrupts);
  for (int signal : kInterrupts)
    sigaddset(&interrupts, signal);
  sigprocmask(SIG_BLOCK, &interrupts, &before);
}

void RemoveTemporaryWhenInterrupted() {
  struct sigaction action = {};
  action.sa_handler = Interrupted;
  sigemptyset(&action.sa_mask);
  for (int signal : kInterrupts) {
    // One ignored by whoever started us (nohup, a background job) stays ignored.
    struct sigaction before;
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
      sigaction(signal, &action, nullptr);
  }
}

#endif

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  rc::Options options;
  try {
    options = rc::ParseCommandLine(args);
  } catch (const rc::CompileError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(rc::Usage(), stdout);
    return 0;
  }
  options.bundledIncludeDirs = rc::BundledIncludeDirs(platform::ExecutablePath());
  RemoveTemporaryWhenInterrupted();
  options.temporaryFile = RememberTemporary;
  options.holdInterrupts = HoldInterrupts;
  rc::Result result = rc::Compile(options);
  std::fputs(result.log.c_str(), stdout);
  std::fputs(result.diagnostics.c_str(), stderr);
  return result.ok ? 0 : 1;
}
