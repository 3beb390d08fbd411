#pragma once
// Paths as a project writes them: relative to the project's folder or absolute, with '\'
// between folders, and spelt in whatever case the author typed, in the author's ANSI code
// page. Projects come from Windows, so on a disk that tells case apart a name is matched
// without regard to case when the exact spelling is missing, and a name that is not found
// as its bytes is looked for again as the code page reads it (a checkout on Linux names the
// file in UTF-8).

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/CodePages.h"
#include "platform/Ports.h"
#include "project/Refusal.h"
#include "readers/VbProject.h"

namespace project {

/// The files one project names, for one plan or one check: each folder is listed at most
/// once however many names are looked for in it, so the listings hold only while nothing
/// is written.
class ProjectFiles {
public:
  ProjectFiles(platform::FilePort& files, std::string projectFolder,
               unsigned codePage = codepages::kDefault);

  /// Where written (a path from the project file) lies on this disk: the exact spelling when
  /// that exists, else the first entry of each folder that matches without regard to case,
  /// else the same for written in the project's code page; the exact spelling again when
  /// nothing matches, for the message that names it.
  std::string Find(const std::string& written);

  /// ReadProjectFile for a path Find gave; when the name was not found in the code page
  /// either, why tells how to name another.
  bool Read(const std::string& path, std::size_t limit, std::string& bytes, std::string& why);

  /// What follows "does not exist" for the path Find gave: "" unless its name was looked for
  /// in the code page too, in vain.
  std::string NotFoundHint(const std::string& path) const;

private:
  /// The path as the disk spells it, part by part; "" when a part matches nothing.
  std::string Match(const std::string& path);
  struct Listing {
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> byLowerCase; ///< the first of each
  };
  const Listing& Entries(const std::string& folder);

  platform::FilePort& files_;
  const std::string folder_;
  const unsigned codePage_;
  std::unordered_map<std::string, Listing> listings_;
  std::unordered_set<std::string> notFound_; ///< paths of names looked for in the code page too
};

/// Names are data: a name the project gives a file that holds a control character (a NUL
/// would cut it short at the system) is never looked for. Why the project is refused for the
/// first such name (a ControlCharacterInName refusal), unset when it gives none.
std::optional<Refusal> NameWithControlCharacter(const std::string& projectPath,
                                                const readers::ProjectFacts& facts);

/// The bytes of path, at most limit of them; false with why they cannot be read, in words
/// that follow "cannot be read: ". A link is not followed, and says so.
bool ReadProjectFile(platform::FilePort& files, const std::string& path, std::size_t limit,
                     std::string& bytes, std::string& why);

} // namespace project
