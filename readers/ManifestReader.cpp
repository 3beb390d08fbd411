#include "readers/ManifestReader.h"

#include <algorithm>
#include <map>
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

} // namespace

std::string ManifestAsUtf8(const std::string& bytes) {
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

namespace {

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

// The settings whose namespace is checked, and where the facts keep their values.
struct Setting {
  generation::WindowsSetting setting;
  std::string ManifestFacts::*value;
};
const Setting kSettings[] = {
    {generation::kDpiAwareSetting, &ManifestFacts::dpiAware},
    {generation::kDpiAwarenessSetting, &ManifestFacts::dpiAwareness},
    {generation::kGdiScalingSetting, &ManifestFacts::gdiScaling},
    {generation::kLongPathAwareSetting, &ManifestFacts::longPathAware},
    {generation::kActiveCodePageSetting, nullptr},
    {generation::kPrinterIsolationSetting, nullptr},
    {generation::kHeapTypeSetting, nullptr},
};
// The other elements Windows documents inside <windowsSettings>; it ignores any other.
// clang-format off
constexpr const char* kOtherSettings[] = {
    "autoElevate", "disableTheming", "disableWindowFiltering", "highResolutionScrollingAware",
    "supportedArchitectures", "ultraHighResolutionScrollingAware",
};
// clang-format on
// Farther than this from every known namespace, a namespace is someone else's, not a typo.
// Two keeps urn:schemas-microsoft-com:msix.v1 apart from asm.v1.
constexpr std::size_t kMaxTypos = 2;

bool IsKnownSetting(const std::string& local) {
  for (const Setting& row : kSettings)
    if (local == row.setting.element)
      return true;
  for (const char* known : kOtherSettings)
    if (local == known)
      return true;
  return false;
}

/// The namespace Windows knows that ns spells with other letter case (ns itself when exact),
/// or "": the four urns, and the settings namespace of any year.
std::string KnownSpelling(const std::string& ns) {
  using namespace manifestns;
  const std::string lower = Lower(ns);
  for (const char* known : {kAsmV1, kAsmV2, kAsmV3, kCompatibility, kMsix, kWinRt})
    if (lower == Lower(known))
      return known;
  const std::string prefix = kSettingsPrefix;
  const std::string suffix = kSettingsSuffix;
  if (ns.size() != prefix.size() + 4 + suffix.size() ||
      lower.compare(0, prefix.size(), Lower(prefix)) != 0 ||
      lower.compare(prefix.size() + 4, suffix.size(), Lower(suffix)) != 0)
    return std::string();
  const std::string year = ns.substr(prefix.size(), 4);
  for (char c : year)
    if (c < '0' || c > '9')
      return std::string();
  return prefix + year + suffix;
}

/// Edits that turn a into b, counted up to kMaxTypos + 1. Only cells near the diagonal are
/// worked out, so that a manifest declaring thousands of long namespaces stays quick.
std::size_t Distance(const std::string& a, const std::string& b) {
  constexpr std::size_t kFar = kMaxTypos + 1;
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > kMaxTypos)
    return kFar;
  std::vector<std::size_t> row(b.size() + 1, kFar);
  for (std::size_t j = 0; j <= std::min(b.size(), kMaxTypos); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    const std::size_t from = i > kMaxTypos ? i - kMaxTypos : 1;
    const std::size_t to = std::min(b.size(), i + kMaxTypos);
    std::size_t diagonal = row[from - 1];
    row[from - 1] = from == 1 && i <= kMaxTypos ? i : kFar;
    for (std::size_t j = from; j <= to; ++j) {
      const std::size_t above = row[j];
      row[j] =
          std::min({kFar, above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
    if (to < b.size())
      row[to + 1] = kFar;
  }
  return row[b.size()];
}

/// What is wrong with how ns is spelt, for the element local declared in it; "" for a
/// namespace Windows knows, or one that resembles none it knows.
std::string SpellingProblem(const std::string& ns, const std::string& local) {
  if (ns.empty())
    return std::string();
  const std::string known = KnownSpelling(ns);
  if (known == ns)
    return std::string();
  const std::string element = "<" + local + ">";
  if (!known.empty())
    return "namespace " + ns + " differs from " + known +
           " in letter case: Windows compares namespaces exactly and ignores " + element;
  if (Lower(ns).compare(0, 8, "https://") == 0) {
    const std::string http = KnownSpelling("http://" + ns.substr(8));
    if (!http.empty())
      return "namespace " + ns + " begins with https://: Windows knows only " + http +
             " and ignores " + element;
  }
  // Each namespace Windows knows, as written and in lower case.
  static const std::vector<std::pair<std::string, std::string>> kCandidates = [] {
    using namespace manifestns;
    std::vector<std::pair<std::string, std::string>> candidates;
    for (const char* name : {kAsmV1, kAsmV2, kAsmV3, kCompatibility})
      candidates.emplace_back(name, Lower(name));
    for (const char* name : kSettingsNamespaces)
      candidates.emplace_back(name, Lower(name));
    return candidates;
  }();
  const std::string lower = Lower(ns);
  std::string closest;
  std::size_t best = kMaxTypos + 1;
  for (const auto& [candidate, candidateLower] : kCandidates)
    if (const std::size_t d = Distance(lower, candidateLower); d < best) {
      best = d;
      closest = candidate;
    }
  if (closest.empty())
    return std::string();
  return "namespace " + ns + " is a misspelling of " + closest + ": Windows ignores " + element;
}

class Reader {
public:
  Reader(ManifestFacts& facts, std::uint16_t machine) : facts_(facts), machine_(machine) {}

  /// The warnings in the order of their lines, as someone reading the file meets them.
  void Finish() {
    std::stable_sort(found_.begin(), found_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, sentence] : found_)
      facts_.warnings.push_back(AtLine(line, sentence + "."));
  }

  void Assembly(const Element& root) {
    using namespace manifestns;
    if (root.local != "assembly" || root.ns != kAsmV1) {
      Warn(root.line, "the root element is not <assembly> in " + std::string(kAsmV1) +
                          ": Windows refuses to start the program");
      return;
    }
    Spelling(root);
    const std::vector<const Element*> identities = Children(root, "assemblyIdentity", {kAsmV1});
    if (identities.empty())
      Warn(root.line, "the manifest has no <assemblyIdentity>, which the manifest schema "
                      "requires: give it one that names the program");
    for (const Element* identity : identities) {
      facts_.name = identity->Value("name");
      facts_.version = identity->Value("version");
      facts_.architecture = identity->Value("processorArchitecture");
      facts_.type = identity->Value("type");
      if (!generation::IsManifestVersion(facts_.version))
        Warn(identity->line,
             "version \"" + facts_.version +
                 "\" is not four numbers of 0 to 65535: Windows refuses to start the program");
      CheckArchitecture(identity->line, facts_.architecture, "the program's architecture");
    }
    for (const Element* dependency : Children(root, "dependency", {kAsmV1}))
      for (const Element* assembly : Children(*dependency, "dependentAssembly", {kAsmV1}))
        for (const Element* identity : Children(*assembly, "assemblyIdentity", {kAsmV1}))
          Dependency(*identity);
    for (const Element* compatibility : Children(root, "compatibility", {kCompatibility}))
      Compatibility(*compatibility);
    for (const Element* trust : Children(root, "trustInfo", {kAsmV2, kAsmV3}))
      for (const Element* security : Children(*trust, "security", {kAsmV2, kAsmV3}))
        for (const Element* privileges :
             Children(*security, "requestedPrivileges", {kAsmV2, kAsmV3}))
          for (const Element* level :
               Children(*privileges, "requestedExecutionLevel", {kAsmV2, kAsmV3})) {
            facts_.runLevel = level->Value("level");
            facts_.uiAccess = level->Value("uiAccess");
            facts_.notes.push_back(
                AtLine(level->line,
                       "<requestedExecutionLevel> turns off file and registry virtualization: "
                       "a program that writes into its own folder under Program Files gets "
                       "\"access denied\" instead of a redirected write."));
          }
    for (const Element* application : Children(root, "application", {kAsmV3}))
      for (const Element* settings : Children(*application, "windowsSettings", {kAsmV3}))
        WindowsSettings(*settings);
    for (const Element* file : Children(root, "file", {kAsmV1})) {
      IsolatedFile isolated{file->Value("name"), {}, file->line, {}, {}};
      for (const Element& child : file->children)
        if (child.ns == kAsmV1)
          if (ComEntry entry = Com(child); !entry.kind.empty()) {
            isolated.entries.push_back(entry);
            if (child.local == "typelib" && isolated.tlbid.empty()) {
              isolated.tlbid = child.Value("tlbid");
              isolated.tlbVersion = child.Value("version");
            }
          }
      facts_.files.push_back(isolated);
    }
    for (const Element& child : root.children)
      if (child.ns == kAsmV1 && child.local != "file")
        if (ComEntry entry = Com(child); !entry.kind.empty())
          facts_.interfaces.push_back(entry);
  }

private:
  void Warn(int line, const std::string& sentence) { found_.emplace_back(line, sentence); }

  /// A misspelt namespace is told where it is declared, not again on each element inside.
  void Spelling(const Element& parent) {
    for (const Element& child : parent.children) {
      if (child.ns != parent.ns)
        if (const std::string problem = SpellingProblem(child.ns, child.local); !problem.empty())
          Warn(child.line, problem);
      Spelling(child);
    }
  }

  void CheckArchitecture(int line, const std::string& architecture, const std::string& whose) {
    if (!architecture.empty() && !ArchitectureMatches(architecture, machine_))
      Warn(line, whose + " " + architecture + " does not match the PE machine " +
                     MachineName(machine_) + ": Windows refuses to start the program");
  }

  void Dependency(const Element& identity) {
    if (Lower(identity.Value("name")) != "microsoft.windows.common-controls")
      return;
    if (identity.Value("version").compare(0, 2, "6.") == 0)
      facts_.visualStyles = true;
    CheckArchitecture(identity.line, identity.Value("processorArchitecture"),
                      "the Common Controls dependency's architecture");
  }

  void Compatibility(const Element& compatibility) {
    using namespace manifestns;
    for (const Element& application : compatibility.children) {
      if (application.local != "application") {
        Unknown(application, "<compatibility>");
        continue;
      }
      for (const Element& child : application.children)
        if (child.local == "supportedOS" && child.ns == kCompatibility)
          SupportedOs(child);
        else if (child.local != "maxversiontested")
          Unknown(child, "<compatibility>");
    }
  }

  void Unknown(const Element& element, const char* where) {
    Warn(element.line, "Windows knows no <" + element.local + "> in " + where + " and ignores it");
  }

  void SupportedOs(const Element& os) {
    const std::string id = os.Value("Id");
    std::string name;
    std::string names;
    for (const WindowsVersion& version : kWindowsVersions) {
      if (Lower(id) == version.id)
        name = version.name;
      names += (names.empty() ? "" : ", ") + std::string(version.name);
    }
    if (name.empty()) {
      Warn(os.line, "supportedOS " + id + " names none of the Windows versions Windows knows (" +
                        names + "): it declares nothing");
      name = id;
    }
    if (std::find(facts_.supportedOs.begin(), facts_.supportedOs.end(), name) ==
        facts_.supportedOs.end())
      facts_.supportedOs.push_back(name);
  }

  void WindowsSettings(const Element& settings) {
    for (const Element& child : settings.children) {
      if (!IsKnownSetting(child.local)) {
        Unknown(child, "<windowsSettings>");
        continue;
      }
      if (!SpellingProblem(child.ns, child.local).empty())
        continue;
      const Setting* setting = nullptr;
      for (const Setting& row : kSettings)
        if (child.local == row.setting.element)
          setting = &row;
      if (setting && child.ns != setting->setting.ns) {
        Warn(child.line, "<" + child.local + "> is not in namespace " + setting->setting.ns +
                             ": Windows ignores it");
        continue;
      }
      const auto [first, isNew] = settingLines_.emplace(child.local, child.line);
      if (!isNew) {
        Warn(child.line, "<" + child.local + "> is given again (first on line " +
                             std::to_string(first->second) +
                             "): give each setting once; which of the two Windows takes is not "
                             "documented");
        continue;
      }
      if (setting && setting->value)
        facts_.*setting->value = Trim(child.text);
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
  std::map<std::string, int> settingLines_;        ///< each setting read, and its line
  std::vector<std::pair<int, std::string>> found_; ///< each warning's line and sentence
};

ManifestFacts ReadWellFormed(const std::string& bytes, std::uint16_t machine) {
  ManifestFacts facts;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)
    facts.warnings.push_back("the manifest is UTF-16 (it begins with a UTF-16 byte order "
                             "mark): save it as UTF-8, the encoding manifests are written in.");
  xml::Element root;
  try {
    root = xml::Parse(ManifestAsUtf8(bytes));
  } catch (const FormatError& error) {
    facts.xmlError = error.what();
    facts.warnings.push_back("the manifest is not well-formed XML (" + *facts.xmlError +
                             "): Windows refuses to start the program.");
    return facts;
  }
  Reader reader(facts, machine);
  reader.Assembly(root);
  reader.Finish();
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

std::string AtLine(int line, const std::string& text) {
  return line > 0 ? "line " + std::to_string(line) + ": " + text : text;
}

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
