// Win32 only: a child process whose output is shown on standard error.
#include <windows.h>

#include "platform/win32/Win32Error.h"
#include "util/BraskModule.h"

namespace BraskModule {

namespace {

/// An inheritable copy of a standard handle; none when the program has no such handle.
HANDLE InheritableCopy(DWORD which) {
  const HANDLE original = GetStdHandle(which);
  HANDLE copy = nullptr;
  if (original == nullptr || original == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), original, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}

} // namespace

// As RunAndWait: hidden, current directory and environment inherited, no time-out, and a
// program that cannot start returns at once.
void RunAndWaitShowingOutput(const std::string& commandLine) {
  platform::win32::Handle input(InheritableCopy(STD_INPUT_HANDLE));
  platform::win32::Handle errors(InheritableCopy(STD_ERROR_HANDLE));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  if (errors.valid()) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = errors.get();
    startup.hStdError = errors.get();
  }
  PROCESS_INFORMATION process{};
  std::string line = commandLine; // CreateProcessA may write into its command line
  CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                 nullptr, &startup, &process);
  platform::win32::Handle processHandle(process.hProcess);
  platform::win32::Handle threadHandle(process.hThread);
  if (processHandle.valid())
    WaitForSingleObject(processHandle.get(), INFINITE);
}

} // namespace BraskModule
