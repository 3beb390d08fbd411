#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

std::string GetFileName(const std::string& path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/')
    return path;
  // A backslash anywhere wins over a later forward slash.
  std::string::size_type cut = path.rfind('\\');
  if (cut == std::string::npos)
    cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string GetPathPart(const std::string& path) {
  const std::string::size_type cut = path.rfind('\\');
  return cut == std::string::npos ? path : path.substr(0, cut + 1);
}

std::string StripExtension(const std::string& name) {
  const std::string::size_type dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

std::string AppFolder() {
  const char separator = platform::PathSeparator();
  std::string exe = platform::ExecutablePath();
  std::string folder = exe.substr(0, exe.rfind(separator) + 1);
  if (folder.empty() || folder.back() != separator)
    folder += separator;
  return folder;
}

} // namespace brask
