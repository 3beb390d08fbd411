#include "front/Target.h"

#include "base/Ascii.h"

namespace front {

bool GenerateEnabledFor(const std::string& targetPath) {
  const std::string::size_type at = ascii::Lower(targetPath).find(".exe");
  return at != std::string::npos && at >= 1;
}

} // namespace front
