// POSIX only: files and the program's own location.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

std::string LargeBuffer(std::size_t size) {
  std::string buffer;
  buffer.reserve(size);
#ifdef MADV_HUGEPAGE
  // The whole large pages inside it; advice only, which a system may not take.
  constexpr std::uintptr_t kLarge = std::uintptr_t{1} << 21;
  const auto at = reinterpret_cast<std::uintptr_t>(buffer.data());
  const std::uintptr_t start = (at + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t end = (at + size) & ~(kLarge - 1);
  if (end > start)
    ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
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
