#include "readers/TypeLib.h"

#include <cstdio>
#include <memory>
#include <new>
#include <set>

#include "base/Path.h"
#include "readers/Bytes.h"
#include "readers/PeImage.h"
#include "readers/Source.h"
#include "platform/Ports.h"

namespace readers {

namespace {

constexpr std::uint32_t kMsftMagic = 0x5446534D; // "MSFT"
constexpr std::uint32_t kSltgMagic = 0x47544C53; // "SLTG"
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr std::uint64_t kHeaderSize = 0x54;
constexpr std::uint64_t kTypeInfoSize = 0x64;
constexpr std::uint32_t kImpInfoOffsetIsGuid = 0x10000;
constexpr std::int32_t kKindInterface = 3;
constexpr std::int32_t kKindDispatch = 4;
constexpr std::int32_t kKindCoclass = 5;

// The segment directory's order.
enum Segment {
  kTypeInfoTable,
  kImportInfo,
  kImportFiles,
  kReferences,
  kGuidHash,
  kGuids,
  kNameHash,
  kNames,
  kStrings,
  kSegmentCount = 15,
};
const char* const kSegmentNames[] = {
    "the type info table", "the import table", "the import file table",
    "the reference table", "the GUID hash",    "the GUID table",
    "the name hash",       "the name table",   "the string table"};

class MsftReader {
public:
  explicit MsftReader(const Bytes& file) : file_(file) {}

  TypeLibrary Read() {
    const Bytes& f = file_;
    const std::int32_t count = f.I32(0x20, "the header");
    if (count < 0)
      throw FormatError("the header gives " + std::to_string(count) + " types");
    const std::uint32_t varflags = f.U32(0x14, "the header");
    const std::uint64_t directory =
        kHeaderSize + 4u * static_cast<std::uint64_t>(count) + ((varflags & kHelpDllFlag) ? 4 : 0);
    for (int i = 0; i < kSegmentCount; ++i) {
      const std::uint64_t entry = directory + std::uint64_t{16} * i;
      const std::int32_t offset = f.I32(entry, "the segment directory");
      const std::int32_t length = f.I32(entry + 4, "the segment directory");
      if (i < 2 && f.U32(entry + 12, "the segment directory") != 0x0F)
        throw FormatError("no segment directory at offset " + Hex(directory));
      const char* what =
          i < static_cast<int>(std::size(kSegmentNames)) ? kSegmentNames[i] : "a segment";
      if (offset == -1 || length <= 0)
        segments_[i] = Bytes(nullptr, 0, what);
      else if (offset < 0)
        throw FormatError(std::string(what) + " has offset " + std::to_string(offset));
      else
        segments_[i] =
            f.Sub(static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length), what);
    }
    count_ = static_cast<std::uint32_t>(count);
    if (!segments_[kTypeInfoTable].Has(0, kTypeInfoSize * count_))
      throw FormatError("the type info table holds fewer than the " + std::to_string(count_) +
                        " types the header gives");

    TypeLibrary library;
    library.guid = Guid(f.I32(0x08, "the header"));
    // The first locale word says 0x409 also when the IDL names none; the second holds
    // what lcid() set, and is what oleaut32 reports.
    library.lcid = f.U32(0x10, "the header");
    library.syskind = varflags & 0x0F;
    const std::uint32_t version = f.U32(0x18, "the header");
    library.major = static_cast<std::uint16_t>(version & 0xFFFF);
    library.minor = static_cast<std::uint16_t>(version >> 16);
    // A library read from a file has a disk image, and oleaut32 says so.
    library.flags =
        static_cast<std::uint16_t>((f.U32(0x1C, "the header") & 0xFFFF) | kLibHasDiskImage);
    library.name = Name(f.I32(0x38, "the header"));

    std::set<std::int32_t> usedReferences;
    for (std::uint32_t i = 0; i < count_; ++i) {
      const Bytes info = TypeInfo(i);
      const std::int32_t kind = info.I32(0x00, "a type info") & 0x0F;
      if (kind == kKindInterface || kind == kKindDispatch) {
        library.interfaces.push_back(Interface(i));
      } else if (kind == kKindCoclass) {
        TypeLibClass coclass;
        coclass.clsid = Guid(info.I32(0x2C, "a type info"));
        coclass.name = Name(info.I32(0x34, "a type info"));
        coclass.flags = static_cast<std::uint16_t>(info.U32(0x30, "a type info") & 0xFFFF);
        const std::int16_t implemented = static_cast<std::int16_t>(info.U16(0x4C, "a type info"));
        std::int32_t ref = info.I32(0x54, "a type info");
        for (std::int16_t k = 0; k < implemented && ref >= 0; ++k) {
          // Each class has a list of its own: a record reached twice would repeat a list
          // forever, or make a few bytes into thousands of entries.
          if (!usedReferences.insert(ref).second)
            throw FormatError("the reference at offset " + Hex(static_cast<std::uint32_t>(ref)) +
                              " is reached a second time: an interface list loops");
          const Bytes& refs = segments_[kReferences];
          const std::int32_t href = refs.I32(static_cast<std::uint32_t>(ref), "a reference");
          ImplementedInterface implements = Implemented(href);
          implements.implFlags = refs.I32(static_cast<std::uint32_t>(ref) + 4u, "a reference");
          coclass.interfaces.push_back(implements);
          ref = refs.I32(static_cast<std::uint32_t>(ref) + 12u, "a reference");
        }
        library.classes.push_back(coclass);
      }
    }
    return library;
  }

private:
  Bytes TypeInfo(std::uint32_t index) const {
    return segments_[kTypeInfoTable].Sub(kTypeInfoSize * index, kTypeInfoSize, "a type info");
  }

  std::string Guid(std::int32_t offset) const {
    if (offset < 0)
      return "{00000000-0000-0000-0000-000000000000}";
    return GuidText(segments_[kGuids], static_cast<std::uint32_t>(offset));
  }

  // A name: a 12-byte introduction whose third word holds the length in its low byte.
  std::string Name(std::int32_t offset) const {
    if (offset < 0)
      return std::string();
    const Bytes& names = segments_[kNames];
    const std::uint64_t at = static_cast<std::uint32_t>(offset);
    const std::uint32_t length = names.U32(at + 8, "a name") & 0xFF;
    return names.Copy(at + 12, length, "a name");
  }

  TypeLibInterface Interface(std::uint32_t index) const {
    const Bytes info = TypeInfo(index);
    TypeLibInterface result;
    result.iid = Guid(info.I32(0x2C, "a type info"));
    result.name = Name(info.I32(0x34, "a type info"));
    result.flags = static_cast<std::uint16_t>(info.U32(0x30, "a type info") & 0xFFFF);
    const std::int32_t kind = info.I32(0x00, "a type info") & 0x0F;
    // A dual interface is listed as its dispinterface, which is not oleautomation itself.
    if (result.flags & kTypeDual) {
      result.kind = InterfaceKind::Dual;
      result.flags &= static_cast<std::uint16_t>(~kTypeOleAutomation);
    } else if (kind == kKindDispatch) {
      result.kind = InterfaceKind::Dispatch;
    } else if (result.flags & kTypeOleAutomation) {
      result.kind = InterfaceKind::OleAutomation;
    }
    return result;
  }

  // A reference is the offset of a type info in this file, or 1 plus the offset of an
  // import record.
  ImplementedInterface Implemented(std::int32_t href) const {
    ImplementedInterface result;
    const std::uint32_t value = static_cast<std::uint32_t>(href);
    if ((value & 3) == 0) {
      if (value % kTypeInfoSize != 0 || value / kTypeInfoSize >= count_)
        throw FormatError("a class refers to type offset " + Hex(value) + " of " +
                          std::to_string(count_) + " types");
      const TypeLibInterface target = Interface(value / static_cast<std::uint32_t>(kTypeInfoSize));
      result.iid = target.iid;
      result.name = target.name;
      return result;
    }
    const Bytes& imports = segments_[kImportInfo];
    const std::uint64_t at = value & ~3u;
    result.external = true;
    if (imports.U32(at, "an import") & kImpInfoOffsetIsGuid)
      result.iid = Guid(imports.I32(at + 8, "an import"));
    return result;
  }

  const Bytes& file_;
  Bytes segments_[kSegmentCount];
  std::uint32_t count_ = 0;
};

std::string Hex4(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

} // namespace

const char* KindName(InterfaceKind kind) {
  switch (kind) {
  case InterfaceKind::Dispatch:
    return "dispatch";
  case InterfaceKind::Dual:
    return "dual";
  case InterfaceKind::OleAutomation:
    return "oleautomation";
  case InterfaceKind::Custom:
    break;
  }
  return "custom";
}

namespace {

TypeLibrary ReadTypeLibBytes(const Bytes& bytes) {
  const std::uint32_t magic = bytes.Size() >= 4 ? bytes.U32(0, "the header") : 0;
  if (magic == kSltgMagic)
    throw FormatError("an SLTG type library, the older format, which is not read; MIDL and "
                      "widl write the MSFT format");
  if (magic != kMsftMagic)
    throw FormatError("neither a type library nor a program or library");
  return MsftReader(bytes).Read();
}

} // namespace

TypeLibrary ReadTypeLib(const std::string& bytes, std::uint16_t index) {
  return ReadTypeLib(MemorySource(bytes), index);
}

TypeLibrary ReadTypeLib(const Source& source, std::uint16_t index) {
  try {
    if (source.Size() < 2 || source.Read(0, 2, "the header") != "MZ") {
      if (source.Size() > kMaxTypeLibBytes)
        throw FormatError(TooLarge("the type library", source.Size(), kMaxTypeLibBytes));
      const std::string bytes = source.Read(0, source.Size(), "the type library");
      return ReadTypeLibBytes(Bytes(bytes));
    }
    const PeImage pe(source);
    const Resource* resource = pe.Find(ResourceKey::Name("TYPELIB"), ResourceKey::Id(index));
    if (!resource)
      throw FormatError("no TYPELIB resource " + std::to_string(index));
    if (resource->size > kMaxTypeLibBytes)
      throw FormatError(TooLarge("the TYPELIB resource", resource->size, kMaxTypeLibBytes));
    const std::string inner = pe.Data(*resource, "the TYPELIB resource");
    if (inner.compare(0, 2, "MZ") == 0)
      throw FormatError("the TYPELIB resource holds a program, not a type library");
    TypeLibrary library = ReadTypeLibBytes(Bytes(inner));
    library.machine = pe.Machine();
    return library;
  } catch (const std::bad_alloc&) {
    throw FormatError(kOutOfMemory);
  }
}

std::pair<std::string, std::uint16_t> SplitTypeLibPath(const std::string& path) {
  // The index follows the last backslash; the whole path back when nothing follows one.
  const std::size_t rest = brask::GetPathPart(path).size();
  if (rest == path.size() || rest == 1 || path.size() - rest > 5)
    return {path, 1};
  const std::size_t slash = rest - 1;
  std::uint32_t index = 0;
  for (std::size_t i = slash + 1; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9')
      return {path, 1};
    index = index * 10 + static_cast<std::uint32_t>(path[i] - '0');
  }
  if (index == 0 || index > 0xFFFF)
    return {path, 1};
  return {path.substr(0, slash), static_cast<std::uint16_t>(index)};
}

TypeLibrary ReadTypeLibFile(const std::string& path, platform::FilePort& files) {
  const auto [file, index] = SplitTypeLibPath(path);
  std::unique_ptr<FileSource> source;
  try {
    source = std::make_unique<FileSource>(file, files);
  } catch (const base::SystemError& error) {
    throw FormatError(path + ": " + error.Description());
  }
  try {
    return ReadTypeLib(*source, index);
  } catch (const FormatError& error) {
    throw FormatError(path + ": " + error.what());
  }
}

std::string LibraryFlagsText(std::uint16_t flags) {
  static const std::pair<std::uint16_t, const char*> kNames[] = {
      {kLibRestricted, "RESTRICTED"},
      {kLibControl, "CONTROL"},
      {kLibHidden, "HIDDEN"},
      {kLibHasDiskImage, "HASDISKIMAGE"}};
  std::string text;
  for (const auto& [bit, name] : kNames)
    if (flags & bit)
      text += (text.empty() ? "" : ",") + std::string(name);
  return text;
}

std::string Listing(const TypeLibrary& library) {
  std::string text = "library " + library.guid + " " + library.name + " " +
                     std::to_string(library.major) + "." + std::to_string(library.minor) +
                     " lcid " + Hex4(library.lcid) + " syskind " + std::to_string(library.syskind) +
                     " flags " + Hex4(library.flags) + " " + LibraryFlagsText(library.flags) + "\n";
  for (const TypeLibClass& c : library.classes) {
    text += "class " + c.clsid + " " + c.name + " flags " + Hex4(c.flags) +
            ((c.flags & kTypeCanCreate) ? " creatable" : "") +
            ((c.flags & kTypeControl) ? " control" : "") +
            ((c.flags & kTypeHidden) ? " hidden" : "") + "\n";
    for (const ImplementedInterface& i : c.interfaces)
      text += "  implements " + (i.iid.empty() ? std::string("(unknown)") : i.iid) + " " +
              (i.external ? std::string("(external)") : i.name) + " implflags " +
              Hex4(static_cast<std::uint32_t>(i.implFlags)) + "\n";
  }
  for (const TypeLibInterface& i : library.interfaces)
    text += "interface " + i.iid + " " + i.name + " " + KindName(i.kind) + " flags " +
            Hex4(i.flags) + "\n";
  return text;
}

} // namespace readers
