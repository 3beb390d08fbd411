#include "inspect/Bytes.h"

namespace inspect {

std::string Hex(std::uint64_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + text;
}

void Bytes::Need(std::uint64_t offset, std::uint64_t count, const char* what) const {
  if (!Has(offset, count))
    throw FormatError(std::string(what) + " at offset " + Hex(offset) + " (" +
                      std::to_string(count) + " bytes) runs past the end of " + whole_ + " (" +
                      std::to_string(size_) + " bytes)");
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
  std::string text;
  for (std::uint64_t i = 0; i < units; ++i) {
    std::uint32_t c = U16(offset + 2 * i, what);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = U16(offset + 2 * (i + 1), what);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF)
      c = 0xFFFD;
    AppendUtf8(text, c);
  }
  return text;
}

void AppendUtf8(std::string& text, std::uint32_t c) {
  if (c < 0x80) {
    text += static_cast<char>(c);
  } else if (c < 0x800) {
    text += static_cast<char>(0xC0 | (c >> 6));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (c >> 18));
    text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
}

} // namespace inspect
