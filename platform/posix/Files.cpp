// POSIX only: files and the program's own location.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "base/Path.h"
#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

std::string ExecutablePath() {
  std::string path(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return path;
}

char PathSeparator() { return '/'; }

base::SystemError InvalidName(const std::string& operation, const std::string& name) {
  return base::SystemError(operation, path::Visible(name), EINVAL, std::strerror(EINVAL));
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  posix::Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0)
    posix::ThrowErrno("Create", path);
  posix::WriteAll(fd.get(), bytes, path);
  if (::close(fd.release()) != 0)
    posix::ThrowErrno("Close", path);
}

} // namespace platform
