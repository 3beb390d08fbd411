#pragma once
// POSIX only. Turns errno into the program's SystemError, and closes descriptors and
// directory streams.

#include <dirent.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

#include "base/SystemError.h"

namespace platform::posix {

[[noreturn]] inline void ThrowErrno(const std::string& operation, const std::string& path,
                                    int code = errno) {
  throw base::SystemError(operation, path, static_cast<unsigned long>(code), std::strerror(code));
}

/// Writes every byte, going on after interruptions. Throws SystemError ("Write", path).
inline void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      ThrowErrno("Write", path);
    done += static_cast<std::size_t>(n);
  }
}

/// Owns a file descriptor.
class Fd {
public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = fd;
  }

private:
  int fd_;
};

/// Owns an open directory stream.
class Dir {
public:
  explicit Dir(DIR* dir) : dir_(dir) {}
  ~Dir() {
    if (dir_)
      ::closedir(dir_);
  }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  DIR* get() const { return dir_; }

private:
  DIR* dir_;
};

} // namespace platform::posix
