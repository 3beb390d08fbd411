#include "readers/VbProject.h"

#include "base/Ascii.h"
#include "base/Path.h"

#include <algorithm>

namespace readers {

namespace {

using ascii::EqualIgnoringCase;
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

// "My ""quoted"" App" and "My "quoted" App" alike; an unclosed quote runs to the end. A
// form's name may be quoted with '!' as well (Startup=!frmMain!), read the same way.
std::string Unquoted(const std::string& value, const char* quotes = "\"") {
  if (value.empty() || std::string(quotes).find(value.front()) == std::string::npos)
    return value;
  const char quote = value.front();
  const std::size_t end =
      value.size() >= 2 && value.back() == quote ? value.size() - 1 : value.size();
  std::string inner;
  for (std::size_t i = 1; i < end; ++i) {
    inner += value[i];
    if (value[i] == quote && i + 1 < end && value[i + 1] == quote)
      ++i;
  }
  return inner;
}

// As Visual Basic's Val reads a number: the leading digits, 0 without any. Capped far above
// any version part so that no value overflows.
unsigned Number(const std::string& value) {
  unsigned number = 0;
  for (std::size_t i = 0; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
    number = std::min(number * 10 + static_cast<unsigned>(value[i] - '0'), 9999999u);
  return number;
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

std::vector<ProjectLine> ReadProjectLines(const std::string& text) {
  std::vector<ProjectLine> lines;
  for (LineSpan span : textlines::Spans(text)) {
    // A UTF-8 byte order mark an editor put first is no part of the first key; it stays
    // in the text, before the line.
    if (span.begin == 0 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
      span.begin = 3;
    if (text[span.begin] == '[')
      break;
    ProjectLine line;
    static_cast<LineSpan&>(line) = span;
    line.number = static_cast<int>(lines.size()) + 1;
    line.valueBegin = span.end;
    const std::string content = text.substr(span.begin, span.end - span.begin);
    const std::size_t equals = content.find('=');
    if (equals != std::string::npos) {
      line.key = Trim(content.substr(0, equals));
      line.value = Trim(content.substr(equals + 1));
      if (!line.value.empty())
        line.valueBegin = span.begin + content.find_first_not_of(" \t", equals + 1);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// Object={GUID}#2.0#0; MSCOMCTL.OCX
// Reference=*\G{GUID}#2.0#0#..\..\Windows\System32\stdole2.tlb#OLE Automation
// A reference to another project (*\A) names no compiled file and is left out.
ProjectComponents ReadProjectComponents(const std::string& text) {
  ProjectComponents result;
  for (const ProjectLine& line : ReadProjectLines(text)) {
    const std::string key = Upper(line.key);
    const std::string& value = line.value;
    const int lineNumber = line.number;
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
  const path::Style style = path::StyleOf(separator);
  std::string candidate = path::FromWindowsName(projectFolder, component.file, style);
  if (exists(candidate))
    return candidate;
  for (const std::string& folder : otherFolders) {
    candidate =
        path::FromWindowsName(folder, path::BaseName(component.file, path::Style::windows), style);
    if (exists(candidate))
      return candidate;
  }
  return std::string();
}

namespace {

// The keys whose values name a file: listed ones with a name before a ';' first.
const char* const kListedWithName[] = {"Module", "Class"};
const char* const kNamingFiles[] = {"Module",         "Class",        "Form",     "UserControl",
                                    "UserDocument",   "PropertyPage", "Designer", "RelatedDoc",
                                    "ResFile32",      "ExeName32",    "Path32",   "HelpFile",
                                    "CompatibleEXE32"};

// The file a line names: the whole value, or for a listed module or class the part after
// its ';'.
std::string NamedFile(const ProjectLine& line, const std::string& value) {
  for (const char* key : kListedWithName)
    if (EqualIgnoringCase(line.key, key)) {
      const std::size_t semicolon = value.find(';');
      return Trim(semicolon == std::string::npos ? value : value.substr(semicolon + 1));
    }
  return Trim(value);
}

} // namespace

ProjectFacts ReadProjectFacts(const std::string& text) {
  ProjectFacts facts;
  bool named = false;
  ProjectPath nameLine;
  for (const ProjectLine& line : ReadProjectLines(text)) {
    const auto is = [&line](const char* key) { return EqualIgnoringCase(line.key, key); };
    const std::string value = Unquoted(line.value);
    for (const char* key : kNamingFiles)
      if (is(key)) {
        std::string file = NamedFile(line, value);
        if (!file.empty())
          facts.paths.push_back({line.key, std::move(file), line.number});
        break;
      }
    if (is("Type")) {
      facts.type = value;
    } else if (is("Name")) {
      facts.name = value;
      named = true;
      nameLine = {line.key, value, line.number};
    } else if (is("ExeName32")) {
      facts.exeName = value;
    } else if (is("Path32")) {
      facts.path32 = value;
    } else if (is("Startup")) {
      facts.startup = Unquoted(line.value, "\"!");
    } else if (is("Module")) {
      // Module=modMain; modMain.bas. Without the name, the whole value is the path.
      ProjectModule module;
      module.line = line.number;
      const std::size_t semicolon = value.find(';');
      module.path = Trim(semicolon == std::string::npos ? value : value.substr(semicolon + 1));
      if (semicolon != std::string::npos)
        module.name = Trim(value.substr(0, semicolon));
      facts.modules.push_back(module);
    } else if (is("Form") || is("UserControl")) {
      (is("Form") ? facts.forms : facts.userControls)
          .push_back({std::string(), Trim(value), line.number});
    } else if (is("ResFile32")) {
      facts.resFile = value;
    } else if (is("MajorVer")) {
      facts.majorVer = Number(value);
    } else if (is("MinorVer")) {
      facts.minorVer = Number(value);
    } else if (is("RevisionVer")) {
      facts.revisionVer = Number(value);
    } else if (is("VersionFileDescription")) {
      facts.fileDescription = value;
    } else if (is("Title")) {
      facts.title = value;
    }
  }
  if (!named)
    facts.name = "Project1";
  if (facts.exeName.empty()) {
    facts.exeName = facts.name + ".exe";
    if (!nameLine.path.empty())
      facts.paths.push_back(nameLine);
  }
  return facts;
}

std::string ProjectFacts::Version() const {
  return std::to_string(majorVer) + "." + std::to_string(minorVer) + ".0." +
         std::to_string(revisionVer);
}

std::string ProjectFacts::Description() const {
  return !fileDescription.empty() ? fileDescription : title;
}

std::string UnreadLineEnd(const std::string& text) {
  for (std::size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', cr + 1)) {
    if (text.compare(cr + 1, 1, "\n") == 0)
      continue;
    return text.compare(cr + 1, 2, "\r\n") == 0 ? "CR CR LF" : "CR alone";
  }
  return std::string();
}

bool ProjectFacts::StartsInSubMain() const { return EqualIgnoringCase(startup, kStartupSubMain); }

bool ProjectFacts::StartsInForm() const {
  return !startup.empty() && !StartsInSubMain() && !EqualIgnoringCase(startup, kStartupNone);
}

bool IsStandardExe(const std::string& type) { return EqualIgnoringCase(type, "Exe"); }

std::string ProjectKind(const std::string& type) {
  static const char* const kKinds[][2] = {
      {"Exe", "a standard EXE project"},
      {"OleExe", "an ActiveX EXE project"},
      {"OleDll", "an ActiveX DLL project"},
      {"Control", "an ActiveX control project"},
  };
  for (const auto& kind : kKinds)
    if (EqualIgnoringCase(type, kind[0]))
      return kind[1];
  return type.empty() ? "a project without a Type line" : "a project of Type " + type;
}

} // namespace readers
