#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

// The driver relies on a successful probe leaving the folder current: the resource
// compiler finds the manifest by its bare name there. So nothing here restores it.
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
