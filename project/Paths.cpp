#include "project/Paths.h"

#include <vector>

#include "base/Ascii.h"

namespace project {

namespace {

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
         (path.size() >= 2 && path[1] == ':');
}

} // namespace

std::string FolderOfProject(const std::string& projectPath) {
  const std::string::size_type cut = projectPath.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : projectPath.substr(0, cut + 1);
}

std::string FindProjectFile(generation::FileOperations& files, const std::string& projectFolder,
                            const std::string& written) {
  const char separator = files.PathSeparator();
  std::string path = written;
  for (char& c : path)
    if (c == '\\' || c == '/')
      c = separator;
  if (!IsAbsolute(path))
    path = projectFolder + path;
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
