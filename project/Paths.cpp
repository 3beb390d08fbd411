#include "project/Paths.h"

#include <vector>

#include "base/Ascii.h"
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
  std::string found = parts[0].empty() ? std::string(1, separator) : parts[0] + separator;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string match;
    if (part.empty() || part == "." || part == "..") {
      match = part;
    } else {
      for (const std::string& entry : files.FolderEntries(found))
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

} // namespace project
