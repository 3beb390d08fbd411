// The same on every platform: the names, the tracked files and holding stop requests off.
#include "platform/Stopping.h"

#include <chrono>
#include <cstring>
#include <random>

#include "platform/Platform.h"
#include "platform/TrackedFiles.h"

namespace platform {

namespace tracked {
Slot slots[kSlots];
std::atomic_flag lock = ATOMIC_FLAG_INIT;
} // namespace tracked

namespace {

constexpr char kPrefix[] = "~themefold-";
constexpr std::size_t kPrefixSize = sizeof kPrefix - 1;
constexpr std::size_t kHexDigits = 16;

std::string Hex(std::uint64_t bits) {
  std::string hex(kHexDigits, '0');
  for (std::size_t i = kHexDigits; i-- > 0; bits >>= 4)
    hex[i] = "0123456789abcdef"[bits & 15];
  return hex;
}

// SplitMix64's finaliser: every input bit moves every output bit.
std::uint64_t Mix(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
  return x ^ (x >> 31);
}

thread_local int holds = 0;

} // namespace

std::uint64_t RandomBits() {
  static std::atomic<std::uint64_t> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::uint64_t bits = Mix(static_cast<std::uint64_t>(now) ^ Mix(ProcessId() ^ (counter++ << 40)));
  try {
    std::random_device device;
    bits ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
  } catch (const std::exception&) {
  }
  return bits;
}

std::string TemporaryStem(unsigned long processId, std::uint64_t random) {
  return kPrefix + std::to_string(processId) + "-" + Hex(random);
}

unsigned long TemporaryOwner(const std::string& name) {
  if (name.compare(0, kPrefixSize, kPrefix) != 0)
    return 0;
  std::size_t i = kPrefixSize;
  std::uint64_t id = 0;
  const std::size_t digitsStart = i;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - digitsStart < 10)
    id = id * 10 + static_cast<std::uint64_t>(name[i++] - '0');
  // Process ids are 32-bit; unsigned long on Windows would wrap a larger one onto another's.
  if (i == digitsStart || id > 0xFFFFFFFFu || i >= name.size() || name[i] != '-' ||
      name.size() < i + 1 + kHexDigits)
    return 0;
  for (std::size_t k = i + 1; k < i + 1 + kHexDigits; ++k) {
    const char c = name[k];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return 0;
  }
  return static_cast<unsigned long>(id);
}

std::string TemporaryNameBeside(const std::string& path) {
  return path + ".~" + Hex(RandomBits()) + ".tmp";
}

bool CreateNewFile(const std::string& path, const std::string& bytes, bool durable) {
  NewFile file;
  if (!file.Create(path))
    return false;
  file.Write(bytes);
  file.Close(durable);
  return true;
}

void HoldStopRequests(bool hold) {
  if (hold) {
    if (holds++ == 0) {
      tracked::BlockStopSignals(true);
      tracked::Lock();
    }
  } else if (--holds == 0) {
    tracked::Unlock();
    tracked::BlockStopSignals(false);
  }
}

void TrackTemporaryFile(const std::string& path) {
  if (path.empty() || path.size() >= tracked::kPathBytes)
    return;
  HoldStopRequests(true);
  for (tracked::Slot& slot : tracked::slots)
    if (!slot.used.load(std::memory_order_relaxed)) {
      std::memcpy(slot.path, path.c_str(), path.size() + 1);
      slot.used.store(true, std::memory_order_release);
      break;
    }
  HoldStopRequests(false);
}

void UntrackTemporaryFile(const std::string& path) {
  HoldStopRequests(true);
  for (tracked::Slot& slot : tracked::slots)
    if (slot.used.load(std::memory_order_relaxed) && path == slot.path)
      slot.used.store(false, std::memory_order_release);
  HoldStopRequests(false);
}

} // namespace platform
