// POSIX only: files opened for reading without waiting, and names compared as files.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <algorithm>
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

namespace {

// A file cut short by another program while it is mapped makes a read of the cut pages
// raise SIGBUS. Inside a mapping of ours the handler puts zeroed memory over the page and
// marks the mapping cut, and the reader is told; any other SIGBUS goes on as before.
struct Guard {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::size_t> size{0};
  std::atomic<bool> cut{false};
};
Guard g_guards[8];
std::uintptr_t g_pageSize = 4096;
struct sigaction g_previous {};

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Guard& guard : g_guards) {
    const std::uintptr_t begin = guard.begin.load();
    if (begin == 0 || address < begin || address - begin >= guard.size.load())
      continue;
    void* page = static_cast<char*>(info->si_addr) - (address & (g_pageSize - 1));
    if (::mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      guard.cut.store(true);
      return;
    }
  }
  if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
    g_previous.sa_sigaction(signal, info, context);
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(signal);
  } else {
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
  }
}

Guard* Watch(const void* at, std::size_t size) {
  static const bool installed = [] {
    g_pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &g_previous) == 0;
  }();
  if (!installed)
    return nullptr;
  for (Guard& guard : g_guards) {
    std::uintptr_t free = 0;
    if (guard.begin.compare_exchange_strong(free, reinterpret_cast<std::uintptr_t>(at))) {
      guard.cut.store(false);
      guard.size.store(size);
      return &guard;
    }
  }
  return nullptr;
}

} // namespace

// MAP_POPULATE: the pages are in the page cache already, mostly; one call maps them all, and
// no fresh memory is filled. Where no guard is free the file is read instead.
MappedFile::MappedFile(const std::string& path, std::size_t limit) {
  const ReadableFile file(path);
  if (file.Size() > limit)
    throw base::SystemError("Read", path, EFBIG, reading::TooLarge(file.Size(), limit));
  size_ = static_cast<std::size_t>(file.Size());
  if (size_ == 0)
    return;
  void* at = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                    static_cast<int>(file.Handle()), 0);
  Guard* guard = at == MAP_FAILED ? nullptr : Watch(at, size_);
  if (guard == nullptr) {
    if (at != MAP_FAILED)
      ::munmap(at, size_);
    read_ = file.ReadAt(0, size_);
    data_ = read_.data();
    size_ = read_.size();
    return;
  }
  guard_ = guard;
  data_ = static_cast<const char*>(at);
}

MappedFile::~MappedFile() {
  if (guard_ == nullptr)
    return;
  Guard* guard = static_cast<Guard*>(guard_);
  guard->size.store(0);
  ::munmap(const_cast<char*>(data_), size_);
  guard->begin.store(0);
}

bool MappedFile::Whole() const {
  return guard_ == nullptr || !static_cast<const Guard*>(guard_)->cut.load();
}

// Mapped rather than read: copying the bytes out of the page cache costs more than comparing
// them where they are.
bool FileHolds(const std::string& path, const std::vector<std::string_view>& parts) {
  constexpr std::size_t kWindow = std::size_t{4} << 20;
  const ReadableFile file(path);
  const std::uint64_t total = PartsReader::Size(parts);
  if (file.Size() != total)
    return false;
  PartsReader reader(parts);
  for (std::uint64_t at = 0; at < total; at += kWindow) {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, total - at));
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                        static_cast<int>(file.Handle()), static_cast<off_t>(at));
    Guard* guard = view == MAP_FAILED ? nullptr : Watch(view, size);
    bool same = false;
    if (guard == nullptr) {
      if (view != MAP_FAILED)
        ::munmap(view, size);
      const std::string read = file.ReadAt(at, size);
      same = read.size() == size && reader.Matches(read.data(), size);
    } else {
      same = reader.Matches(static_cast<const char*>(view), size) && !guard->cut.load();
      guard->size.store(0);
      ::munmap(view, size);
      guard->begin.store(0);
    }
    if (!same)
      return false;
  }
  return true;
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
