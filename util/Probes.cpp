#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

// The module's contract: a successful probe leaves the folder current, and nothing here
// restores it. The generation does not use it: its file port changes no directory.
bool FolderExists(const std::string& path) { return platform::ChangeDirectory(path); }

bool FileExists(const std::string& path) {
  if (FolderExists(path))
    return false;
  if (path.empty())
    return false;
  return platform::HasAttributes(path);
}

void SetNormalAttributes(const std::string& path) { platform::SetNormalAttributes(path); }

void RemoveFile(const std::string& path) { platform::RemoveFile(path); }

} // namespace brask
