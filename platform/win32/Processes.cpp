// Win32 only: a hidden child process waited for, and the shell's open.
#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "base/CommandLine.h"
#include "platform/Platform.h"
#include "platform/win32/Stopping.h"
#include "platform/win32/FromInteger.h"
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

void RunHiddenAndWait(const std::string& commandLine, const std::string& workingFolder,
                      bool showOutput) {
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
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                      &process)) {
    const DWORD code = GetLastError();
    std::string reason = win32::DescribeError(code);
    // Some reasons name the program as %1: "%1 is not a valid Win32 application."
    const std::vector<std::string> args = commandline::Split(commandLine);
    const std::size_t at = reason.find("%1");
    if (at != std::string::npos && !args.empty())
      reason.replace(at, 2, "\"" + args[0] + "\"");
    throw base::SystemError("Start", commandLine, code, reason);
  }
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
      ShellExecuteA(win32::FromInteger<HWND>(ownerWindow), orNull(operation), file.c_str(),
                    orNull(parameters), orNull(directory), SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(status);
}

} // namespace platform
