// POSIX only: exclusive creation, replacement by rename, and what a stop request cleans up.
// The stop handler's part uses async-signal-safe calls only.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/Stopping.h"

namespace platform {

namespace posix {
volatile std::sig_atomic_t runningChild = 0;
} // namespace posix

namespace {

constexpr int kTracked = 16;
constexpr std::size_t kTrackedPath = 4096;
// A slot is in use while its first byte is not NUL; the byte is written last when a path
// goes in and first when it goes out, so the handler never sees half a path.
char tracked[kTracked][kTrackedPath];

} // namespace

bool CreateNewFile(const std::string& path, const std::string& bytes) {
  // O_EXCL also refuses a dangling link: nothing is ever created at a link's target.
  posix::Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) {
    if (errno == EEXIST)
      return false;
    posix::ThrowErrno("Create", path);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      posix::ThrowErrno("Write", path);
    done += static_cast<std::size_t>(n);
  }
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
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir)
    return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  ::closedir(dir);
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

void TrackTemporaryFile(const std::string& path) {
  if (path.empty() || path.size() >= kTrackedPath)
    return;
  for (char* slot : tracked)
    if (slot[0] == '\0') {
      std::memcpy(slot + 1, path.data() + 1, path.size() - 1);
      slot[path.size()] = '\0';
      slot[0] = path[0];
      return;
    }
}

void UntrackTemporaryFile(const std::string& path) {
  for (char* slot : tracked)
    if (slot[0] != '\0' && path == slot)
      slot[0] = '\0';
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
  for (char* slot : tracked)
    if (slot[0] != '\0')
      ::unlink(slot);
}

} // namespace platform
