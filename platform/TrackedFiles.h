#pragma once
// The files a stop handler deletes: fixed slots it can read without allocating or locking.
#include <cstddef>

namespace platform::tracked {

inline constexpr int kSlots = 16;
inline constexpr std::size_t kPathBytes = 4096;
/// A slot is in use while its first byte is not NUL; the byte is written last when a path
/// goes in and first when it goes out, so the handler never sees half a path.
extern char slots[kSlots][kPathBytes];

} // namespace platform::tracked
