#include "readers/UsedComponents.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>

#include "base/Ascii.h"
#include "base/Path.h"
#include "readers/Inspection.h"

namespace readers {

namespace {

/// The folders a name is looked for in, each listed once however many names are.
class Places {
public:
  Places(platform::FilePort& files, std::vector<std::string> folders)
      : files_(files), folders_(std::move(folders)) {}

  /// The path of name in the first folder holding it, in the disk's spelling; "" when none.
  std::string Find(const std::string& name) {
    const path::Style style = path::StyleOf(files_.PathSeparator());
    for (const std::string& folder : folders_) {
      std::string exact = path::Join(folder, name, style);
      if (files_.NameExists(exact))
        return exact;
      const auto& listing = Entries(folder);
      const auto it = listing.find(ascii::Lower(name));
      if (it != listing.end())
        return path::Join(folder, it->second, style);
    }
    return std::string();
  }

private:
  const std::unordered_map<std::string, std::string>& Entries(const std::string& folder) {
    const auto known = listings_.find(folder);
    if (known != listings_.end())
      return known->second;
    auto& listing = listings_[folder];
    const char separator = files_.PathSeparator();
    const bool ended = !folder.empty() && folder.back() == separator;
    for (const std::string& entry : files_.FolderEntries(ended ? folder : folder + separator))
      listing.emplace(ascii::Lower(entry), entry);
    return listing;
  }

  platform::FilePort& files_;
  std::vector<std::string> folders_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

/// The file's name as the program records it, without any folder; "" when it names none
/// this tool would look for.
std::string RecordedName(const std::string& fileName) {
  std::string name = path::BaseName(fileName, path::Style::windows);
  if (name == "." || name == ".." || path::HasControlCharacter(name))
    return std::string();
  return name;
}

std::string MissingLine(const std::string& name, const std::vector<std::string>& classIds,
                        const std::string& where) {
  std::string classes;
  for (const std::string& id : classIds)
    classes += (classes.empty() ? "" : ", ") + id;
  const std::string left = classIds.empty() ? "it is left out of the manifest"
                           : classIds.size() == 1
                               ? "class " + classes + " is left out of the manifest"
                               : "classes " + classes + " are left out of the manifest";
  const std::string what = name.empty() ? "a component whose file the program does not name"
                                        : name + " not found " + where;
  return what + ": " + left + " and must be registered";
}

} // namespace

UsedComponents FindUsedComponents(const std::vector<VbComponent>& components,
                                  const std::string& programPath, const std::string& folder,
                                  platform::FilePort& files) {
  const path::Style style = path::StyleOf(files.PathSeparator());
  std::vector<std::string> folders{path::Folder(programPath, style)};
  if (folders[0].empty())
    folders[0] = ".";
  if (!folder.empty())
    folders.push_back(folder);
  const std::string where =
      folder.empty() ? "beside the program" : "beside the program or in " + folder;
  // One entry a file, by its name in lower case, with every class id recorded for it.
  struct File {
    std::string name;
    std::vector<std::string> classIds;
  };
  std::vector<File> order;
  std::map<std::string, std::size_t> byName;
  for (const VbComponent& component : components) {
    const std::string name = RecordedName(component.fileName);
    const std::string key = name.empty() ? "\n" + component.classId : ascii::Lower(name);
    const auto [it, isNew] = byName.emplace(key, order.size());
    if (isNew)
      order.push_back({name, {}});
    std::vector<std::string>& ids = order[it->second].classIds;
    if (!component.classId.empty() &&
        std::find(ids.begin(), ids.end(), component.classId) == ids.end())
      ids.push_back(component.classId);
  }
  UsedComponents used;
  Places places(files, folders);
  for (const File& file : order) {
    const std::string path = file.name.empty() ? std::string() : places.Find(file.name);
    if (path.empty())
      used.missing.push_back(MissingLine(file.name, file.classIds, where));
    else
      used.paths.push_back(path);
  }
  return used;
}

std::optional<UsedComponents> UsedComponentsOf(const std::string& programPath,
                                               const std::string& folder,
                                               platform::FilePort& files) {
  const Inspection inspection = InspectProgram(programPath, files);
  if (inspection.state == ProgramState::Unreadable)
    return UsedComponents();
  if (!inspection.visualBasic)
    return std::nullopt;
  return FindUsedComponents(inspection.visualBasic->components, programPath, folder, files);
}

std::string NoRecordedComponents(const std::string& programName) {
  return programName +
         " was not built by Visual Basic: it records no components to look for; name each "
         "one";
}

} // namespace readers
