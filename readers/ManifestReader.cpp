#include "readers/ManifestReader.h"

#include <algorithm>
#include <new>

#include "generation/Manifest.h"
#include "base/Ascii.h"
#include "readers/PeImage.h"
#include "readers/Xml.h"
#include "base/Unicode.h"

namespace readers {

namespace {

using ascii::Lower;
using ascii::Trim;
using xml::Element;

/// The manifest's bytes as UTF-8: Windows reads UTF-16 too when it begins with a byte
/// order mark.
std::string AsUtf8(const std::string& bytes) {
  if (bytes.compare(0, 2, "\xFF\xFE") == 0)
    return unicode::Utf16LeToUtf8(std::string_view(bytes).substr(2));
  if (bytes.compare(0, 2, "\xFE\xFF") != 0)
    return bytes;
  std::string little;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    little += bytes[i + 1];
    little += bytes[i];
  }
  return unicode::Utf16LeToUtf8(little);
}

std::vector<const Element*> Children(const Element& parent, const char* local,
                                     std::initializer_list<const char*> namespaces) {
  std::vector<const Element*> found;
  for (const Element& child : parent.children)
    if (child.local == local)
      for (const char* ns : namespaces)
        if (child.ns == ns)
          found.push_back(&child);
  return found;
}

/// True when a processorArchitecture value allows machine: "*" allows any.
bool ArchitectureMatches(const std::string& architecture, std::uint16_t machine) {
  const std::string value = Lower(architecture);
  if (value == "*")
    return true;
  for (const generation::MachineRow& row : generation::kMachines)
    if (value == Lower(row.architecture))
      return machine == row.machine;
  return false;
}

class Reader {
public:
  Reader(ManifestFacts& facts, std::uint16_t machine) : facts_(facts), machine_(machine) {}

  void Assembly(const Element& root) {
    using namespace manifestns;
    if (root.local != "assembly" || root.ns != kAsmV1) {
      Warn("the root element is not <assembly> in " + std::string(kAsmV1) +
           ": Windows refuses to start the program");
      return;
    }
    for (const Element* identity : Children(root, "assemblyIdentity", {kAsmV1})) {
      facts_.name = identity->Value("name");
      facts_.version = identity->Value("version");
      facts_.architecture = identity->Value("processorArchitecture");
      facts_.type = identity->Value("type");
      if (!generation::IsManifestVersion(facts_.version))
        Warn("version \"" + facts_.version +
             "\" is not four numbers of 0 to 65535: Windows refuses to start the program");
      CheckArchitecture(facts_.architecture, "the program's architecture");
    }
    for (const Element* dependency : Children(root, "dependency", {kAsmV1}))
      for (const Element* assembly : Children(*dependency, "dependentAssembly", {kAsmV1}))
        for (const Element* identity : Children(*assembly, "assemblyIdentity", {kAsmV1}))
          Dependency(*identity);
    for (const Element* compatibility : Children(root, "compatibility", {kCompatibility}))
      for (const Element* application : Children(*compatibility, "application", {kCompatibility}))
        for (const Element* os : Children(*application, "supportedOS", {kCompatibility}))
          SupportedOs(os->Value("Id"));
    for (const Element* trust : Children(root, "trustInfo", {kAsmV2, kAsmV3}))
      for (const Element* security : Children(*trust, "security", {kAsmV2, kAsmV3}))
        for (const Element* privileges :
             Children(*security, "requestedPrivileges", {kAsmV2, kAsmV3}))
          for (const Element* level :
               Children(*privileges, "requestedExecutionLevel", {kAsmV2, kAsmV3})) {
            facts_.runLevel = level->Value("level");
            facts_.uiAccess = level->Value("uiAccess");
          }
    for (const Element* application : Children(root, "application", {kAsmV3}))
      for (const Element* settings : Children(*application, "windowsSettings", {kAsmV3}))
        WindowsSettings(*settings);
    for (const Element* file : Children(root, "file", {kAsmV1})) {
      IsolatedFile isolated{file->Value("name"), {}};
      for (const Element& child : file->children)
        if (child.ns == kAsmV1)
          if (ComEntry entry = Com(child); !entry.kind.empty())
            isolated.entries.push_back(entry);
      facts_.files.push_back(isolated);
    }
    for (const Element& child : root.children)
      if (child.ns == kAsmV1 && child.local != "file")
        if (ComEntry entry = Com(child); !entry.kind.empty())
          facts_.interfaces.push_back(entry);
  }

private:
  void Warn(const std::string& sentence) { facts_.warnings.push_back(sentence + "."); }

  void CheckArchitecture(const std::string& architecture, const std::string& whose) {
    if (!architecture.empty() && !ArchitectureMatches(architecture, machine_))
      Warn(whose + " " + architecture + " does not match the PE machine " + MachineName(machine_) +
           ": Windows refuses to start the program");
  }

  void Dependency(const Element& identity) {
    if (Lower(identity.Value("name")) != "microsoft.windows.common-controls")
      return;
    if (identity.Value("version").compare(0, 2, "6.") == 0)
      facts_.visualStyles = true;
    CheckArchitecture(identity.Value("processorArchitecture"),
                      "the Common Controls dependency's architecture");
  }

  void SupportedOs(const std::string& id) {
    std::string name = id;
    for (const WindowsVersion& version : kWindowsVersions)
      if (Lower(id) == version.id)
        name = version.name;
    if (std::find(facts_.supportedOs.begin(), facts_.supportedOs.end(), name) ==
        facts_.supportedOs.end())
      facts_.supportedOs.push_back(name);
  }

  void WindowsSettings(const Element& settings) {
    using namespace manifestns;
    struct Setting {
      const char* local;
      const char* ns;
      std::string ManifestFacts::*value;
    };
    static const Setting kSettings[] = {
        {"dpiAware", kSettings2005, &ManifestFacts::dpiAware},
        {"dpiAwareness", kSettings2016, &ManifestFacts::dpiAwareness},
        {"gdiScaling", kSettings2017, &ManifestFacts::gdiScaling},
        {"longPathAware", kSettings2016, &ManifestFacts::longPathAware},
    };
    for (const Element& child : settings.children)
      for (const Setting& setting : kSettings) {
        if (child.local != setting.local)
          continue;
        if (child.ns == setting.ns)
          facts_.*setting.value = Trim(child.text);
        else
          Warn("<" + child.local + "> is not in namespace " + setting.ns + ": Windows ignores it");
      }
  }

  static ComEntry Com(const Element& element) {
    if (element.local == "comClass")
      return {element.local, element.Value("clsid"), element.Value("progid")};
    if (element.local == "typelib")
      return {element.local, element.Value("tlbid"), "version " + element.Value("version")};
    if (element.local == "comInterfaceProxyStub" ||
        element.local == "comInterfaceExternalProxyStub")
      return {element.local, element.Value("iid"), element.Value("name")};
    return {};
  }

  ManifestFacts& facts_;
  std::uint16_t machine_;
};

ManifestFacts ReadWellFormed(const std::string& bytes, std::uint16_t machine) {
  ManifestFacts facts;
  xml::Element root;
  try {
    root = xml::Parse(AsUtf8(bytes));
  } catch (const FormatError& error) {
    facts.xmlError = error.what();
    facts.warnings.push_back("the manifest is not well-formed XML (" + facts.xmlError +
                             "): Windows refuses to start the program.");
    return facts;
  }
  Reader(facts, machine).Assembly(root);
  // Oldest first, whatever order the manifest lists them in; unknown Ids last.
  std::stable_sort(facts.supportedOs.begin(), facts.supportedOs.end(),
                   [](const std::string& a, const std::string& b) {
                     auto rank = [](const std::string& name) {
                       std::size_t i = 0;
                       while (i < std::size(kWindowsVersions) && name != kWindowsVersions[i].name)
                         ++i;
                       return i;
                     };
                     return rank(a) < rank(b);
                   });
  return facts;
}

} // namespace

ManifestFacts UnreadManifest(const std::string& reason) {
  ManifestFacts facts;
  facts.xmlError = reason;
  facts.warnings.push_back("the manifest is not read: " + reason + ".");
  return facts;
}

ManifestFacts ReadManifest(const std::string& bytes, std::uint16_t machine) {
  if (bytes.size() > kMaxManifestBytes)
    return UnreadManifest(TooLarge("it", bytes.size(), kMaxManifestBytes));
  try {
    return ReadWellFormed(bytes, machine);
  } catch (const std::bad_alloc&) {
    return UnreadManifest(kOutOfMemory);
  }
}

std::string DescribeDpi(const ManifestFacts& facts) {
  // Windows 10 1607 and later take the first dpiAwareness value they know; older ones
  // read dpiAware.
  if (!facts.dpiAwareness.empty()) {
    const std::string first =
        Lower(Trim(facts.dpiAwareness.substr(0, facts.dpiAwareness.find(','))));
    if (first == "permonitorv2")
      return "per-monitor v2";
    if (first == "permonitor")
      return "per-monitor";
    if (first == "system")
      return "system aware";
    if (first == "unaware")
      return "not aware (Windows scales it)";
  }
  const std::string aware = Lower(facts.dpiAware);
  if (aware == "true")
    return "system aware";
  if (aware == "true/pm" || aware == "per monitor")
    return "per-monitor";
  if (aware == "false")
    return "not aware (Windows scales it)";
  if (facts.dpiAware.empty() && facts.dpiAwareness.empty())
    return "not set (Windows scales it)";
  return "not understood";
}

} // namespace readers
