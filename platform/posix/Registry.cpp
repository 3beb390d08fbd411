// POSIX only: there is no registry, so every value is missing.
#include "platform/Platform.h"

namespace platform {

RegistryQuery QueryRegistryValue(std::uintptr_t, const std::string&, const std::string&,
                                 std::size_t bufferSize) {
  RegistryQuery query;
  query.buffer.assign(bufferSize, ' ');
  return query;
}

} // namespace platform
