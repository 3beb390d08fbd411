// Win32 only: a hidden child process waited for, and the shell's open.
#include <windows.h>

#include <shellapi.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Error.h"

namespace platform {

// The start's success is not examined: a program that cannot start leaves both handles
// null, the wait on null returns at once, and the caller sees only the missing output.
void RunHiddenAndWait(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  std::string line = commandLine; // CreateProcessA may write into its command line
  CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                 nullptr, &startup, &process);
  win32::Handle processHandle(process.hProcess);
  win32::Handle threadHandle(process.hThread);
  if (processHandle.valid())
    WaitForSingleObject(processHandle.get(), INFINITE);
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
