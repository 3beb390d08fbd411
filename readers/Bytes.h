#pragma once
// A read-only view of a file's bytes in which every read is checked against the end. The
// readers of this folder take no size or offset from a file on trust: they read through
// this view and nothing else.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace readers {

/// What is wrong with a file's contents. The caller puts the file's name in front.
class FormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// "0x1A2B": offsets in messages, as dump tools show them.
std::string Hex(std::uint64_t value);

/// "what at offset 0x10 (4 bytes) runs past the end of whole (12 bytes)".
std::string PastTheEnd(const char* what, std::uint64_t offset, std::uint64_t count,
                       const char* whole, std::uint64_t size);

/// "the manifest is 5000000 bytes; at most 1048576 are read": what a limit refuses.
std::string TooLarge(const std::string& what, std::uint64_t size, std::uint64_t limit);

/// The message for input whose reading needs more memory than there is; readers turn
/// std::bad_alloc into their own error with it rather than let it escape.
inline constexpr const char* kOutOfMemory = "not enough memory to read it";

class Bytes {
public:
  Bytes() = default;
  /// whole names the bytes in messages: "the file", "the name table".
  explicit Bytes(const std::string& data, const char* whole = "the file")
      : data_(data.data()), size_(data.size()), whole_(whole) {}
  Bytes(const char* data, std::size_t size, const char* whole = "the file")
      : data_(data), size_(size), whole_(whole) {}

  std::size_t Size() const { return size_; }
  /// True when count bytes from offset lie inside; never overflows.
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  // Little-endian reads; what names the structure for the message when the read falls
  // outside.
  std::uint8_t U8(std::uint64_t offset, const char* what) const;
  std::uint16_t U16(std::uint64_t offset, const char* what) const;
  std::uint32_t U32(std::uint64_t offset, const char* what) const;
  std::int32_t I32(std::uint64_t offset, const char* what) const {
    return static_cast<std::int32_t>(U32(offset, what));
  }
  /// count bytes from offset as a view of their own, named what in later messages.
  Bytes Sub(std::uint64_t offset, std::uint64_t count, const char* what) const;
  std::string Copy(std::uint64_t offset, std::uint64_t count, const char* what) const;
  const char* Data() const { return data_; }

  /// units UTF-16LE code units from offset as UTF-8; a lone surrogate becomes U+FFFD.
  std::string Utf16(std::uint64_t offset, std::uint64_t units, const char* what) const;

private:
  void Need(std::uint64_t offset, std::uint64_t count, const char* what) const;

  const char* data_ = nullptr;
  std::size_t size_ = 0;
  const char* whole_ = "the file";
};

/// The 16 bytes at at of table as COM stores a GUID, as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const Bytes& table, std::uint64_t at);

} // namespace readers
