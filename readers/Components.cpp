#include "readers/Components.h"

#include <cstdlib>

#include "readers/Bytes.h"
#include "readers/VbProject.h"
#include "platform/Platform.h"

namespace inspect {

namespace {

// OLEMISC bits from the lowest up, as the manifest schema names them.
constexpr const char* kMiscStatusNames[] = {
    "recomposeonresize", "onlyiconic", "insertnotreplace", "static",
    "cantlinkinside", "canlinkbyole1", "islinkobject", "insideout",
    "activatewhenvisible", "renderingisdeviceindependent", "invisibleatruntime", "alwaysrun",
    "actslikebutton", "actslikelabel", "nouiactivate", "alignable",
    "simpleframe", "setclientsitefirst", "imemode", "ignoreactivatewhenvisible",
    "wantstomenumerge", "supportsmultilevelundo",
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameFolderText(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] == '/' ? '\\' : Lower(a[i]);
    const char y = b[i] == '/' ? '\\' : Lower(b[i]);
    if (x != y)
      return false;
  }
  return true;
}

bool IsSeparator(char c, char separator) { return c == separator || c == '/' || c == '\\'; }

// The registered value as a number; false when there is none.
bool RegisteredBits(const RegistryReader& registry, const std::string& subKey, unsigned& bits) {
  const std::string text = registry ? registry(subKey) : std::string();
  if (text.empty())
    return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0')
    return false;
  bits = static_cast<unsigned>(value);
  return true;
}

} // namespace

std::string MiscStatusNames(unsigned bits) {
  std::string text;
  for (std::size_t i = 0; i < sizeof kMiscStatusNames / sizeof kMiscStatusNames[0]; ++i)
    if (bits & (1u << i))
      text += (text.empty() ? "" : ",") + std::string(kMiscStatusNames[i]);
  return text;
}

std::string ManifestFileName(const std::string& path, const std::string& programFolder,
                             char separator, bool& outside) {
  std::string folder = programFolder;
  if (!folder.empty() && !IsSeparator(folder.back(), separator))
    folder += separator;
  outside = folder.empty() || path.size() <= folder.size() ||
            !SameFolderText(path.substr(0, folder.size()), folder);
  std::string name;
  if (outside) {
    std::size_t start = path.size();
    while (start > 0 && !IsSeparator(path[start - 1], separator))
      --start;
    name = path.substr(start);
  } else {
    name = path.substr(folder.size());
  }
  for (char& c : name)
    if (c == '/')
      c = '\\';
  return name;
}

generation::ComponentFacts ComponentFactsOf(const TypeLibrary& library,
                                            const std::string& fileName,
                                            const RegistryReader& registry,
                                            std::vector<std::string>& notes) {
  generation::ComponentFacts facts;
  facts.fileName = fileName;
  facts.tlbid = library.guid;
  facts.version = std::to_string(library.major) + "." + std::to_string(library.minor);
  facts.flags = LibraryFlagsText(library.flags);
  std::vector<std::string> exposed;
  for (const TypeLibClass& item : library.classes) {
    if (!(item.flags & kTypeCanCreate))
      continue;
    generation::ComClassFacts entry;
    entry.clsid = item.clsid;
    entry.progId = library.name + "." + item.name;
    entry.description = item.name;
    if (item.flags & kTypeControl) {
      const std::string key = "SOFTWARE\\Classes\\CLSID\\" + item.clsid + "\\MiscStatus";
      unsigned all = 0;
      unsigned content = 0;
      const bool registered = RegisteredBits(registry, key, all);
      if (!RegisteredBits(registry, key + "\\1", content))
        content = registered ? all : kVbControlMiscStatus;
      entry.miscStatus = MiscStatusNames(all);
      entry.miscStatusContent = MiscStatusNames(content);
      notes.push_back(item.name + ": miscStatus " +
                      (registered ? "as registered on this machine"
                                  : "the usual value of Visual Basic controls"));
    }
    facts.classes.push_back(entry);
    for (const ImplementedInterface& implemented : item.interfaces)
      if (!implemented.external)
        exposed.push_back(implemented.iid);
  }
  // The library's order, so that a class listing an interface twice changes nothing.
  for (const TypeLibInterface& item : library.interfaces) {
    if (item.kind != InterfaceKind::Dispatch && item.kind != InterfaceKind::Dual)
      continue;
    for (const std::string& iid : exposed)
      if (iid == item.iid) {
        facts.interfaces.push_back({item.name, item.iid});
        break;
      }
  }
  return facts;
}

std::vector<Component> ReadComponents(const std::vector<std::string>& paths,
                                      const std::string& programFolder, char separator,
                                      const RegistryReader& registry) {
  std::vector<Component> components;
  for (const std::string& path : paths) {
    Component component;
    component.path = path;
    const TypeLibrary library = ReadTypeLibFile(path);
    const std::string name = ManifestFileName(SplitTypeLibPath(path).first, programFolder,
                                              separator, component.outside);
    if (component.outside)
      component.notes.push_back(name + " is not in the program's folder or below it: "
                                       "deployment must put it beside the program");
    component.facts = ComponentFactsOf(library, name, registry, component.notes);
    component.classCount = library.classes.size();
    components.push_back(std::move(component));
  }
  return components;
}

std::vector<std::string> ProjectComponentPaths(const std::string& projectPath, char separator,
                                               std::vector<std::string>& notes) {
  std::string text;
  try {
    text = platform::ReadFileBytes(projectPath);
  } catch (const SystemError& error) {
    throw FormatError(projectPath + ": " + error.Description());
  }
  const ProjectComponents project = ReadProjectComponents(text);
  notes.insert(notes.end(), project.notes.begin(), project.notes.end());
  std::size_t folderEnd = projectPath.size();
  while (folderEnd > 0 && !IsSeparator(projectPath[folderEnd - 1], separator))
    --folderEnd;
  const std::string folder = projectPath.substr(0, folderEnd);
  std::vector<std::string> systemFolders;
  if (separator == '\\')
    if (const char* root = std::getenv("SystemRoot"))
      for (const char* sub : {"\\System32", "\\SysWOW64"})
        systemFolders.push_back(root + std::string(sub));
  std::vector<std::string> paths;
  for (const ProjectComponent& component : project.components) {
    const std::string path = LocateComponent(component, folder, systemFolders, separator,
                                             platform::HasAttributes);
    if (path.empty())
      throw FormatError(projectPath + ": line " + std::to_string(component.line) + ": " +
                        component.file + " not found");
    paths.push_back(path);
  }
  return paths;
}

std::vector<generation::ComponentFacts> FactsOf(const std::vector<Component>& components) {
  std::vector<generation::ComponentFacts> facts;
  for (const Component& component : components)
    facts.push_back(component.facts);
  return facts;
}

} // namespace inspect
