// Win32 only: exclusive creation and the console's stop handler. The handler runs on a
// thread of its own, so it may call anything that takes no lock the interrupted thread
// could hold: no heap, no C runtime.
#include <windows.h>

#include <csignal>

#include "platform/Stopping.h"
#include "platform/TrackedFiles.h"
#include "platform/win32/FromInteger.h"
#include "platform/win32/Stopping.h"
#include "platform/win32/Win32Error.h"

namespace platform {

namespace win32 {
std::atomic<HANDLE> runningChild{nullptr};
} // namespace win32

namespace {

using Message = std::size_t (*)(int, char*, std::size_t);
std::atomic<Message> stopMessage{nullptr};

// The signal a POSIX shell would report for the event.
int SignalOf(DWORD event) {
  switch (event) {
  case CTRL_C_EVENT:
    return SIGINT;
  case CTRL_BREAK_EVENT:
    return 21; // SIGBREAK
  case CTRL_CLOSE_EVENT:
    return 1; // SIGHUP
  default:
    return SIGTERM;
  }
}

BOOL WINAPI Stop(DWORD event) {
  const int signal = SignalOf(event);
  tracked::Lock();
  if (const HANDLE child = win32::runningChild.load(std::memory_order_acquire)) {
    // The compiler shares the console and had the event too; half a second for it to end.
    if (WaitForSingleObject(child, 500) == WAIT_TIMEOUT)
      TerminateProcess(child, 128 + signal);
    WaitForSingleObject(child, 500);
  }
  // Files still open go once their handles close: each was created shared for deletion.
  for (const tracked::Slot& slot : tracked::slots)
    if (slot.used.load(std::memory_order_acquire))
      DeleteFileA(slot.path);
  // A tracked folder goes once the files in it have.
  for (const tracked::Slot& slot : tracked::slots)
    if (slot.used.load(std::memory_order_acquire))
      RemoveDirectoryA(slot.path);
  if (const Message message = stopMessage.load(std::memory_order_acquire)) {
    char text[256];
    const std::size_t n = message(signal, text, sizeof text);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(n), &written, nullptr);
  }
  ExitProcess(static_cast<UINT>(128 + signal));
}

} // namespace

namespace tracked {

void Pause() { Sleep(1); }

void BlockStopSignals(bool) {}

} // namespace tracked

NewFile::~NewFile() {
  if (handle_ != -1)
    CloseHandle(win32::FromInteger<HANDLE>(handle_));
}

bool NewFile::Create(const std::string& path) {
  // CREATE_NEW also refuses a name held by a link, dangling or not.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
      return false;
    win32::ThrowLastError("Create", path);
  }
  path_ = path;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

void NewFile::Write(std::string_view bytes) {
  const HANDLE file = win32::FromInteger<HANDLE>(handle_);
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
      win32::ThrowLastError("Write", path_);
    bytes.remove_prefix(written);
  }
}

// Windows copies no part of a file by itself (block cloning is ReFS's only).
std::uint64_t NewFile::Copy(std::intptr_t /*source*/, std::uint64_t /*offset*/,
                            std::uint64_t /*size*/) {
  return 0;
}

void NewFile::Close(bool durable) {
  win32::Handle file(win32::FromInteger<HANDLE>(handle_));
  handle_ = -1;
  if (durable && !FlushFileBuffers(file.get()))
    win32::ThrowLastError("Write", path_);
  if (!CloseHandle(file.release()))
    win32::ThrowLastError("Close", path_);
}

void StopOnRequest(std::size_t (*message)(int signal, char* buffer, std::size_t size)) {
  stopMessage.store(message, std::memory_order_release);
  SetConsoleCtrlHandler(Stop, TRUE);
}

} // namespace platform
