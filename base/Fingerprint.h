#pragma once
// What tells whether a file still holds the bytes a run read: its size and a 64-bit FNV-1a
// hash of its bytes. Not a defence against a forger, only against an editor's save.

#include <cstdint>
#include <string>

namespace fingerprint {

class Hasher {
public:
  void Add(const std::string& bytes) {
    for (const char c : bytes) {
      hash_ ^= static_cast<unsigned char>(c);
      hash_ *= 0x100000001b3u;
    }
    size_ += bytes.size();
  }
  /// "<size>:<16 hex digits>".
  std::string Text() const {
    std::string hex(16, '0');
    std::uint64_t value = hash_;
    for (std::size_t i = 16; i-- > 0; value >>= 4)
      hex[i] = "0123456789abcdef"[value & 15];
    return std::to_string(size_) + ":" + hex;
  }

private:
  std::uint64_t hash_ = 0xcbf29ce484222325u;
  std::uint64_t size_ = 0;
};

inline std::string Of(const std::string& bytes) {
  Hasher hasher;
  hasher.Add(bytes);
  return hasher.Text();
}

} // namespace fingerprint
