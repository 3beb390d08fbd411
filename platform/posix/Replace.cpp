// POSIX only: exclusive creation, replacement by rename, and what a stop request cleans up.
// The stop handler's part uses async-signal-safe calls only.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>

#include "platform/Platform.h"
#include "platform/TrackedFiles.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/Stopping.h"

namespace platform {

namespace posix {
volatile std::sig_atomic_t runningChild = 0;
} // namespace posix

bool CreateNewFile(const std::string& path, const std::string& bytes) {
  // O_EXCL also refuses a dangling link: nothing is ever created at a link's target.
  posix::Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    if (errno == EEXIST)
      return false;
    posix::ThrowErrno("Create", path);
  }
  posix::WriteAll(fd.get(), bytes, path);
  // On the disk before the rename makes it the file: a crash cannot leave an empty one.
  if (::fsync(fd.get()) != 0 && errno != EINVAL)
    posix::ThrowErrno("Write", path);
  if (::close(fd.release()) != 0)
    posix::ThrowErrno("Close", path);
  return true;
}

void RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    posix::ThrowErrno("Replace", to);
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  const posix::Dir dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir.get())
    return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  return names;
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool ProcessRunning(unsigned long id) {
  // EPERM: it runs, under another user.
  return id != 0 && (::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM);
}

std::uint64_t RandomBits() {
  std::random_device device;
  return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

void StopChildAndRemoveTrackedFiles() {
  const pid_t child = static_cast<pid_t>(posix::runningChild);
  if (child > 0) {
    ::kill(child, SIGTERM);
    // Half a second for it to remove its own temporary file.
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(child, nullptr, WNOHANG) != 0)
        break;
      const timespec pause{0, 10 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
    }
  }
  for (char* slot : tracked::slots)
    if (slot[0] != '\0')
      ::unlink(slot);
}

} // namespace platform
