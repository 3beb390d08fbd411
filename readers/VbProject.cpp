#include "readers/VbProject.h"

#include "base/Ascii.h"
#include "base/Lines.h"

namespace readers {

namespace {

using ascii::Trim;
using ascii::Upper;

std::vector<std::string> Split(const std::string& text, char separator, std::size_t parts) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() + 1 < parts) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string::npos)
      break;
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

bool IsGuid(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}')
    return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex)
      return false;
  }
  return true;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') ||
         (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& path, char separator) {
  std::string joined = folder;
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/')
    joined += separator;
  joined += path;
  for (char& c : joined)
    if (c == '\\' || c == '/')
      c = separator;
  return joined;
}

} // namespace

bool IsSystemLibrary(const std::string& guid) {
  static const char* const kRegistered[] = {
      "{00020430-0000-0000-C000-000000000046}", // stdole: OLE Automation
      "{000204EF-0000-0000-C000-000000000046}", // Visual Basic for Applications
      "{EA544A21-C82D-11D1-A3E4-00A0C90AEA82}", // the Visual Basic runtime
      "{FCFB3D2E-A0FA-1068-A738-08002B3371B5}", // Visual Basic objects and procedures
  };
  for (const char* id : kRegistered)
    if (Upper(guid) == id)
      return true;
  return false;
}

// Object={GUID}#2.0#0; MSCOMCTL.OCX
// Reference=*\G{GUID}#2.0#0#..\..\Windows\System32\stdole2.tlb#OLE Automation
// A reference to another project (*\A) names no compiled file and is left out.
ProjectComponents ReadProjectComponents(const std::string& text) {
  ProjectComponents result;
  int lineNumber = 0;
  for (const std::string& line : textlines::Split(text)) {
    ++lineNumber;
    // The sections after the first one belong to add-ins.
    if (!line.empty() && line[0] == '[')
      break;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
      continue;
    const std::string key = Upper(Trim(line.substr(0, equals)));
    const std::string value = Trim(line.substr(equals + 1));
    if (key != "OBJECT" && key != "REFERENCE")
      continue;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    ProjectComponent component;
    component.line = lineNumber;
    if (key == "OBJECT") {
      const std::vector<std::string> halves = Split(value, ';', 2);
      const std::vector<std::string> id = Split(halves[0], '#', 3);
      if (halves.size() != 2 || id.size() != 3 || !IsGuid(Trim(id[0]))) {
        result.notes.push_back(where + "left out, not a compiled control: " + value);
        continue;
      }
      component.guid = Trim(id[0]);
      component.version = Trim(id[1]);
      component.lcid = Trim(id[2]);
      component.file = Trim(halves[1]);
    } else {
      component.kind = ProjectComponent::Kind::Reference;
      const std::vector<std::string> fields = Split(value, '#', 5);
      if (fields.size() != 5 || fields[0].compare(0, 3, "*\\G") != 0 ||
          !IsGuid(fields[0].substr(3))) {
        result.notes.push_back(where + "left out, not a compiled library: " + value);
        continue;
      }
      component.guid = fields[0].substr(3);
      component.version = fields[1];
      component.lcid = fields[2];
      component.file = fields[3];
      component.description = fields[4];
    }
    if (IsSystemLibrary(component.guid)) {
      result.notes.push_back(
          where + "left out, registered on every Windows: " +
          (component.description.empty() ? component.file : component.description));
      continue;
    }
    result.components.push_back(component);
  }
  return result;
}

std::string LocateComponent(const ProjectComponent& component, const std::string& projectFolder,
                            const std::vector<std::string>& otherFolders, char separator,
                            const std::function<bool(const std::string&)>& exists) {
  std::string candidate;
  if (IsAbsolute(component.file)) {
    candidate = component.file;
    for (char& c : candidate)
      if (c == '\\' || c == '/')
        c = separator;
  } else {
    candidate = Joined(projectFolder, component.file, separator);
  }
  if (exists(candidate))
    return candidate;
  for (const std::string& folder : otherFolders) {
    candidate = Joined(folder, BaseName(component.file), separator);
    if (exists(candidate))
      return candidate;
  }
  return std::string();
}

} // namespace readers
