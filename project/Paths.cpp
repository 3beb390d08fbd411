#include "project/Paths.h"

#include <vector>

#include "base/Ascii.h"
#include "base/SystemError.h"
#include "readers/VbProject.h"

namespace project {

std::string FindProjectFile(generation::FileOperations& files, const std::string& projectFolder,
                            const std::string& written) {
  const char separator = files.PathSeparator();
  const std::string path = readers::FromProjectFolder(projectFolder, written, separator);
  if (files.IsPlainFile(path) || separator == '\\')
    return path;

  // Folder by folder, each part taken as the disk spells it.
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (std::string::size_type at; (at = path.find(separator, start)) != std::string::npos;
       start = at + 1)
    parts.push_back(path.substr(start, at - start));
  parts.push_back(path.substr(start));
  // A relative path (a project named from the current folder) is matched from its first
  // part on.
  const bool absolute = parts[0].empty();
  std::string found = absolute ? std::string(1, separator) : std::string();
  for (std::size_t i = absolute ? 1 : 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string match;
    if (part.empty() || part == "." || part == "..") {
      match = part;
    } else {
      for (const std::string& entry : files.FolderEntries(found.empty() ? "." : found))
        if (entry == part || (match.empty() && ascii::EqualIgnoringCase(entry, part)))
          match = entry;
      if (match.empty())
        return path;
    }
    found += match;
    if (i + 1 < parts.size() && !match.empty())
      found += separator;
  }
  return found;
}

bool ReadProjectFile(generation::FileOperations& files, const std::string& path,
                     std::size_t limit, std::string& bytes, std::string& why) {
  if (!files.IsPlainFile(path)) {
    why = files.FileExists(path) || files.IsFolder(path) ? "not a plain file" : "it does not exist";
    return false;
  }
  try {
    bytes = files.ReadBytes(path, limit);
    return true;
  } catch (const SystemError& error) {
    why = error.Description();
    return false;
  }
}

} // namespace project
