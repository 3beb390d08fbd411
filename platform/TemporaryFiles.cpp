#include "platform/TemporaryFiles.h"

namespace platform {

// A run that was killed could not remove its temporary files; the process id in their
// names tells that nobody is using them any more.
void RemoveStaleTemporaryFiles(FileOperations& files, const std::string& folder) {
  const unsigned long self = files.ProcessId();
  for (const std::string& name : files.FolderEntries(folder)) {
    const unsigned long owner = TemporaryOwner(name);
    if (owner == 0 || owner == self || files.ProcessRunning(owner))
      continue;
    const std::string path = folder + name;
    try {
      if (files.IsPlainFile(path))
        files.RemoveFile(path);
    } catch (const base::SystemError&) {
      // Left for a later run; it is in nobody's way.
    }
  }
}

} // namespace platform
