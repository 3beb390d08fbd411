#pragma once
// Where a reader's bytes come from: a string already in memory, or a file read a range at a
// time, so that a program of gigabytes is never held whole for the few kilobytes of headers
// and resources the readers want. Every read is checked against the end, as Bytes does.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Ports.h"
#include "readers/Bytes.h"

namespace readers {

class Source {
public:
  virtual ~Source() = default;
  virtual std::uint64_t Size() const = 0;
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= Size() && count <= Size() - offset;
  }
  /// count bytes from offset. Throws FormatError naming what when they run past the end;
  /// the caller keeps count small or checks it against a limit first.
  std::string Read(std::uint64_t offset, std::uint64_t count, const char* what) const;
  std::uint16_t U16(std::uint64_t offset, const char* what) const;
  std::uint32_t U32(std::uint64_t offset, const char* what) const;
  /// units UTF-16LE code units from offset as UTF-8.
  std::string Utf16(std::uint64_t offset, std::uint64_t units, const char* what) const;

protected:
  /// count bytes from offset, which lie inside; a short answer is a read error.
  virtual std::string ReadInside(std::uint64_t offset, std::size_t count) const = 0;
};

/// Bytes in memory, which must outlive the source.
class MemorySource final : public Source {
public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }

private:
  std::string ReadInside(std::uint64_t offset, std::size_t count) const override {
    return std::string(bytes_.substr(static_cast<std::size_t>(offset), count));
  }
  std::string_view bytes_;
};

/// A regular file, open while the source lives. The constructor throws SystemError; a read
/// that fails later is a FormatError with the system's reason.
class FileSource final : public Source {
public:
  explicit FileSource(const std::string& path,
                      platform::FilePort& files = platform::TheSystemFiles())
      : file_(files.Open(path)) {}
  std::uint64_t Size() const override { return file_->Size(); }

private:
  std::string ReadInside(std::uint64_t offset, std::size_t count) const override;
  std::unique_ptr<platform::OpenFile> file_;
};

} // namespace readers
