#include "readers/VbProgram.h"

#include <algorithm>
#include <set>

#include "base/Ascii.h"
#include "readers/Bytes.h"
#include "readers/PeConditions.h"

// The tables as Visual Basic 6 lays them out, checked on real programs, libraries and
// controls. Addresses are virtual addresses (image base included) unless said otherwise.
//   entry stub      EXE: push <header>; call.  DLL/OCX: the entry, or DllGetClassObject's
//                   stub: pop r32; push <header>; push; push; push r32; jmp.
//   VB header       "VB5!"; @0x2C Sub Main; @0x30 project data; @0x44 WORD forms; @0x46
//                   WORD components; @0x4C GUI table; @0x50 component table; @0x54 COM
//                   registration data; @0x64 the project's name, as an offset from the header.
//   project data    @0x04 object table; @0x234 external table; @0x238 its count.
//   object table    @0x2A WORD objects; @0x30 their descriptors (0x30 bytes: @0x00 object
//                   info, @0x18 name, @0x28 type bits); @0x40 the project's name.
//   object info     0x38 bytes, then for visual objects the optional info: @0x20 controls,
//                   @0x24 their array (0x28 bytes each: @0x08 the control's GUID, @0x20 name).
//   external table  8 bytes each {type; data}; type 7 is a Declare {library; function, or 0
//                   and the ordinal as a WORD @0x08}.
//   GUI table       a run of entries, each @0x00 its size; @0x24 the object's index; @0x40
//                   its form data's size; @0x48 the form data. The first form is the start-up
//                   form when there is no Sub Main (changing which starts swaps these).
//   form data       a 0x5D-byte header, then the form's name and properties.
//   component table a run of entries, each @0x00 its size and, as offsets from the entry:
//                   @0x04 the class id (16 bytes), @0x1C the type library id as UTF-16 text
//                   of @0x20 bytes, @0x28 the OCX file name, @0x2C the library, @0x30 the
//                   control's name.
//   COM registration  @0x00 the first object's offset; each object @0x00 the next one's,
//                   @0x39 its kind (0x10 class, 0x20 user control, 0x40 property page);
//                   offsets count from the registration data's start.

namespace readers {

std::size_t VbProgram::CountOf(VbObjectKind wanted) const {
  return static_cast<std::size_t>(
      std::count_if(objects.begin(), objects.end(),
                    [&](const VbObject& object) { return object.kind == wanted; }));
}

// Its own namespace: the readers build as one unit, where other files have the same names.
namespace vbprogram {

constexpr std::size_t kMaxName = 260;
// More than any program holds: a larger count is crafted.
constexpr std::uint32_t kMaxObjects = 4096;
constexpr std::uint32_t kMaxDeclares = 16384;
constexpr std::uint32_t kMaxComponents = 1024;
constexpr std::uint32_t kMaxForms = 4096;
constexpr std::uint32_t kMaxControls = 4096;
constexpr std::uint32_t kMaxRegistrations = 4096;
constexpr std::uint32_t kMaxFormData = 4u << 20;
// All forms' data together, and all objects' controls: a program of many forms stays far
// below these, a crafted one with thousands of large ones would take minutes.
constexpr std::uint32_t kMaxAllFormData = 32u << 20;
constexpr std::uint32_t kMaxAllControls = 65536;
constexpr std::uint32_t kHeaderSize = 0x68;
constexpr std::uint32_t kGuiEntrySize = 0x50;
constexpr std::uint32_t kComponentEntrySize = 0x34;
constexpr std::uint32_t kFormDataHeader = 0x5D;

/// Why the reading stopped, thrown inside this file only.
struct Stop {
  VbRefusal refusal;
};

[[noreturn]] void Damaged(const std::string& table, const std::string& detail) {
  throw Stop{VbRefusal(VbProblem::Damaged, {table, detail})};
}

/// unit: "entries", or "bytes" for form data.
void Limit(const std::string& table, std::uint64_t count, std::uint32_t limit,
           const char* unit = "entries") {
  if (count > limit)
    throw Stop{VbRefusal(VbProblem::TooLarge,
                         {table, std::to_string(count) + " " + unit, std::to_string(limit)})};
}

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  return Bytes(bytes).U32(at, "a table");
}

std::uint16_t U16(const std::string& bytes, std::size_t at) {
  return Bytes(bytes).U16(at, "a table");
}

/// The image's bytes by virtual address; a read outside the image stops the reading as
/// damage to the table named.
class Image {
public:
  explicit Image(const PeImage& pe) : pe_(pe) {}

  std::uint64_t Rva(std::uint64_t va, const std::string& table) const {
    if (va < pe_.ImageBase() || va - pe_.ImageBase() > 0xFFFFFFFFu)
      Damaged(table, "address " + Hex(va) + " lies outside the image");
    return va - pe_.ImageBase();
  }
  std::string Read(std::uint64_t va, std::uint64_t count, const std::string& table) const {
    try {
      return pe_.ReadAt(Rva(va, table), count, table.c_str());
    } catch (const FormatError& error) {
      Damaged(table, error.what());
    }
  }
  std::string String(std::uint64_t va, const std::string& table) const {
    try {
      return pe_.StringAt(Rva(va, table), kMaxName, table.c_str());
    } catch (const FormatError& error) {
      Damaged(table, error.what());
    }
  }

private:
  const PeImage& pe_;
};

/// The VB header's address pushed by the stub at rva, or 0: `[pop r32] push imm32 {push
/// imm32}` followed by a call or by `push r32; jmp`.
std::uint32_t HeaderFromStub(const PeImage& pe, std::uint32_t rva) {
  // The longest stub is 22 bytes; one at a section's end is read as far as it goes.
  std::string stub;
  for (std::uint64_t count = 24; stub.empty() && count >= 6; --count)
    try {
      stub = pe.ReadAt(rva, count, "the entry stub");
    } catch (const FormatError&) {
    }
  if (stub.empty())
    return 0;
  std::size_t at = (stub[0] & 0xF8) == 0x58 ? 1 : 0;
  std::vector<std::uint32_t> pushed;
  while (at + 5 <= stub.size() && static_cast<unsigned char>(stub[at]) == 0x68) {
    pushed.push_back(U32(stub, at + 1));
    at += 5;
  }
  const unsigned char next = at < stub.size() ? static_cast<unsigned char>(stub[at]) : 0;
  const bool jumps = (next & 0xF8) == 0x50 && at + 1 < stub.size() &&
                     static_cast<unsigned char>(stub[at + 1]) == 0xE9;
  if (next != 0xE8 && !jumps)
    return 0;
  for (std::uint32_t va : pushed) {
    try {
      if (va >= pe.ImageBase() && pe.ReadAt(va - pe.ImageBase(), 4, "the VB header") == "VB5!")
        return va;
    } catch (const FormatError&) {
    }
  }
  return 0;
}

VbObjectKind KindOf(std::uint32_t flags) {
  // Bit 1: it has an interface (modules have none); 0x2000 a user control; 0x80 a form's
  // designer; 0x40000 something created through its page, which of the rest only property
  // pages are.
  if ((flags & 0x2) == 0)
    return VbObjectKind::Module;
  if ((flags & 0x2000) != 0)
    return VbObjectKind::UserControl;
  if ((flags & 0x80) != 0)
    return VbObjectKind::Form;
  if ((flags & 0x40000) != 0)
    return VbObjectKind::PropertyPage;
  return VbObjectKind::Class;
}

bool IsVisual(VbObjectKind kind) {
  return kind == VbObjectKind::Form || kind == VbObjectKind::MdiForm ||
         kind == VbObjectKind::UserControl || kind == VbObjectKind::PropertyPage ||
         kind == VbObjectKind::UserDocument;
}

struct Reading {
  const PeImage& pe;
  Image image;
  std::string header;
  std::uint32_t headerVa = 0;
  std::vector<std::uint32_t> objectInfos; ///< each object's info, by index
  std::vector<std::string> componentIds;  ///< each component's class id as stored
  std::uint64_t formBytes = 0;            ///< of all forms read so far
  std::uint64_t controls = 0;             ///< of all objects read so far
  VbProgram program;
};

void ReadObjects(Reading& r, std::uint32_t objectTableVa) {
  const std::string table = r.image.Read(objectTableVa, 0x54, "the object table");
  const std::uint16_t count = U16(table, 0x2A);
  Limit("the object table", count, kMaxObjects);
  const std::string array =
      r.image.Read(U32(table, 0x30), std::uint64_t{count} * 0x30, "the object table");
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t flags = U32(array, i * 0x30 + 0x28);
    r.program.objects.push_back(
        {r.image.String(U32(array, i * 0x30 + 0x18), "an object's name"), KindOf(flags), flags});
    r.objectInfos.push_back(U32(array, i * 0x30));
  }
  if (r.program.projectName.empty() && U32(table, 0x40) != 0)
    r.program.projectName = r.image.String(U32(table, 0x40), "the object table");
}

void ReadDeclares(Reading& r, std::uint32_t tableVa, std::uint32_t count) {
  Limit("the external table", count, kMaxDeclares);
  if (count == 0)
    return;
  const std::string table = r.image.Read(tableVa, std::uint64_t{count} * 8, "the external table");
  for (std::size_t i = 0; i < count; ++i) {
    if (U32(table, i * 8) != 7)
      continue;
    const std::string entry = r.image.Read(U32(table, i * 8 + 4), 12, "a Declare");
    const std::uint32_t function = U32(entry, 4);
    r.program.declares.push_back({r.image.String(U32(entry, 0), "a Declare's library"),
                                  function != 0 ? r.image.String(function, "a Declare's function")
                                                : "#" + std::to_string(U16(entry, 8))});
  }
}

/// Each step of a linked run of count entries at va, each at least minimum bytes and telling
/// its size at its start; an entry reached twice is damage.
template <typename Visit>
void WalkRun(const Reading& r, std::uint32_t va, std::uint32_t count, std::uint32_t minimum,
             const std::string& table, Visit visit) {
  std::set<std::uint64_t> seen;
  std::uint64_t at = va;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!seen.insert(at).second)
      Damaged(table, "entry " + std::to_string(i) + " is an earlier one again");
    const std::string entry = r.image.Read(at, minimum, table);
    const std::uint32_t size = U32(entry, 0);
    if (size < minimum)
      Damaged(table, "entry " + std::to_string(i) + " is " + std::to_string(size) + " bytes");
    visit(at, entry, i);
    at = (at + size) & 0xFFFFFFFFu;
  }
}

VbComponent ReadComponent(Reading& r, std::uint64_t va, const std::string& entry) {
  const std::string table = "the component table";
  VbComponent component;
  auto text = [&](std::size_t field) {
    return U32(entry, field) != 0 ? r.image.String(va + U32(entry, field), table) : "";
  };
  component.fileName = text(0x28);
  const std::string library = text(0x2C);
  const std::string control = text(0x30);
  component.name = library.empty() || control.empty() ? library + control : library + "." + control;
  std::string id;
  if (U32(entry, 0x04) != 0) {
    id = r.image.Read(va + U32(entry, 0x04), 16, table);
    component.classId = GuidText(Bytes(id), 0);
  }
  r.componentIds.push_back(id);
  const std::uint32_t length = U32(entry, 0x20);
  if (U32(entry, 0x1C) != 0 && (length == 72 || length == 76)) {
    const std::string units = r.image.Read(va + U32(entry, 0x1C), length, table);
    std::string guid = Bytes(units).Utf16(0, length / 2, table.c_str());
    guid = ascii::Upper(guid);
    component.typeLibId = guid.front() == '{' ? guid : "{" + guid + "}";
  }
  return component;
}

/// object among the places of each component whose class one of its count controls at
/// controlsVa has.
void PlaceOn(Reading& r, const std::string& object, std::uint32_t controlsVa, std::uint32_t count) {
  const std::string controls =
      count == 0 ? std::string()
                 : r.image.Read(controlsVa, std::uint64_t{count} * 0x28, "a control list");
  for (std::uint32_t c = 0; c < count; ++c) {
    const std::uint32_t guidVa = U32(controls, c * 0x28 + 0x08);
    if (guidVa == 0)
      continue;
    const std::string guid = r.image.Read(guidVa, 16, "a control's class");
    for (std::size_t k = 0; k < r.componentIds.size(); ++k) {
      std::vector<std::string>& placedOn = r.program.components[k].placedOn;
      if (guid == r.componentIds[k] &&
          std::find(placedOn.begin(), placedOn.end(), object) == placedOn.end())
        placedOn.push_back(object);
    }
  }
}

/// The forms and user controls whose controls are of a component's class, where their
/// control lists can be read.
void ReadPlacements(Reading& r) {
  for (std::size_t i = 0; i < r.program.objects.size(); ++i) {
    const VbObject& object = r.program.objects[i];
    if (!IsVisual(object.kind) || r.objectInfos[i] == 0)
      continue;
    std::string optional;
    try {
      optional = r.image.Read(std::uint64_t{r.objectInfos[i]} + 0x38, 0x28, "an object's info");
    } catch (const Stop&) {
      continue; // no control list to read: nothing is known to be placed here
    }
    const std::uint32_t count = U32(optional, 0x20);
    Limit("the controls of " + object.name, count, kMaxControls);
    r.controls += count;
    Limit("the controls of all objects", r.controls, kMaxAllControls);
    try {
      PlaceOn(r, object.name, U32(optional, 0x24), count);
    } catch (const Stop&) {
      // A control list that leaves the image tells nothing of what is placed.
    }
  }
}

/// Texts in a form's data with bytes outside ASCII: each a WORD length, that many bytes of
/// text (no control characters but tab and line ends) and a NUL, as captions, texts and tags
/// are stored. The property stream itself is not walked; a picture's block ("lt\0\0" and its
/// size) is stepped over so that image bytes are never taken for text.
void CollectTexts(Reading& r, const std::string& object, const std::string& data) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
  std::size_t at = kFormDataHeader;
  while (at + 4 <= data.size()) {
    if (data.compare(at, 4, std::string("lt\0\0", 4)) == 0 && at + 8 <= data.size()) {
      at += 8 + std::min<std::size_t>(U32(data, at + 4), data.size());
      continue;
    }
    const std::size_t length = U16(data, at);
    const std::size_t end = at + 2 + length;
    bool text = length >= 2 && end < data.size() && bytes[end] == 0;
    bool wide = false;
    for (std::size_t i = at + 2; text && i < end; ++i) {
      text = bytes[i] >= 0x20 || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n';
      wide = wide || bytes[i] >= 0x80;
    }
    if (!text || !wide) {
      ++at;
      continue;
    }
    r.program.formTexts.push_back({object, data.substr(at + 2, length)});
    at = end + 1;
  }
}

void ReadForms(Reading& r) {
  const std::uint16_t count = U16(r.header, 0x44);
  Limit("the GUI table", count, kMaxForms);
  const bool startsInForm = !r.program.startsInSubMain && !r.pe.IsDll();
  WalkRun(r, U32(r.header, 0x4C), count, kGuiEntrySize, "the GUI table",
          [&](std::uint64_t, const std::string& entry, std::uint32_t) {
            const std::uint32_t index = U32(entry, 0x24);
            const std::string name =
                index < r.program.objects.size() ? r.program.objects[index].name : "";
            if (startsInForm && r.program.startupForm.empty() && !name.empty() &&
                (r.program.objects[index].kind == VbObjectKind::Form ||
                 r.program.objects[index].kind == VbObjectKind::MdiForm))
              r.program.startupForm = name;
            const std::uint32_t size = U32(entry, 0x40);
            Limit("the form data of " + name, size, kMaxFormData, "bytes");
            r.formBytes += size;
            Limit("the form data of all forms", r.formBytes, kMaxAllFormData, "bytes");
            if (U32(entry, 0x48) != 0 && size > kFormDataHeader)
              CollectTexts(r, name,
                           r.image.Read(U32(entry, 0x48), size, "the form data of " + name));
          });
}

void ReadComponents(Reading& r) {
  const std::uint16_t count = U16(r.header, 0x46);
  Limit("the component table", count, kMaxComponents);
  WalkRun(r, U32(r.header, 0x50), count, kComponentEntrySize, "the component table",
          [&](std::uint64_t va, const std::string& entry, std::uint32_t) {
            r.program.components.push_back(ReadComponent(r, va, entry));
          });
}

/// A library holding a user control its registration makes public is a control; a program
/// with registered classes serves them.
VbProjectKind KindOfProject(const Reading& r) {
  bool registered = false;
  bool control = false;
  const std::uint32_t base = U32(r.header, 0x54);
  if (base != 0) {
    std::set<std::uint32_t> seen;
    std::uint32_t next = U32(r.image.Read(base, 4, "the COM registration data"), 0);
    for (std::uint32_t i = 0; next != 0 && i < kMaxRegistrations; ++i) {
      if (!seen.insert(next).second)
        Damaged("the COM registration data", "object " + std::to_string(i) + " comes again");
      const std::string object =
          r.image.Read(std::uint64_t{base} + next, 0x40, "the COM registration data");
      registered = true;
      control = control || (static_cast<unsigned char>(object[0x39]) & 0x20) != 0;
      next = U32(object, 0);
    }
  }
  control = control || r.program.CountOf(VbObjectKind::UserControl) != 0;
  if (r.pe.IsDll())
    return control ? VbProjectKind::ActiveXControl : VbProjectKind::ActiveXDll;
  return registered ? VbProjectKind::ActiveXExe : VbProjectKind::StandardExe;
}

bool IsInitCommonControls(const std::string& library, const std::string& function) {
  const std::string dll = ascii::Upper(library);
  return (dll == "COMCTL32" || dll == "COMCTL32.DLL") &&
         (ascii::EqualIgnoringCase(function, "InitCommonControls") ||
          ascii::EqualIgnoringCase(function, "InitCommonControlsEx"));
}

bool InitialisesCommonControls(const PeImage& pe, const VbProgram& program) {
  for (const VbDeclare& declare : program.declares)
    if (IsInitCommonControls(declare.library, declare.function))
      return true;
  for (const PeImport& import : pe.Imports())
    for (const std::string& function : import.functions)
      if (IsInitCommonControls(import.library, function))
        return true;
  return false;
}

std::uint32_t FindHeader(const PeImage& pe) {
  std::uint32_t header = pe.EntryPoint() != 0 ? HeaderFromStub(pe, pe.EntryPoint()) : 0;
  if (header == 0 && pe.IsDll()) {
    const std::uint32_t classObject = pe.ExportRva("DllGetClassObject");
    header = classObject != 0 ? HeaderFromStub(pe, classObject) : 0;
  }
  return header;
}

VbProgram Read(const PeImage& pe, std::uint32_t headerVa, std::string runtime) {
  Reading r{pe, Image(pe), {}, headerVa, {}, {}, 0, 0, {}};
  r.header = r.image.Read(headerVa, kHeaderSize, "the VB header");
  r.program.runtime = std::move(runtime);
  r.program.startsInSubMain = U32(r.header, 0x2C) != 0;
  if (U32(r.header, 0x64) != 0)
    r.program.projectName = r.image.String(std::uint64_t{headerVa} + U32(r.header, 0x64),
                                           "the VB header's project name");
  const std::string project = r.image.Read(U32(r.header, 0x30), 0x23C, "the project data");
  ReadObjects(r, U32(project, 0x04));
  ReadDeclares(r, U32(project, 0x234), U32(project, 0x238));
  ReadComponents(r);
  ReadForms(r);
  ReadPlacements(r);
  r.program.kind = KindOfProject(r);
  r.program.initialisesCommonControls = InitialisesCommonControls(pe, r.program);
  return std::move(r.program);
}

} // namespace vbprogram

VbReading ReadVbProgram(const PeImage& pe, const Source&) {
  using namespace vbprogram;
  if (pe.IsPe32Plus() || pe.Machine() != kMachineI386)
    return VbReading{std::nullopt,
                     VbRefusal(VbProblem::NotVisualBasic, {"not a 32-bit x86 image"})};
  std::string runtime = VisualBasicRuntime(pe);
  if (runtime.empty())
    return VbReading{std::nullopt,
                     VbRefusal(VbProblem::NotVisualBasic, {"it imports no Visual Basic runtime"})};
  const std::uint32_t header = FindHeader(pe);
  if (header == 0)
    return VbReading{std::nullopt,
                     VbRefusal(VbProblem::NotVisualBasic, {"no VB header behind its entry stub"})};
  try {
    return VbReading{Read(pe, header, std::move(runtime)), std::nullopt};
  } catch (const Stop& stop) {
    return VbReading{std::nullopt, stop.refusal};
  } catch (const FormatError& error) {
    return VbReading{std::nullopt, VbRefusal(VbProblem::Damaged, {"the image", error.what()})};
  } catch (const std::bad_alloc&) {
    return VbReading{std::nullopt, VbRefusal(VbProblem::Damaged, {"the image", kOutOfMemory})};
  }
}

VbReading ReadVbProgram(std::string_view image) {
  const MemorySource source(image);
  try {
    return ReadVbProgram(PeImage(source), source);
  } catch (const FormatError& error) {
    return VbReading{std::nullopt, VbRefusal(VbProblem::NotVisualBasic, {error.what()})};
  }
}

} // namespace readers
