// POSIX only: exclusive creation and the stop handler (async-signal-safe calls only).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "platform/Stopping.h"
#include "platform/TrackedFiles.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/Stopping.h"

namespace platform {

namespace posix {
std::atomic<pid_t> runningChild{0};
} // namespace posix

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

using Message = std::size_t (*)(int, char*, std::size_t);
std::atomic<Message> stopMessage{nullptr};

void Sleep10ms() {
  const timespec pause{0, 10L * 1000 * 1000};
  ::nanosleep(&pause, nullptr);
}

extern "C" void Stop(int signal) {
  tracked::Lock();
  const pid_t child = posix::runningChild.load(std::memory_order_acquire);
  if (child > 0) {
    ::kill(child, SIGTERM);
    // Half a second for it to remove its own temporary file.
    for (int i = 0; i < 50 && ::waitpid(child, nullptr, WNOHANG) == 0; ++i)
      Sleep10ms();
  }
  for (const tracked::Slot& slot : tracked::slots)
    if (slot.used.load(std::memory_order_acquire))
      ::unlink(slot.path);
  // A tracked folder goes once the files in it have.
  for (const tracked::Slot& slot : tracked::slots)
    if (slot.used.load(std::memory_order_acquire))
      ::rmdir(slot.path);
  if (const Message message = stopMessage.load(std::memory_order_acquire)) {
    char text[256];
    const std::size_t n = message(signal, text, sizeof text);
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, n);
  }
  ::_exit(128 + signal);
}

} // namespace

namespace tracked {

void Pause() { Sleep10ms(); }

void BlockStopSignals(bool block) {
  static thread_local sigset_t before;
  if (!block) {
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  sigset_t stops;
  ::sigemptyset(&stops);
  for (const int signal : kStopSignals)
    ::sigaddset(&stops, signal);
  ::pthread_sigmask(SIG_BLOCK, &stops, &before);
}

} // namespace tracked

NewFile::~NewFile() {
  if (handle_ >= 0)
    ::close(static_cast<int>(handle_));
}

bool NewFile::Create(const std::string& path) {
  // O_EXCL also refuses a dangling link: nothing is ever created at a link's target.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST)
      return false;
    posix::ThrowErrno("Create", path);
  }
  path_ = path;
  handle_ = fd;
  return true;
}

void NewFile::Write(std::string_view bytes) {
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      posix::ThrowErrno("Write", path_);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::uint64_t NewFile::Copy(std::intptr_t source, std::uint64_t offset, std::uint64_t size) {
  std::uint64_t done = 0;
  while (done < size) {
    off_t from = static_cast<off_t>(offset + done);
    const ssize_t n = ::copy_file_range(static_cast<int>(source), &from, static_cast<int>(handle_),
                                        nullptr, static_cast<std::size_t>(size - done), 0);
    if (n < 0 && errno == EINTR)
      continue;
    // Any other failure leaves the rest to be written; a full disk says so there again.
    if (n <= 0)
      break;
    done += static_cast<std::uint64_t>(n);
  }
  return done;
}

void NewFile::Close(bool durable) {
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (durable && ::fsync(fd) != 0 && errno != EINVAL) {
    const int error = errno;
    ::close(fd);
    posix::ThrowErrno("Write", path_, error);
  }
  if (::close(fd) != 0)
    posix::ThrowErrno("Close", path_);
}

void StopOnRequest(std::size_t (*message)(int signal, char* buffer, std::size_t size)) {
  stopMessage.store(message, std::memory_order_release);
  struct sigaction stop {};
  stop.sa_handler = Stop;
  ::sigfillset(&stop.sa_mask); // a second request waits for the first to finish
  for (const int signal : kStopSignals) {
    struct sigaction before {};
    // One ignored by whoever started the program (nohup, a background job) stays ignored.
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &stop, nullptr);
  }
}

} // namespace platform
