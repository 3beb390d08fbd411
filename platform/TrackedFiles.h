#pragma once
// Inside platform/ only: what the stop handler shares with the code it interrupts (see the
// comment in platform/Stopping.h). Everything here is lock-free and allocates nothing.
#include <atomic>
#include <cstddef>

namespace platform::tracked {

inline constexpr int kSlots = 16;
inline constexpr std::size_t kPathBytes = 4096;

struct Slot {
  /// Set with release order once path is written, cleared before it may be written again.
  std::atomic<bool> used{false};
  char path[kPathBytes];
};
static_assert(std::atomic<bool>::is_always_lock_free);

extern Slot slots[kSlots];
/// Held while slots change and while a stop request is held off; the handler keeps it.
extern std::atomic_flag lock;

/// A short sleep while another holds the lock; async-signal-safe. One per platform.
void Pause();
/// Blocks (or unblocks) the stop signals in this thread; nothing on Windows.
void BlockStopSignals(bool block);

inline void Lock() {
  while (lock.test_and_set(std::memory_order_acquire))
    Pause();
}
inline void Unlock() { lock.clear(std::memory_order_release); }

} // namespace platform::tracked
