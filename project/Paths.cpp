#include "project/Paths.h"

#include <utility>
#include <vector>

#include "base/Ascii.h"
#include "base/Path.h"
#include "base/SystemError.h"
#include "project/ProjectTexts.h"
#include "readers/VbProject.h"

namespace project {

ProjectFiles::ProjectFiles(platform::FilePort& files, std::string projectFolder, unsigned codePage)
    : files_(files), folder_(std::move(projectFolder)), codePage_(codePage) {}

std::string ProjectFiles::Find(const std::string& written) {
  const char separator = files_.PathSeparator();
  std::string path = path::FromWindowsName(folder_, written, path::StyleOf(separator));
  // Windows matches without regard to case, in its own code page.
  if (separator == '\\' || files_.IsPlainFile(path))
    return path;
  std::string found = Match(path);
  if (!found.empty())
    return found;
  const std::string decoded = codepages::ToUtf8(written, codePage_);
  if (decoded == written)
    return path;
  const std::string again = path::FromWindowsName(folder_, decoded, path::StyleOf(separator));
  found = files_.IsPlainFile(again) ? again : Match(again);
  if (!found.empty())
    return found;
  notFound_.insert(path);
  return path;
}

std::string ProjectFiles::Match(const std::string& path) {
  const char separator = files_.PathSeparator();
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
    std::string match = part;
    if (!part.empty() && part != "." && part != "..") {
      const Listing& listing = Entries(found.empty() ? "." : found);
      if (listing.names.count(part) == 0) {
        const auto it = listing.byLowerCase.find(ascii::Lower(part));
        if (it == listing.byLowerCase.end())
          return std::string();
        match = it->second;
      }
    }
    found += match;
    if (i + 1 < parts.size() && !match.empty())
      found += separator;
  }
  return found;
}

const ProjectFiles::Listing& ProjectFiles::Entries(const std::string& folder) {
  const auto it = listings_.find(folder);
  if (it != listings_.end())
    return it->second;
  Listing& listing = listings_[folder];
  for (std::string& entry : files_.FolderEntries(folder)) {
    listing.byLowerCase.emplace(ascii::Lower(entry), entry);
    listing.names.insert(std::move(entry));
  }
  return listing;
}

bool ProjectFiles::Read(const std::string& path, std::size_t limit, std::string& bytes,
                        std::string& why) {
  if (ReadProjectFile(files_, path, limit, bytes, why))
    return true;
  why += NotFoundHint(path);
  return false;
}

std::string ProjectFiles::NotFoundHint(const std::string& path) const {
  return notFound_.count(path) != 0 ? texts::NotInCodePage(codePage_) : std::string();
}

std::optional<Refusal> NameWithControlCharacter(const std::string& projectPath,
                                                const readers::ProjectFacts& facts) {
  for (const readers::ProjectPath& named : facts.paths)
    if (path::HasControlCharacter(named.path))
      return Refusal(Problem::ControlCharacterInName, {projectPath, std::to_string(named.line),
                                                       named.key, path::Visible(named.path)});
  return std::nullopt;
}

bool ReadProjectFile(platform::FilePort& files, const std::string& path, std::size_t limit,
                     std::string& bytes, std::string& why) {
  if (!files.IsPlainFile(path)) {
    why = files.IsLink(path) ? texts::kIsALink
          : files.FileExists(path) || files.IsFolder(path)
              ? texts::kNotAPlainFile
              : std::string("it ") + texts::kDoesNotExist;
    return false;
  }
  try {
    bytes = files.ReadBytes(path, limit);
    return true;
  } catch (const base::SystemError& error) {
    why = error.Description();
    return false;
  }
}

} // namespace project
