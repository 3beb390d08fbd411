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

namespace {
bool EndsWith(const std::string& path, const char* extension) {
  const std::string tail(extension);
  return path.size() > tail.size() &&
         ascii::EqualIgnoringCase(path.substr(path.size() - tail.size()), tail);
}
} // namespace

bool IsEmbeddablePath(const std::string& path) {
  return EndsWith(path, ".exe") || EndsWith(path, ".dll") || EndsWith(path, ".ocx");
}

bool IsProgramPath(const std::string& path) { return EndsWith(path, ".exe"); }

} // namespace front
