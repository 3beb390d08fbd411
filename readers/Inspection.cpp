#include "readers/Inspection.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "base/Ascii.h"
#include "base/Path.h"
#include "base/Unicode.h"
#include "readers/Bytes.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"
#include "readers/TypeLib.h"
#include "platform/Ports.h"

namespace readers {

namespace {

constexpr const char* kUnreadable = "cannot be read as a PE file: ";
// The largest program read whole for its checksum and what follows its sections.
constexpr std::uint64_t kMaxWholeImage = std::uint64_t{1} << 30;
// Process creation reads ID 1; a library's loader ID 2 (3: a library that imports nothing
// isolated). Another one is read when that one is missing, and warned of.
constexpr std::uint16_t kProgramManifestIds[] = {1, 2, 3};
constexpr std::uint16_t kLibraryManifestIds[] = {2, 3, 1};

std::string Join(const std::vector<std::string>& items, const std::string& separator) {
  std::string text;
  for (const std::string& item : items)
    text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string OrNotSet(const std::string& value) { return value.empty() ? "not set" : value; }

std::string Switch(const std::string& value) {
  const std::string word = ascii::Lower(value);
  if (word == "true")
    return "on";
  if (word == "false")
    return "off";
  return value.empty() ? OrNotSet(value) : "\"" + value + "\"";
}

/// A line for each condition that decides what embedding a manifest does; none for a plain
/// program.
std::string ConditionLines(const PeConditions& c) {
  std::string text;
  if (c.signatureSize != 0 && c.signatureInFile)
    text += "Signature: Authenticode, " + std::to_string(c.signatureSize) +
            " bytes (any change to the program breaks it)\n";
  else if (c.signatureSize != 0)
    text += "Signature: none; the header's certificate entry (offset " + Hex(c.signatureOffset) +
            ", " + std::to_string(c.signatureSize) +
            " bytes) lies inside the sections or past the end of the file: damaged, or left "
            "so by a packer\n";
  if (c.afterSignature != 0)
    text += "After the signature: " + std::to_string(c.afterSignature) +
            " bytes of other data, which no certificate entry accounts for\n";
  if (c.overlayBytes != 0)
    text += "Overlay: " + std::to_string(c.overlaySize) +
            " bytes after the last section (an installer's or self-extractor's data)\n";
  if (c.upx)
    text += "Packed: UPX\n";
  if (c.petite)
    text += "Packed: Petite, whose stub stops with \"ERROR!\" once the file has changed\n";
  if (c.nsis == NsisData::Checked)
    text += "Installer: NSIS, which checks a CRC over its whole file: any change stops it\n";
  else if (c.nsis == NsisData::Unchecked)
    text += "Installer: NSIS, built without its CRC check\n";
  if (c.dotNet)
    text += ".NET: an assembly (it has a CLR header)\n";
  if (c.storedChecksum != 0)
    text += c.storedChecksum == c.fileChecksum
                ? std::string("Checksum: set, matches the file\n")
                : "Checksum: " + Hex(c.storedChecksum) + ", but the file sums to " +
                      Hex(c.fileChecksum) + " (stale)\n";
  switch (c.resourcePlace) {
  case ResourcePlace::BeforeDiscardable:
    text += "Resources: section " + c.resourceSection +
            ", followed only by discardable sections (first " + c.followingSection +
            "), which can move\n";
    break;
  case ResourcePlace::BeforeOthers:
    text += "Resources: section " + c.resourceSection + ", followed by " + c.followingSection +
            ": a larger resource directory needs a new section\n";
    break;
  case ResourcePlace::None:
  case ResourcePlace::Last:
    break;
  }
  return text;
}

/// The width a list of names is wrapped to; every name is shown, whole.
constexpr std::size_t kListWidth = 100;

/// "Label (N): a, b, c", continued on lines of its own indented by two spaces.
std::string ListLines(const std::string& label, const std::vector<std::string>& names) {
  if (names.empty())
    return std::string();
  std::string text = label + " (" + std::to_string(names.size()) + "): ";
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string item = names[i] + (i + 1 < names.size() ? "," : "");
    if (i != 0 && text.size() - lineStart + 1 + item.size() > kListWidth) {
      text += "\n";
      lineStart = text.size();
      text += " ";
    }
    text += (i != 0 ? " " : "") + item;
  }
  return text + "\n";
}

const char* KindName(VbProjectKind kind) {
  switch (kind) {
  case VbProjectKind::ActiveXExe:
    return "ActiveX EXE";
  case VbProjectKind::ActiveXDll:
    return "ActiveX DLL";
  case VbProjectKind::ActiveXControl:
    return "ActiveX Control";
  case VbProjectKind::StandardExe:
    break;
  }
  return "Standard EXE";
}

/// The names of the objects of these kinds, in the program's order; an MDI form says so.
std::vector<std::string> NamesOf(const VbProgram& vb, std::initializer_list<VbObjectKind> kinds) {
  std::vector<std::string> names;
  for (const VbObject& object : vb.objects)
    for (const VbObjectKind kind : kinds)
      if (object.kind == kind)
        names.push_back(path::Visible(object.name) +
                        (kind == VbObjectKind::MdiForm ? " (MDI)" : ""));
  return names;
}

/// Each OCX file once, with the forms and user controls that place its controls.
std::string ComponentLines(const std::vector<VbComponent>& components) {
  std::vector<std::pair<std::string, std::vector<std::string>>> files;
  for (const VbComponent& c : components) {
    std::string file = path::Visible(c.fileName);
    if (file.empty())
      file = "not recorded for " + (c.name.empty() ? std::string() : path::Visible(c.name) + " ") +
             (c.classId.empty() ? std::string("a control") : path::Visible(c.classId));
    auto found = std::find_if(files.begin(), files.end(), [&](const auto& entry) {
      return ascii::EqualIgnoringCase(entry.first, file);
    });
    if (found == files.end())
      found = files.insert(files.end(), {file, {}});
    for (const std::string& placedOn : c.placedOn) {
      const std::string on = path::Visible(placedOn);
      if (std::find(found->second.begin(), found->second.end(), on) == found->second.end())
        found->second.push_back(on);
    }
  }
  std::string text;
  for (const auto& [file, on] : files)
    text += "OCX file: " + file + (on.empty() ? "" : ", on " + Join(on, ", ")) + "\n";
  return text;
}

/// What Visual Basic recorded: the project, how it starts, its objects, the OCX files on its
/// forms and whether it initialises the common controls.
std::string VisualBasicLines(const VbProgram& vb) {
  std::string text = "Visual Basic: project " + OrNotSet(path::Visible(vb.projectName)) + " (" +
                     KindName(vb.kind) + ")" +
                     (vb.runtime.empty() ? "" : ", runtime " + path::Visible(vb.runtime)) + "\n";
  text += "Start: " +
          (vb.startsInSubMain       ? std::string("Sub Main")
           : vb.startupForm.empty() ? std::string("none recorded")
                                    : "the form " + path::Visible(vb.startupForm)) +
          "\n";
  text += ListLines("Forms", NamesOf(vb, {VbObjectKind::Form, VbObjectKind::MdiForm}));
  for (const std::string& name : NamesOf(vb, {VbObjectKind::UserControl}))
    text += "UserControl: " + name + "\n";
  text += ListLines("Classes", NamesOf(vb, {VbObjectKind::Class}));
  text += ListLines("Modules", NamesOf(vb, {VbObjectKind::Module}));
  text += ListLines("Property pages", NamesOf(vb, {VbObjectKind::PropertyPage}));
  text += ListLines("User documents", NamesOf(vb, {VbObjectKind::UserDocument}));
  text += ListLines("Designers", NamesOf(vb, {VbObjectKind::Designer}));
  text += ListLines("Other objects", NamesOf(vb, {VbObjectKind::Other}));
  text += ComponentLines(vb.components);
  if (!vb.initialisesCommonControls)
    return text + "Common controls: never initialised (no Declare of InitCommonControls or "
                  "InitCommonControlsEx)\n";
  for (const VbDeclare& d : vb.declares)
    if (ascii::EqualIgnoringCase(d.function, "InitCommonControls") ||
        ascii::EqualIgnoringCase(d.function, "InitCommonControlsEx"))
      return text + "Common controls: initialised (Declare of " + d.function + " in " +
             path::Visible(d.library) + ")\n";
  return text + "Common controls: initialised (imported from comctl32)\n";
}

/// One sentence for a window: "Visual Basic project Ledger: 3 forms, 2 user controls."
std::string VisualBasicSummary(const VbProgram& vb) {
  std::vector<std::string> counts;
  const auto count = [&](std::size_t n, const char* one, const char* many) {
    if (n != 0)
      counts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
  };
  count(vb.CountOf(VbObjectKind::Form) + vb.CountOf(VbObjectKind::MdiForm), "form", "forms");
  count(vb.CountOf(VbObjectKind::UserControl), "user control", "user controls");
  return "Visual Basic project " + OrNotSet(path::Visible(vb.projectName)) +
         (counts.empty() ? "" : ": " + Join(counts, ", ")) + ".";
}

/// The manifest's warnings and notes, then what the program adds to them.
void TakeFindings(Inspection& result, bool manifestRead) {
  result.warnings = result.facts.warnings;
  result.notes = result.facts.notes;
  if (manifestRead && !result.dll && !result.facts.xmlError && !result.facts.visualStyles)
    result.warnings.push_back(
        "the manifest has no Common Controls 6 dependency: visual styles are off.");
}

/// Each file the manifest lists, as the program finds it in folder: there, built for the
/// program's machine, and holding the type library the manifest names.
void CheckComponentFiles(Inspection& result, const std::string& folder, platform::FilePort& files) {
  for (const IsolatedFile& file : result.facts.files) {
    const std::string path =
        path::InStyle(folder + file.name, path::StyleOf(files.PathSeparator()));
    auto warn = [&](const std::string& text) {
      result.warnings.push_back(AtLine(file.line, file.name + text));
    };
    if (!files.NameExists(path)) {
      warn(", which the manifest lists, is not beside the program: creating its COM classes "
           "fails.");
      continue;
    }
    try {
      const FileSource source(path, files);
      try {
        const PeImage pe(source);
        if (pe.Machine() != result.machine)
          warn(" is built for " + MachineName(pe.Machine()) + " and the program for " +
               MachineName(result.machine) + ": Windows cannot load it into the program.");
      } catch (const FormatError&) {
        // A .tlb file is no program: there is no machine to match.
      }
      if (file.tlbid.empty())
        continue;
      const TypeLibrary library = ReadTypeLib(source);
      const std::string version =
          std::to_string(library.major) + "." + std::to_string(library.minor);
      if (ascii::Lower(library.guid) != ascii::Lower(file.tlbid) || version != file.tlbVersion)
        warn(" holds type library " + library.guid + " version " + version +
             ", but the manifest names " + file.tlbid + " version " + file.tlbVersion +
             ": the manifest describes another build of the file.");
    } catch (const base::SystemError& error) {
      warn(" cannot be read: " + error.Description() + ".");
    } catch (const FormatError& error) {
      warn(" holds no type library that can be read: " + std::string(error.what()) + ".");
    } catch (const std::bad_alloc&) {
      warn(" cannot be read: " + std::string(kOutOfMemory) + ".");
    }
  }
}

} // namespace

Inspection InspectImage(const std::string& fileName, const std::string& image,
                        const std::optional<std::string>& externalManifest) {
  return InspectImage(fileName, MemorySource(image), externalManifest);
}

Inspection InspectImage(const std::string& fileName, const Source& image,
                        const std::optional<std::string>& externalManifest) {
  Inspection result;
  result.fileName = fileName;
  bool embedded = false;
  try {
    const PeImage pe(image);
    result.machine = pe.Machine();
    result.pe32Plus = pe.IsPe32Plus();
    result.dll = pe.IsDll();
    if (image.Size() <= kMaxWholeImage)
      result.conditions = ReadConditions(pe, image.Read(0, image.Size(), "the program"));
    result.visualBasic = ReadVbProgram(pe, image).program;
    const Resource* resource = nullptr;
    for (std::uint16_t id : result.dll ? kLibraryManifestIds : kProgramManifestIds)
      if (!resource)
        resource = pe.Find(ResourceKey::Id(kManifestResourceType), ResourceKey::Id(id));
    // Every language of every manifest: Resources() holds only each one's first.
    for (const StoredResource& other : pe.StoredResources()) {
      if (other.type.IsName() || other.type.id != kManifestResourceType)
        continue;
      const std::string name = other.name.IsName()
                                   ? "\"" + unicode::Utf16LeToUtf8(other.name.units) + "\""
                                   : "ID " + std::to_string(other.name.id);
      const bool read = resource && !other.name.IsName() && !resource->name.IsName() &&
                        other.name.id == resource->name.id &&
                        other.language.id == resource->language;
      if (!read)
        result.otherManifests.push_back(name + ", language " + std::to_string(other.language.id));
    }
    embedded = resource != nullptr;
    if (embedded) {
      result.source = "embedded, resource type 24 ID " + resource->name.ToString();
      result.manifestSize = resource->size;
      result.facts = resource->size > kMaxManifestBytes
                         ? UnreadManifest(TooLarge("it", resource->size, kMaxManifestBytes))
                         : ReadManifest(pe.Data(*resource, "the manifest"), result.machine);
      if (resource->name.id != 1 && !result.dll)
        result.facts.warnings.push_back("the manifest is resource ID " + resource->name.ToString() +
                                        ", but Windows reads a program's manifest from ID 1.");
      if (resource->name.id == 1 && result.dll)
        result.facts.warnings.push_back(
            "the manifest is resource ID 1, but Windows reads a library's manifest from ID 2.");
    }
  } catch (const FormatError& error) {
    result.state = ProgramState::Unreadable;
    result.problem = InspectionRefusal(InspectionProblem::NotPe, {error.what()});
    return result;
  } catch (const std::bad_alloc&) {
    result.state = ProgramState::Unreadable;
    result.problem = InspectionRefusal(InspectionProblem::OutOfMemory);
    return result;
  }
  TakeFindings(result, embedded);
  if (embedded) {
    result.state = ProgramState::Manifest;
    if (externalManifest)
      result.warnings.push_back(fileName + " carries a manifest and " + fileName +
                                ".manifest stands beside it: Windows uses the embedded one and "
                                "ignores the file.");
    return result;
  }
  if (!externalManifest) {
    result.state = ProgramState::NoManifest;
    return result;
  }
  result.state = ProgramState::Manifest;
  result.external = true;
  result.source = "external, " + fileName + ".manifest";
  result.manifestSize = externalManifest->size();
  result.facts = ReadManifest(*externalManifest, result.machine);
  TakeFindings(result, true);
  return result;
}

Inspection InspectProgram(const std::string& path, platform::FilePort& files) {
  const std::string name = path::BaseName(path, path::StyleOf(files.PathSeparator()));
  std::unique_ptr<FileSource> image;
  try {
    image = std::make_unique<FileSource>(path, files);
  } catch (const base::SystemError& error) {
    Inspection result;
    result.fileName = name;
    result.problem = InspectionRefusal(InspectionProblem::NotOpened, {error.Description()});
    return result;
  }
  std::optional<std::string> external;
  std::string externalProblem;
  const std::string externalPath = path + ".manifest";
  // Something there, a folder included, is read (and says why it cannot be); a link that
  // leads nowhere is not there.
  if (files.FileExists(externalPath) || files.FolderExists(externalPath)) {
    try {
      external = files.ReadBytes(externalPath, kMaxManifestBytes);
    } catch (const base::SystemError& error) {
      externalProblem = error.Description();
    }
  }
  Inspection result = InspectImage(name, *image, external);
  if (result.state == ProgramState::Manifest)
    CheckComponentFiles(result, path.substr(0, path.size() - name.size()), files);
  if (!externalProblem.empty())
    result.warnings.push_back(
        name + ".manifest stands beside it but cannot be read: " + externalProblem + ".");
  return result;
}

std::string ReportText(const Inspection& in) {
  if (in.state == ProgramState::Unreadable)
    return in.fileName + ": " + kUnreadable + texts::Words(in.problem) + "\n";
  std::string text = in.fileName + ": " + (in.pe32Plus ? "PE32+ " : "PE32 ") +
                     (in.dll ? "library" : "program") + ", machine " + MachineName(in.machine) +
                     "\n";
  if (in.conditions)
    text += ConditionLines(*in.conditions);
  const ManifestFacts& f = in.facts;
  if (in.state == ProgramState::NoManifest)
    text += "Manifest: none\n";
  else
    text += "Manifest: " + in.source + " (" + std::to_string(in.manifestSize) + " bytes)\n";
  if (!in.otherManifests.empty())
    text += "Other manifests, not read: " + Join(in.otherManifests, "; ") + "\n";
  if (in.state == ProgramState::Manifest && !f.xmlError) {
    text += "Identity: name \"" + f.name + "\", version " + OrNotSet(f.version) +
            ", architecture " + OrNotSet(f.architecture) + ", type " + OrNotSet(f.type) + "\n";
    text += std::string("Visual styles: ") +
            (f.visualStyles ? "on (Common Controls 6)" : "off (no Common Controls 6 dependency)") +
            "\n";
    text += "Supported Windows versions: " +
            (f.supportedOs.empty() ? std::string("none declared") : Join(f.supportedOs, ", ")) +
            "\n";
    text += "Run level: " + OrNotSet(f.runLevel) +
            (f.uiAccess.empty() ? "" : " (uiAccess " + f.uiAccess + ")") + "\n";
    std::vector<std::string> dpiValues;
    if (!f.dpiAware.empty())
      dpiValues.push_back("dpiAware " + f.dpiAware);
    if (!f.dpiAwareness.empty())
      dpiValues.push_back("dpiAwareness " + f.dpiAwareness);
    text += "DPI: " + DescribeDpi(f) +
            (dpiValues.empty() ? "" : " (" + Join(dpiValues, "; ") + ")") + "\n";
    text += "GDI scaling: " + Switch(f.gdiScaling) + "\n";
    text += "Long paths: " + Switch(f.longPathAware) + "\n";
    for (const IsolatedFile& file : f.files) {
      text += "File: " + file.name + "\n";
      for (const ComEntry& entry : file.entries)
        text += "  " + entry.kind + " " + entry.id + (entry.name.empty() ? "" : " " + entry.name) +
                "\n";
    }
    for (const ComEntry& entry : f.interfaces)
      text += "COM: " + entry.kind + " " + entry.id + (entry.name.empty() ? "" : " " + entry.name) +
              "\n";
  }
  if (in.visualBasic)
    text += VisualBasicLines(*in.visualBasic);
  for (const std::string& warning : in.warnings)
    text += "Warning: " + warning + "\n";
  for (const std::string& note : in.notes)
    text += "Note: " + note + "\n";
  return text;
}

std::string Summary(const Inspection& in) {
  if (in.state == ProgramState::Unreadable)
    return in.fileName + " " + kUnreadable + texts::Words(in.problem) + ".";
  const ManifestFacts& f = in.facts;
  std::vector<std::string> items;
  if (!f.xmlError) {
    items.push_back(std::string("visual styles ") + (f.visualStyles ? "on" : "off"));
    if (!f.supportedOs.empty())
      items.push_back("supported Windows " + Join(f.supportedOs, "/"));
    if (!f.runLevel.empty())
      items.push_back("run level " + f.runLevel);
    if (!f.dpiAware.empty() || !f.dpiAwareness.empty())
      items.push_back("DPI " + DescribeDpi(f));
    if (!f.gdiScaling.empty())
      items.push_back("GDI scaling " + Switch(f.gdiScaling));
    if (!f.longPathAware.empty())
      items.push_back("long paths " + Switch(f.longPathAware));
    if (!f.files.empty())
      items.push_back(std::to_string(f.files.size()) +
                      (f.files.size() == 1 ? " component file" : " component files"));
  }
  std::string text = in.fileName + " carries no manifest.";
  if (in.state == ProgramState::Manifest) {
    text = in.fileName + " carries a manifest now";
    if (in.external)
      text += " (" + in.fileName + ".manifest beside it)";
    text += items.empty() ? "." : ": " + Join(items, ", ") + ".";
  }
  if (in.visualBasic)
    text += " " + VisualBasicSummary(*in.visualBasic);
  // A file beside a program without a manifest of its own may be why it has none.
  for (const std::string& warning : in.warnings)
    text += " Warning: " + warning;
  for (const std::string& note : in.notes)
    text += " Note: " + note;
  return text;
}

std::string DescribeProgram(const std::string& exePath, platform::FilePort& files) {
  return Summary(InspectProgram(exePath, files));
}

} // namespace readers
