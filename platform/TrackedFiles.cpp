// The same on every platform: only the deletion in the stop handler differs.
#include "platform/TrackedFiles.h"

#include <cstring>

#include "platform/Platform.h"

namespace platform {

namespace tracked {
char slots[kSlots][kPathBytes];
} // namespace tracked

void TrackTemporaryFile(const std::string& path) {
  if (path.empty() || path.size() >= tracked::kPathBytes)
    return;
  for (char* slot : tracked::slots)
    if (slot[0] == '\0') {
      std::memcpy(slot + 1, path.data() + 1, path.size() - 1);
      slot[path.size()] = '\0';
      slot[0] = path[0];
      return;
    }
}

void UntrackTemporaryFile(const std::string& path) {
  for (char* slot : tracked::slots)
    if (slot[0] != '\0' && path == slot)
      slot[0] = '\0';
}

} // namespace platform
