#pragma once
// Inside platform/ only: the words both platforms' readers refuse a file with.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::reading {

inline constexpr const char* kNotRegularFile = "not a regular file";

inline std::string TooLarge(std::uint64_t size, std::size_t limit) {
  return "file is " + std::to_string(size) + " bytes; at most " + std::to_string(limit) +
         " are read";
}

} // namespace platform::reading
