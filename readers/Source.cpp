#include "readers/Source.h"

#include "base/Unicode.h"

namespace readers {

std::string Source::Read(std::uint64_t offset, std::uint64_t count, const char* what) const {
  if (!Has(offset, count))
    throw FormatError(PastTheEnd(what, offset, count, "the file", Size()));
  return ReadInside(offset, static_cast<std::size_t>(count));
}

std::uint16_t Source::U16(std::uint64_t offset, const char* what) const {
  return Bytes(Read(offset, 2, what)).U16(0, what);
}

std::uint32_t Source::U32(std::uint64_t offset, const char* what) const {
  return Bytes(Read(offset, 4, what)).U32(0, what);
}

std::string Source::Utf16(std::uint64_t offset, std::uint64_t units, const char* what) const {
  return unicode::Utf16LeToUtf8(Read(offset, units * 2, what));
}

std::string FileSource::ReadInside(std::uint64_t offset, std::size_t count) const {
  std::string bytes;
  try {
    bytes = file_->ReadAt(offset, count);
  } catch (const base::SystemError& error) {
    throw FormatError(error.Description());
  }
  // The file became shorter since it was opened.
  if (bytes.size() != count)
    throw FormatError("the file ended at offset " + Hex(offset + bytes.size()) +
                      " while it was read");
  return bytes;
}

} // namespace readers
