#include "front/Target.h"

#include "base/Ascii.h"

namespace front {

bool GenerateEnabledFor(const std::string& targetPath) {
  const std::string::size_type at = ascii::Lower(targetPath).find(".exe");
  return (at != std::string::npos && at >= 1) || IsProjectPath(targetPath);
}

bool IsProjectPath(const std::string& path) {
  return path.size() > 4 && ascii::EqualIgnoringCase(path.substr(path.size() - 4), ".vbp");
}

} // namespace front
