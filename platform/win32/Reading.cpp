// Win32 only: files opened for reading by ranges, and names compared as files.
#include <windows.h>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "platform/Platform.h"
#include "platform/Reading.h"
#include "platform/win32/FromInteger.h"
#include "platform/win32/Win32Error.h"

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t handle) { return win32::FromInteger<HANDLE>(handle); }

} // namespace

// A pipe or a console answers CreateFile too; only a disk file that is no folder is read.
ReadableFile::ReadableFile(const std::string& path, bool required) : path_(path) {
  win32::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid() && !required &&
      (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
    return;
  if (!file.valid())
    win32::ThrowLastError("Open", path);
  if (GetFileType(file.get()) != FILE_TYPE_DISK)
    throw base::SystemError("Open", path, ERROR_INVALID_FUNCTION, reading::kNotRegularFile);
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file.get(), &information))
    win32::ThrowLastError("Read", path);
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    throw base::SystemError("Open", path, ERROR_INVALID_FUNCTION, reading::kNotRegularFile);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size))
    win32::ThrowLastError("Read", path);
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  handle_ = reinterpret_cast<std::intptr_t>(file.release());
}

ReadableFile::~ReadableFile() {
  if (handle_ != -1)
    CloseHandle(AsHandle(handle_));
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
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    win32::ThrowLastError("Read", path_);
  }
  std::size_t done = 0;
  while (done < count) {
    const std::uint64_t at = offset + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const std::size_t left = count - done;
    const DWORD want = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle_), bytes.data() + done, want, &got, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF)
        break;
      win32::ThrowLastError("Read", path_);
    }
    if (got == 0)
      break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

std::string ReadableFile::ReadAll(std::size_t limit) const {
  if (size_ > limit)
    throw base::SystemError("Read", path_, ERROR_FILE_TOO_LARGE, reading::TooLarge(size_, limit));
  return ReadAt(0, static_cast<std::size_t>(size_));
}

// One ReadFile call takes at most 2 GiB less one byte.
std::string ReadFileBytes(const std::string& path) {
  const ReadableFile file(path);
  if (file.Size() > 0x7fffffff) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    win32::ThrowLastError("Read", path);
  }
  return file.ReadAll(std::numeric_limits<std::size_t>::max());
}

std::string ReadFileBytes(const std::string& path, std::size_t limit) {
  return ReadableFile(path).ReadAll(limit);
}

MappedFile::MappedFile(const std::string& path, std::size_t limit) {
  const ReadableFile file(path);
  if (file.Size() > limit)
    throw base::SystemError("Read", path, ERROR_FILE_TOO_LARGE,
                            reading::TooLarge(file.Size(), limit));
  size_ = static_cast<std::size_t>(file.Size());
  if (size_ == 0)
    return;
  // The view keeps the file; the mapping's own handle is not needed after it.
  if (HANDLE mapping =
          CreateFileMappingA(AsHandle(file.Handle()), nullptr, PAGE_READONLY, 0, 0, nullptr)) {
    void* at = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size_);
    CloseHandle(mapping);
    if (at) {
      data_ = static_cast<const char*>(at);
      guard_ = at;
      return;
    }
  }
  read_ = file.ReadAt(0, size_);
  data_ = read_.data();
  size_ = read_.size();
}

MappedFile::~MappedFile() {
  if (guard_)
    UnmapViewOfFile(guard_);
}

// Windows cuts no mapped file short.
bool MappedFile::Whole() const { return true; }

// Mapped rather than read: copying the bytes out of the file cache costs more than comparing
// them where they are. A window's offset is a multiple of the allocation granularity.
bool FileHolds(const std::string& path, const std::vector<std::string_view>& parts) {
  constexpr std::size_t kWindow = std::size_t{4} << 20;
  const ReadableFile file(path);
  const std::uint64_t total = PartsReader::Size(parts);
  if (file.Size() != total)
    return false;
  PartsReader reader(parts);
  HANDLE mapping = total == 0 ? nullptr
                              : CreateFileMappingA(AsHandle(file.Handle()), nullptr, PAGE_READONLY,
                                                   0, 0, nullptr);
  bool same = true;
  for (std::uint64_t at = 0; same && at < total; at += kWindow) {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, total - at));
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(at >> 32),
                                         static_cast<DWORD>(at), size)
                         : nullptr;
    if (view) {
      same = reader.Matches(static_cast<const char*>(view), size);
      UnmapViewOfFile(view);
    } else {
      const std::string read = file.ReadAt(at, size);
      same = read.size() == size && reader.Matches(read.data(), size);
    }
  }
  if (mapping)
    CloseHandle(mapping);
  return same;
}

std::string CanonicalPath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0)
    return std::string();
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed)
    return std::string();
  full.resize(length);
  return full;
}

bool NameExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace platform
