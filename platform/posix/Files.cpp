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

std::string LargeBuffer(std::size_t size) {
  std::string buffer;
  buffer.reserve(size);
#ifdef MADV_HUGEPAGE
  // The whole large pages inside it; advice only, which a system may not take.
  constexpr std::size_t kLarge = std::size_t{1} << 21;
  const std::size_t skip =
      (kLarge - reinterpret_cast<std::uintptr_t>(buffer.data()) % kLarge) % kLarge;
  const std::size_t length = size > skip ? (size - skip) / kLarge * kLarge : 0;
  if (length != 0)
    ::madvise(buffer.data() + skip, length, MADV_HUGEPAGE);
#endif
  return buffer;
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
