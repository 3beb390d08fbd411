// POSIX only: files opened for reading without waiting, and names compared as files.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "platform/Platform.h"
#include "platform/Reading.h"
#include "platform/posix/PosixError.h"

namespace platform {

// O_NONBLOCK so that a FIFO without a writer opens at once and can be refused; it is taken
// off again before a regular file is read.
ReadableFile::ReadableFile(const std::string& path, bool required) : path_(path) {
  posix::Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0 && !required && errno == ENOENT)
    return;
  if (fd.get() < 0)
    posix::ThrowErrno("Open", path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0)
    posix::ThrowErrno("Read", path);
  if (S_ISDIR(st.st_mode))
    posix::ThrowErrno("Read", path, EISDIR);
  if (!S_ISREG(st.st_mode))
    throw base::SystemError("Open", path, EINVAL, reading::kNotRegularFile);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
    posix::ThrowErrno("Open", path);
  size_ = static_cast<std::uint64_t>(st.st_size);
  handle_ = fd.release();
}

ReadableFile::~ReadableFile() {
  if (handle_ != -1)
    ::close(static_cast<int>(handle_));
}

std::unique_ptr<ReadableFile> ReadableFile::OpenIfPresent(const std::string& path) {
  std::unique_ptr<ReadableFile> file(new ReadableFile(path, false));
  return file->handle_ == -1 ? nullptr : std::move(file);
}

std::string ReadableFile::ReadAt(std::uint64_t offset, std::size_t count) const {
  if (offset >= size_)
    return std::string();
  if (count > size_ - offset)
    count = static_cast<std::size_t>(size_ - offset);
  std::string bytes;
  try {
    bytes.resize(count);
  } catch (const std::bad_alloc&) {
    posix::ThrowErrno("Read", path_, ENOMEM);
  }
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(static_cast<int>(handle_), bytes.data() + done, count - done,
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      posix::ThrowErrno("Read", path_);
    if (n == 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

std::string ReadableFile::ReadAll(std::size_t limit) const {
  if (size_ > limit)
    throw base::SystemError("Read", path_, EFBIG, reading::TooLarge(size_, limit));
  return ReadAt(0, static_cast<std::size_t>(size_));
}

std::string ReadFileBytes(const std::string& path) {
  return ReadableFile(path).ReadAll(std::numeric_limits<std::size_t>::max());
}

std::string ReadFileBytes(const std::string& path, std::size_t limit) {
  return ReadableFile(path).ReadAll(limit);
}

// MAP_POPULATE: the pages are in the page cache already, mostly; one call maps them all
// instead of a fault per few pages.
MappedFile::MappedFile(const std::string& path, std::size_t limit) {
  const ReadableFile file(path);
  if (file.Size() > limit)
    throw base::SystemError("Read", path, EFBIG, reading::TooLarge(file.Size(), limit));
  size_ = static_cast<std::size_t>(file.Size());
  if (size_ == 0)
    return;
  void* at = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                    static_cast<int>(file.Handle()), 0);
  if (at == MAP_FAILED) {
    read_ = file.ReadAt(0, size_);
    data_ = read_.data();
    size_ = read_.size();
    return;
  }
  data_ = static_cast<const char*>(at);
  mapped_ = true;
}

MappedFile::~MappedFile() {
  if (mapped_)
    ::munmap(const_cast<char*>(data_), size_);
}

std::string CanonicalPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved)
    return std::string();
  std::string text = resolved;
  std::free(resolved);
  return text;
}

bool NameExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

} // namespace platform
