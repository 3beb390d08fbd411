#pragma once
// Small programs laid out as Visual Basic 6 lays out what it records: the entry stub, the VB
// header, the project data, the objects with their controls, the Declares, the components
// and the GUI table with each form's data, in one section on PeBuilder.h's image. Tests change
// the bytes at the offsets BuiltVb gives to make damaged or hostile programs.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "readers/VbProgram.h"
#include "support/PeBuilder.h"

namespace testsupport {

/// Type bits as Visual Basic 6 writes them.
inline constexpr std::uint32_t kVbModule = 0x18001;
inline constexpr std::uint32_t kVbClass = 0x118003;
inline constexpr std::uint32_t kVbForm = 0x18083;
inline constexpr std::uint32_t kVbUserControl = 0x1DA003;
inline constexpr std::uint32_t kVbPropertyPage = 0x158003;

struct VbObjectSpec {
  std::string name;
  std::uint32_t flags = kVbModule;
  std::vector<std::string> controls; ///< each control's class, 16 bytes
  std::string properties;            ///< the form data after its 0x5D-byte header

  /// Forms, user controls and property pages have an entry in the GUI table.
  bool Visual() const { return (flags & 0x80) != 0 || (flags & 0x40000) != 0; }
};

inline VbObjectSpec VbObject(std::string name, std::uint32_t flags,
                             std::vector<std::string> controls = {}, std::string properties = "") {
  return VbObjectSpec{std::move(name), flags, std::move(controls), std::move(properties)};
}

struct VbComponentSpec {
  std::string fileName;
  std::string library;
  std::string control;
  std::string classId;   ///< 16 bytes
  std::string typeLibId; ///< "XXXXXXXX-...", stored as UTF-16 text
};

struct VbImageSpec {
  bool dll = false;
  bool stub = true; ///< false: the header is there but no entry stub leads to it
  std::string runtime = "MSVBVM60.DLL";
  std::vector<std::pair<std::string, std::vector<std::string>>> imports; ///< besides the runtime
  std::string projectName = "Project1";
  bool subMain = false;
  std::vector<VbObjectSpec> objects;
  std::vector<std::pair<std::string, std::string>> declares; ///< library, function
  std::vector<VbComponentSpec> components;
};

struct BuiltVb {
  std::string image;
  std::uint32_t base = 0x400000;
  std::size_t section = 0; ///< file offset of the section, whose RVA is 0x1000
  // File offsets of the tables, for tests that damage them.
  std::size_t header = 0, projectData = 0, objectTable = 0, externals = 0, guiTable = 0,
              componentTable = 0;
};

inline std::uint32_t GetU32(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

/// A 16-byte class id whose bytes are all b.
inline std::string VbGuid(char b) { return std::string(16, b); }

/// The section's bytes, where each piece goes and its virtual address.
class VbLayout {
public:
  explicit VbLayout(std::uint32_t base) : base_(base) {}
  std::size_t Put(const std::string& bytes) {
    data_.append((4 - data_.size() % 4) % 4, '\0');
    const std::size_t at = data_.size();
    data_ += bytes;
    return at;
  }
  std::size_t Text(const std::string& text) { return Put(text + std::string(1, '\0')); }
  std::uint32_t Rva(std::size_t at) const { return 0x1000 + static_cast<std::uint32_t>(at); }
  std::uint32_t Va(std::size_t at) const { return base_ + Rva(at); }
  void Set(std::size_t at, std::uint32_t value) { PutU32(data_, at, value); }
  std::string& Data() { return data_; }

private:
  std::uint32_t base_;
  std::string data_;
};

inline std::size_t VbImports(VbLayout& l, const VbImageSpec& spec) {
  std::vector<std::pair<std::string, std::vector<std::string>>> all = spec.imports;
  all.insert(all.begin(), {spec.runtime, {"ThunRTMain"}});
  const std::size_t table = l.Put(std::string(20 * (all.size() + 1), '\0'));
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::size_t lookup = l.Put(std::string(4 * (all[i].second.size() + 1), '\0'));
    for (std::size_t f = 0; f < all[i].second.size(); ++f)
      l.Set(lookup + 4 * f, l.Rva(l.Text(std::string(2, '\0') + all[i].second[f])));
    l.Set(table + 20 * i, l.Rva(lookup));
    l.Set(table + 20 * i + 12, l.Rva(l.Text(all[i].first)));
  }
  return table;
}

inline std::size_t VbComponentTable(VbLayout& l, const VbImageSpec& spec) {
  std::size_t first = 0;
  for (std::size_t i = 0; i < spec.components.size(); ++i) {
    const VbComponentSpec& c = spec.components[i];
    std::string entry(0x34, '\0');
    std::string tail = c.classId;
    std::string units;
    for (char ch : c.typeLibId)
      units += std::string{ch, '\0'};
    auto add = [&](std::size_t field, const std::string& bytes) {
      PutU32(entry, field, static_cast<std::uint32_t>(0x34 + tail.size()));
      tail += bytes;
    };
    if (!c.classId.empty())
      PutU32(entry, 0x04, 0x34);
    add(0x1C, units);
    PutU32(entry, 0x20, static_cast<std::uint32_t>(units.size()));
    add(0x28, c.fileName + std::string(1, '\0'));
    add(0x2C, c.library + std::string(1, '\0'));
    add(0x30, c.control + std::string(1, '\0'));
    tail.append((4 - tail.size() % 4) % 4, '\0');
    PutU32(entry, 0, static_cast<std::uint32_t>(0x34 + tail.size()));
    const std::size_t at = l.Put(entry + tail);
    first = i == 0 ? at : first;
  }
  return first;
}

inline std::size_t VbObjects(VbLayout& l, const VbImageSpec& spec, std::size_t& guiTable) {
  std::string array;
  std::string gui;
  std::vector<std::size_t> guiEntries;
  for (std::size_t i = 0; i < spec.objects.size(); ++i) {
    const VbObjectSpec& o = spec.objects[i];
    std::string controls;
    for (const std::string& guid : o.controls) {
      std::string control(0x28, '\0');
      PutU32(control, 0x08, l.Va(l.Put(guid)));
      PutU32(control, 0x20, l.Va(l.Text("Control" + std::to_string(controls.size() / 0x28))));
      controls += control;
    }
    std::string info(0x60, '\0');
    PutU32(info, 0x38 + 0x20, static_cast<std::uint32_t>(o.controls.size()));
    PutU32(info, 0x38 + 0x24, controls.empty() ? 0 : l.Va(l.Put(controls)));
    std::string descriptor(0x30, '\0');
    PutU32(descriptor, 0x00, l.Va(l.Put(info)));
    PutU32(descriptor, 0x18, l.Va(l.Text(o.name)));
    PutU32(descriptor, 0x28, o.flags);
    array += descriptor;
    if (!o.Visual())
      continue;
    const std::string data = std::string(0x5D, '\0') + o.properties;
    std::string entry(0x50, '\0');
    PutU32(entry, 0x00, 0x50);
    PutU32(entry, 0x24, static_cast<std::uint32_t>(i));
    PutU32(entry, 0x40, static_cast<std::uint32_t>(data.size()));
    PutU32(entry, 0x48, l.Va(l.Put(data)));
    gui += entry;
  }
  guiTable = l.Put(gui);
  std::string table(0x54, '\0');
  PutU16(table, 0x2A, static_cast<std::uint32_t>(spec.objects.size()));
  PutU32(table, 0x30, l.Va(l.Put(array)));
  PutU32(table, 0x40, l.Va(l.Text(spec.projectName)));
  return l.Put(table);
}

/// The entry stub, `push <header>; call` for a program; a library's entry pushes two other
/// addresses and its DllGetClassObject pushes the header first, as Visual Basic's libraries
/// do. Returns the entry's RVA and the export directory's (0 for a program).
inline std::pair<std::uint32_t, std::uint32_t> VbStubs(VbLayout& l, const VbImageSpec& spec,
                                                       std::size_t header) {
  const std::size_t other = l.Put(std::string(8, '\0'));
  const std::uint32_t target = l.Va(spec.stub ? header : other);
  if (!spec.dll) {
    const std::size_t entry = l.Put(std::string("\x68....\xE8\0\0\0\0", 10));
    l.Set(entry + 1, target);
    return {l.Rva(entry), 0};
  }
  const std::size_t entry = l.Put(std::string("\x5A\x68....\x68....\x52\xE9\0\0\0\0", 17));
  l.Set(entry + 2, l.Va(other));
  l.Set(entry + 7, l.Va(other + 4));
  const std::size_t classObject =
      l.Put(std::string("\x58\x68....\x68....\x68....\x50\xE9\0\0\0\0", 22));
  l.Set(classObject + 2, target);
  l.Set(classObject + 7, l.Va(other));
  l.Set(classObject + 12, l.Va(other + 4));
  const std::size_t name = l.Text("DllGetClassObject");
  const std::size_t tables = l.Put(std::string(12, '\0')); // function, name, ordinal
  l.Set(tables, l.Rva(classObject));
  l.Set(tables + 4, l.Rva(name));
  std::string exports(40, '\0');
  PutU32(exports, 20, 1);
  PutU32(exports, 24, 1);
  PutU32(exports, 28, l.Rva(tables));
  PutU32(exports, 32, l.Rva(tables + 4));
  PutU32(exports, 36, l.Rva(tables + 8));
  return {l.Rva(entry), l.Rva(l.Put(exports))};
}

inline BuiltVb BuildVbImage(const VbImageSpec& spec) {
  BuiltVb built;
  VbLayout l(built.base);
  const std::size_t imports = VbImports(l, spec);
  std::string externals;
  for (const auto& [library, function] : spec.declares) {
    std::string entry(12, '\0');
    PutU32(entry, 0, l.Va(l.Text(library)));
    PutU32(entry, 4, l.Va(l.Text(function)));
    externals += std::string("\x07\0\0\0", 4) + "....";
    PutU32(externals, externals.size() - 4, l.Va(l.Put(entry)));
  }
  const std::size_t externalTable = l.Put(externals);
  const std::size_t components = VbComponentTable(l, spec);
  std::size_t guiTable = 0;
  const std::size_t objectTable = VbObjects(l, spec, guiTable);
  std::string project(0x23C, '\0');
  PutU32(project, 0x04, l.Va(objectTable));
  PutU32(project, 0x234, l.Va(externalTable));
  PutU32(project, 0x238, static_cast<std::uint32_t>(spec.declares.size()));
  const std::size_t projectData = l.Put(project);
  std::string header = "VB5!" + std::string(0x64, '\0') + spec.projectName + std::string(1, '\0');
  PutU32(header, 0x2C, spec.subMain ? l.Va(0) : 0);
  PutU32(header, 0x30, l.Va(projectData));
  std::uint32_t forms = 0;
  for (const VbObjectSpec& o : spec.objects)
    forms += o.Visual() ? 1 : 0;
  PutU16(header, 0x44, forms);
  PutU16(header, 0x46, static_cast<std::uint32_t>(spec.components.size()));
  PutU32(header, 0x4C, l.Va(guiTable));
  PutU32(header, 0x50, l.Va(components));
  PutU32(header, 0x64, 0x68);
  const std::size_t headerAt = l.Put(header);

  const auto [entry, exports] = VbStubs(l, spec, headerAt);

  PeSpec pe;
  pe.dll = spec.dll;
  pe.imageBase = built.base;
  pe.sections.push_back({".text", l.Data(), 0x60000020});
  BuiltImage full = BuildImage(pe);
  PutU32(full.image, full.optionalOffset + 16, entry);
  if (exports != 0)
    full.SetDirectory(0, exports, 40);
  full.SetDirectory(1, l.Rva(imports), 20);
  built.image = full.image;
  built.section = full.offsets[0];
  built.header = built.section + headerAt;
  built.projectData = built.section + projectData;
  built.objectTable = built.section + objectTable;
  built.externals = built.section + externalTable;
  built.guiTable = built.section + guiTable;
  built.componentTable = built.section + components;
  return built;
}

/// Everything read of a program, one fact a line; bytes outside ASCII as \xNN.
inline std::string DescribeVb(const readers::VbProgram& p) {
  using readers::VbObjectKind;
  static const char* const kinds[] = {"StandardExe", "ActiveXExe", "ActiveXDll", "ActiveXControl"};
  static const char* const objectKinds[] = {"Module",       "Class",       "Form",
                                            "MdiForm",      "UserControl", "PropertyPage",
                                            "UserDocument", "Designer",    "Other"};
  auto shown = [](const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += c >= 0x80 ? std::string(hex) : std::string(1, static_cast<char>(c));
    }
    return out;
  };
  std::string out = "project " + p.projectName + "\nkind " + kinds[static_cast<int>(p.kind)] +
                    "\nruntime " + p.runtime + "\nstart " +
                    (p.startsInSubMain       ? "Sub Main"
                     : p.startupForm.empty() ? "none"
                                             : "form " + p.startupForm) +
                    "\n";
  for (const readers::VbObject& o : p.objects) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08X", static_cast<unsigned>(o.typeFlags));
    out += std::string("object ") + objectKinds[static_cast<int>(o.kind)] + " " + o.name + " " +
           flags + "\n";
  }
  for (const readers::VbDeclare& d : p.declares)
    out += "declare " + d.library + " " + d.function + "\n";
  for (const readers::VbComponent& c : p.components) {
    out += "component " + c.fileName + " class " + c.classId + " typelib " + c.typeLibId +
           " name " + c.name + " on";
    for (const std::string& on : c.placedOn)
      out += " " + on;
    out += "\n";
  }
  out += std::string("initialises common controls ") +
         (p.initialisesCommonControls ? "yes" : "no") + "\n";
  for (const readers::VbFormText& t : p.formTexts)
    out += "text " + t.object + " " + shown(t.text) + "\n";
  return out;
}

} // namespace testsupport
