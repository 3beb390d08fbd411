#include "readers/Bytes.h"

#include <cstdio>

#include "base/Unicode.h"

namespace readers {

std::string Hex(std::uint64_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + text;
}

std::string PastTheEnd(const char* what, std::uint64_t offset, std::uint64_t count,
                       const char* whole, std::uint64_t size) {
  return std::string(what) + " at offset " + Hex(offset) + " (" + std::to_string(count) +
         " bytes) runs past the end of " + whole + " (" + std::to_string(size) + " bytes)";
}

std::string TooLarge(const std::string& what, std::uint64_t size, std::uint64_t limit) {
  return what + " is " + std::to_string(size) + " bytes; at most " + std::to_string(limit) +
         " are read";
}

void Bytes::Need(std::uint64_t offset, std::uint64_t count, const char* what) const {
  if (!Has(offset, count))
    throw FormatError(PastTheEnd(what, offset, count, whole_, size_));
}

std::uint8_t Bytes::U8(std::uint64_t offset, const char* what) const {
  Need(offset, 1, what);
  return static_cast<std::uint8_t>(data_[offset]);
}

std::uint16_t Bytes::U16(std::uint64_t offset, const char* what) const {
  Need(offset, 2, what);
  const auto* p = reinterpret_cast<const unsigned char*>(data_ + offset);
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Bytes::U32(std::uint64_t offset, const char* what) const {
  Need(offset, 4, what);
  const auto* p = reinterpret_cast<const unsigned char*>(data_ + offset);
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

Bytes Bytes::Sub(std::uint64_t offset, std::uint64_t count, const char* what) const {
  Need(offset, count, what);
  return Bytes(data_ + offset, static_cast<std::size_t>(count), what);
}

std::string Bytes::Copy(std::uint64_t offset, std::uint64_t count, const char* what) const {
  Need(offset, count, what);
  return std::string(data_ + offset, static_cast<std::size_t>(count));
}

std::string Bytes::Utf16(std::uint64_t offset, std::uint64_t units, const char* what) const {
  Need(offset, units * 2, what);
  return unicode::Utf16LeToUtf8(std::string_view(data_ + offset, units * 2));
}

std::string GuidText(const Bytes& table, std::uint64_t at) {
  const Bytes b = table.Sub(at, 16, "a GUID");
  at = 0;
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(b.U32(at, "a GUID")), b.U16(at + 4, "a GUID"),
                b.U16(at + 6, "a GUID"), b.U8(at + 8, "a GUID"), b.U8(at + 9, "a GUID"),
                b.U8(at + 10, "a GUID"), b.U8(at + 11, "a GUID"), b.U8(at + 12, "a GUID"),
                b.U8(at + 13, "a GUID"), b.U8(at + 14, "a GUID"), b.U8(at + 15, "a GUID"));
  return text;
}

} // namespace readers
