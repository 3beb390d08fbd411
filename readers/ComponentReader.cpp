#include "readers/ComponentReader.h"

#include <cstdlib>
#include <map>
#include <new>
#include <set>

#include "base/Ascii.h"
#include "base/Path.h"
#include "readers/Bytes.h"
#include "readers/PeImage.h"
#include "readers/VbProject.h"
#include "platform/Ports.h"

namespace readers {

namespace {

// OLEMISC bits from the lowest up, as the manifest schema names them.
// clang-format off
constexpr const char* kMiscStatusNames[] = {
    "recomposeonresize", "onlyiconic", "insertnotreplace", "static",
    "cantlinkinside", "canlinkbyole1", "islinkobject", "insideout",
    "activatewhenvisible", "renderingisdeviceindependent", "invisibleatruntime", "alwaysrun",
    "actslikebutton", "actslikelabel", "nouiactivate", "alignable",
    "simpleframe", "setclientsitefirst", "imemode", "ignoreactivatewhenvisible",
    "wantstomenumerge", "supportsmultilevelundo",
};
// clang-format on

bool SameFolderText(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] == '/' ? '\\' : ascii::ToLower(a[i]);
    const char y = b[i] == '/' ? '\\' : ascii::ToLower(b[i]);
    if (x != y)
      return false;
  }
  return true;
}

/// Remembers the identity of each name once: a project may name one file thousands of times.
class Identities {
public:
  Identities(platform::FilePort& files, char separator) : files_(files), separator_(separator) {}
  const std::string& Of(const std::string& path) {
    auto found = known_.find(path);
    if (found == known_.end())
      found = known_.emplace(path, FileIdentity(files_, path, separator_)).first;
    return found->second;
  }

private:
  platform::FilePort& files_;
  char separator_;
  std::map<std::string, std::string> known_;
};

// The registered value as a number; false when there is none.
bool RegisteredBits(const RegistryReader& registry, const std::string& subKey, unsigned& bits) {
  const std::string text = registry ? registry(subKey) : std::string();
  if (text.empty())
    return false;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  // OLEMISC is 32 bits: a larger value is no registration of it, not its low bits.
  if (*end != '\0' || value > 0xFFFFFFFFu)
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

std::string FileIdentity(platform::FilePort& files, const std::string& path, char separator) {
  std::string identity = files.CanonicalPath(path);
  if (identity.empty()) {
    const std::string here = files.CurrentDirectory();
    const path::Style style = path::StyleOf(separator);
    identity =
        path::Lexical(path::IsAbsolute(path, style) ? path : path::Join(here, path, style), style);
  }
  return separator == '\\' ? ascii::Lower(identity) : identity;
}

std::string ManifestFileName(const std::string& pathAsGiven, const std::string& programFolder,
                             char separator, bool& outside) {
  const path::Style style = path::StyleOf(separator);
  const std::string path = path::Lexical(pathAsGiven, style);
  std::string folder = programFolder.empty() ? programFolder : path::Lexical(programFolder, style);
  if (!folder.empty() && !path::IsSeparator(folder.back(), style))
    folder += separator;
  outside = folder.empty() || path.size() <= folder.size() ||
            !SameFolderText(path.substr(0, folder.size()), folder);
  std::string name;
  if (outside) {
    name = path::BaseName(path, style);
  } else {
    name = path.substr(folder.size());
  }
  for (char& c : name)
    if (c == '/')
      c = '\\';
  return name;
}

generation::ComponentFacts ComponentFactsOf(const TypeLibrary& library, const std::string& fileName,
                                            const RegistryReader& registry,
                                            std::vector<std::string>& miscStatusNotes) {
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
      miscStatusNotes.push_back(item.name + ": miscStatus " +
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

std::string MachineMismatch(const std::string& path, std::uint16_t machine,
                            std::uint16_t programMachine) {
  return path + ": built for " + MachineName(machine) + ", but the program is built for " +
         MachineName(programMachine) +
         ": a component loads in process only into a program of its own machine";
}

std::vector<Component> ReadComponents(const std::vector<std::string>& paths,
                                      const std::string& programFolder, char separator,
                                      const RegistryReader& registry, std::uint16_t programMachine,
                                      platform::FilePort& files) {
  std::vector<Component> components;
  Identities identities(files, separator);
  std::map<std::string, std::size_t> byFile;  // identity and resource: the component's index
  std::set<std::string> repeated;             // the names noted as naming a file again
  std::map<std::string, std::string> classes; // CLSID: the file name that lists it
  std::set<std::string> libraries, interfaces;
  std::string current;
  try {
    for (const std::string& path : paths) {
      current = path;
      const auto [file, index] = SplitTypeLibPath(path);
      const std::string key = identities.Of(file) + "\n" + std::to_string(index);
      if (const auto first = byFile.find(key); first != byFile.end()) {
        Component& original = components[first->second];
        if (path != original.path && repeated.insert(path).second)
          original.notes.push_back(path + " names the same file as " + original.path +
                                   ": it is listed once");
        continue;
      }
      byFile.emplace(key, components.size());
      Component component;
      component.path = path;
      const TypeLibrary library = ReadTypeLibFile(path, files);
      if (programMachine != 0 && library.machine != 0 && library.machine != programMachine)
        throw ComponentRefused(MachineMismatch(path, library.machine, programMachine));
      const std::string absolute =
          path::IsAbsolute(file, path::StyleOf(separator))
              ? file
              : path::Join(files.CurrentDirectory(), file, path::StyleOf(separator));
      const std::string name =
          ManifestFileName(absolute, programFolder, separator, component.outside);
      if (component.outside)
        component.notes.push_back(name + " is not in the program's folder or below it: "
                                         "deployment must put it beside the program");
      component.facts = ComponentFactsOf(library, name, registry, component.miscStatusNotes);
      component.notes.insert(component.notes.end(), component.miscStatusNotes.begin(),
                             component.miscStatusNotes.end());
      component.classCount = library.classes.size();
      // A class or interface twice in one manifest makes Windows refuse it: the first
      // component to list one keeps it.
      std::vector<generation::ComClassFacts> ownClasses;
      for (generation::ComClassFacts& item : component.facts.classes) {
        const auto [owner, isNew] = classes.emplace(ascii::Upper(item.clsid), name);
        if (isNew)
          ownClasses.push_back(std::move(item));
        else
          component.notes.push_back(name + ": class " + item.description + " " + item.clsid +
                                    " is listed already with " + owner->second + ": left out here");
      }
      component.facts.classes = std::move(ownClasses);
      std::vector<generation::ComInterfaceFacts> ownInterfaces;
      for (generation::ComInterfaceFacts& item : component.facts.interfaces)
        if (interfaces.insert(ascii::Upper(item.iid)).second)
          ownInterfaces.push_back(std::move(item));
      component.facts.interfaces = std::move(ownInterfaces);
      const bool newLibrary = libraries.insert(ascii::Upper(component.facts.tlbid)).second;
      if (component.facts.classes.empty() && !newLibrary) {
        component.listed = false;
        component.notes.push_back(name + ": its type library and classes are listed already: "
                                         "it adds nothing to the manifest");
      }
      components.push_back(std::move(component));
    }
  } catch (const std::bad_alloc&) {
    throw FormatError(current + ": " + kOutOfMemory);
  }
  return components;
}

namespace {

std::vector<std::string> LocateProjectComponents(const std::string& projectPath,
                                                 const std::string& text, char separator,
                                                 std::vector<std::string>& notes,
                                                 platform::FilePort& files) {
  const ProjectComponents project = ReadProjectComponents(text);
  notes.insert(notes.end(), project.notes.begin(), project.notes.end());
  const std::string folder = path::Folder(projectPath, path::StyleOf(separator));
  std::vector<std::string> systemFolders;
  if (separator == '\\')
    if (const char* root = std::getenv("SystemRoot"))
      for (const char* sub : {"\\System32", "\\SysWOW64"})
        systemFolders.push_back(root + std::string(sub));
  // A name that is there is found even when it cannot be opened (a link in a loop), so
  // that reading it says why.
  std::vector<std::string> paths;
  Identities identities(files, separator);
  struct Repeat {
    int firstLine;
    int line = 0;
    std::size_t more = 0;
  };
  std::map<std::string, Repeat> seen;
  std::vector<std::string> order;
  for (const ProjectComponent& component : project.components) {
    const std::string path =
        LocateComponent(component, folder, systemFolders, separator,
                        [&files](const std::string& name) { return files.NameExists(name); });
    if (path.empty())
      throw FormatError(projectPath + ": line " + std::to_string(component.line) + ": " +
                        component.file + " not found");
    const auto [entry, isNew] = seen.emplace(identities.Of(path), Repeat{component.line});
    if (isNew) {
      paths.push_back(path);
      continue;
    }
    Repeat& repeat = entry->second;
    if (repeat.line == 0) {
      repeat.line = component.line;
      order.push_back(entry->first);
    } else {
      ++repeat.more;
    }
  }
  for (const std::string& identity : order) {
    const Repeat& repeat = seen.at(identity);
    notes.push_back("line " + std::to_string(repeat.line) + ": left out, the same file as line " +
                    std::to_string(repeat.firstLine) +
                    (repeat.more == 0
                         ? std::string()
                         : " (and so are " + std::to_string(repeat.more) + " more lines)"));
  }
  return paths;
}

} // namespace

std::vector<std::string> ProjectComponentPaths(const std::string& projectPath, char separator,
                                               std::vector<std::string>& notes,
                                               platform::FilePort& files) {
  std::string text;
  try {
    text = files.ReadBytes(projectPath, kMaxProjectBytes);
  } catch (const base::SystemError& error) {
    throw FormatError(projectPath + ": " + error.Description());
  }
  try {
    return LocateProjectComponents(projectPath, text, separator, notes, files);
  } catch (const std::bad_alloc&) {
    throw FormatError(projectPath + ": " + kOutOfMemory);
  }
}

std::vector<generation::ComponentFacts> FactsOf(const std::vector<Component>& components) {
  std::vector<generation::ComponentFacts> facts;
  for (const Component& component : components)
    if (component.listed)
      facts.push_back(component.facts);
  return facts;
}

} // namespace readers
