// POSIX only: a file's modification time set to now, whether a running program holds it, and
// a second name for a file and how many it has.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

void TouchFile(const std::string& path) {
  const struct timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
  if (::utimensat(AT_FDCWD, path.c_str(), now, 0) != 0)
    posix::ThrowErrno("Set the time stamp of", path);
}

// Not the change time: the backup's second name changes it.
std::string FileStamp(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    posix::ThrowErrno("Read the time stamp of", path);
  return std::to_string(st.st_dev) + ' ' + std::to_string(st.st_ino) + ' ' +
         std::to_string(st.st_size) + ' ' + std::to_string(st.st_mtim.tv_sec) + '.' +
         std::to_string(st.st_mtim.tv_nsec);
}

bool InUse(const std::string& path) {
  // Opening for writing changes nothing; a running program's file answers ETXTBSY.
  posix::Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  return fd.get() < 0 && errno == ETXTBSY;
}

} // namespace platform

namespace platform {

bool LinkFile(const std::string& from, const std::string& to) {
  return ::link(from.c_str(), to.c_str()) == 0;
}

unsigned LinkCount(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || st.st_nlink == 0)
    return 1;
  return static_cast<unsigned>(st.st_nlink);
}

} // namespace platform
