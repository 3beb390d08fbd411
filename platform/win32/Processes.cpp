// Win32 only: a hidden child process waited for, and the shell's open.
#include <windows.h>

#include <shellapi.h>

#include "platform/Platform.h"
#include "platform/win32/Stopping.h"
#include "platform/win32/Win32Error.h"

namespace platform {
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

// The start's success is not examined: a program that cannot start leaves both handles
// null, the wait on null returns at once, and the caller sees only the missing output.
void RunHiddenAndWait(const std::string& commandLine, bool showOutput) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  // A console front end shows the child's output on its own standard error.
  win32::Handle input(showOutput ? InheritableCopy(STD_INPUT_HANDLE) : nullptr);
  win32::Handle errors(showOutput ? InheritableCopy(STD_ERROR_HANDLE) : nullptr);
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
  win32::Handle processHandle(process.hProcess);
  win32::Handle threadHandle(process.hThread);
  if (processHandle.valid()) {
    win32::runningChild.store(processHandle.get(), std::memory_order_release);
    WaitForSingleObject(processHandle.get(), INFINITE);
    win32::runningChild.store(nullptr, std::memory_order_release);
  }
}

std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        std::uintptr_t ownerWindow, const std::string& parameters,
                        const std::string& operation) {
  // Empty texts become null: "no parameters" and "default verb" are not the empty string.
  auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
  const HINSTANCE status =
      ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), orNull(operation), file.c_str(),
                    orNull(parameters), orNull(directory), SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(status);
}

} // namespace platform
