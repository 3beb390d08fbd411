#include "readers/PeImage.h"

#include <algorithm>
#include <memory>
#include <set>

#include "base/Ascii.h"
#include "base/Unicode.h"
#include "platform/Ports.h"

namespace readers {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint16_t kDllCharacteristic = 0x2000;

} // namespace

bool ResourceKey::Matches(const ResourceKey& other) const {
  if (IsName() != other.IsName())
    return false;
  return IsName() ? ascii::Upper(name) == ascii::Upper(other.name) : id == other.id;
}

std::string ResourceKey::ToString() const { return IsName() ? name : std::to_string(id); }

std::string MachineName(std::uint16_t machine) {
  const generation::MachineRow* row = generation::FindMachine(machine);
  return row ? row->name : "machine " + Hex(machine);
}

std::uint16_t ProgramMachine(const std::string& path, platform::FilePort& files) {
  // A program not built yet is the usual case: asked, not opened, so nothing throws.
  if (!files.NameExists(path))
    return 0;
  try {
    const auto file = files.Open(path);
    return generation::ImageMachine(
        [&file](std::uint64_t offset, std::size_t count) { return file->ReadAt(offset, count); });
  } catch (const base::SystemError&) {
    return 0;
  }
}

PeImage::PeImage(const Source& image) : file_(image) { ReadHeaders(); }

PeImage::PeImage(std::string_view image)
    : owned_(std::make_unique<MemorySource>(image)), file_(*owned_) {
  ReadHeaders();
}

void PeImage::ReadHeaders() {
  using Fault = generation::ImageStart::Fault;
  const generation::ImageStart start =
      generation::ReadImageStart([this](std::uint64_t offset, std::size_t count) {
        if (!file_.Has(offset, 0))
          return std::string();
        const std::uint64_t left = file_.Size() - offset;
        return file_.Read(offset, left < count ? left : count, "the PE image's start");
      });
  if (start.fault == Fault::noMz)
    throw FormatError("no MZ header: not a program or library");
  if (start.fault == Fault::noSignature)
    throw FormatError("no PE signature at offset " + Hex(start.signatureOffset) +
                      ": an MS-DOS program");
  if (start.fault == Fault::shortFile)
    throw FormatError(
        PastTheEnd(start.part, start.partOffset, start.partSize, "the file", file_.Size()));
  const std::uint64_t coff = std::uint64_t{start.signatureOffset} + 4;
  headers_.coffOffset = coff;
  machine_ = start.machine;
  const std::uint16_t sectionCount = file_.U16(coff + 2, "the COFF header");
  headers_.symbolTable = file_.U32(coff + 8, "the COFF header");
  headers_.symbolCount = file_.U32(coff + 12, "the COFF header");
  const std::uint16_t optionalSize = file_.U16(coff + 16, "the COFF header");
  dll_ = (file_.U16(coff + 18, "the COFF header") & kDllCharacteristic) != 0;

  const std::uint64_t optional = coff + 20;
  headers_.optionalOffset = optional;
  const std::string headerBytes = file_.Read(optional, optionalSize, "the optional header");
  const Bytes header(headerBytes, "the optional header");
  const std::uint16_t magic = header.U16(0, "the optional header");
  if (magic != kPe32Magic && magic != kPe32PlusMagic)
    throw FormatError("optional header magic " + Hex(magic) + " is neither PE32 nor PE32+");
  pe32Plus_ = magic == kPe32PlusMagic;
  entryPoint_ = header.U32(16, "the optional header");
  imageBase_ = pe32Plus_ ? header.U32(24, "the optional header") |
                               std::uint64_t{header.U32(28, "the optional header")} << 32
                         : header.U32(28, "the optional header");
  headers_.sectionAlignment = header.U32(32, "the optional header");
  headers_.fileAlignment = header.U32(36, "the optional header");
  headers_.sizeOfImage = header.U32(56, "the optional header");
  headers_.sizeOfHeaders = header.U32(60, "the optional header");
  headers_.checksum = header.U32(64, "the optional header");
  headers_.subsystem = header.U16(68, "the optional header");
  const std::uint64_t directoryCountAt = pe32Plus_ ? 108 : 92;
  const std::uint32_t directoryCount = header.U32(directoryCountAt, "the optional header");
  for (std::uint32_t i = 0; i < directoryCount && i < 16; ++i) {
    const std::uint64_t at = directoryCountAt + 4 + std::uint64_t{8} * i;
    if (!header.Has(at, 8))
      break;
    headers_.directories.push_back(
        {header.U32(at, "the data directories"), header.U32(at + 4, "the data directories")});
  }

  // One read for the table, or for as much of it as the file holds: an entry past the end
  // is then read alone for its message.
  const std::uint64_t table = optional + optionalSize;
  headers_.sectionTableOffset = table;
  const std::uint64_t tableSize = 40u * std::uint64_t{sectionCount};
  const std::uint64_t held = file_.Has(table, 0) ? file_.Size() - table : 0;
  const std::string tableBytes =
      held == 0 ? std::string()
                : file_.Read(table, held < tableSize ? held : tableSize, "the section table");
  const Bytes tableView(tableBytes, "the section table");
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    if (!tableView.Has(std::uint64_t{40} * i, 40))
      file_.Read(table + std::uint64_t{40} * i, 40, "the section table");
    const Bytes entry = tableView.Sub(std::uint64_t{40} * i, 40, "the section table");
    std::string name = entry.Copy(0, 8, "a section header");
    name.resize(std::min(name.find('\0'), name.size()));
    sections_.push_back({std::move(name), entry.U32(12, "a section header"),
                         entry.U32(8, "a section header"), entry.U32(20, "a section header"),
                         entry.U32(16, "a section header"), entry.U32(36, "a section header")});
  }

  const DataDirectory resources = Directory(kResourceDirectory);
  if (resources.rva != 0 && resources.size != 0)
    ReadResources(resources.rva);
}

std::string PeImage::FullName(const PeSection& section) const {
  const std::string& name = section.name;
  if (name.size() < 2 || name[0] != '/' || headers_.symbolTable == 0 ||
      name.find_first_not_of("0123456789", 1) != std::string::npos || name.size() > 8)
    return name;
  const std::uint64_t table =
      std::uint64_t{headers_.symbolTable} + std::uint64_t{18} * headers_.symbolCount;
  const std::uint64_t at = table + std::stoull(name.substr(1));
  if (at < table + 4 || !file_.Has(at, 1))
    return name;
  const std::string bytes =
      file_.Read(at, std::min<std::uint64_t>(256, file_.Size() - at), "the COFF string table");
  const std::size_t end = bytes.find('\0');
  return end == std::string::npos || end == 0 ? name : bytes.substr(0, end);
}

std::string PeImage::ReadAt(std::uint64_t rva, std::uint64_t count, const char* what) const {
  return file_.Read(OffsetOf(rva, count, what), count, what);
}

std::string PeImage::StringAt(std::uint64_t rva, std::size_t limit, const char* what) const {
  const std::uint64_t at = OffsetOf(rva, 1, what);
  std::string bytes = file_.Read(at, std::min<std::uint64_t>(limit, file_.Size() - at), what);
  bytes.resize(std::min(bytes.find('\0'), bytes.size()));
  return bytes;
}

// Past these a table is crafted: no program imports from 4096 libraries, nor 16384
// functions in all, nor exports a million names.
std::vector<PeImport> PeImage::Imports() const {
  constexpr std::uint64_t kDescriptorSize = 20;
  constexpr std::uint64_t kMaxLibraries = 4096;
  constexpr std::uint64_t kMaxFunctions = 16384;
  constexpr std::size_t kMaxName = 260;
  std::vector<PeImport> imports;
  const DataDirectory table = Directory(kImportDirectory);
  if (table.rva == 0)
    return imports;
  const std::uint64_t slot = pe32Plus_ ? 8 : 4;
  const std::uint64_t ordinalBit = pe32Plus_ ? std::uint64_t{1} << 63 : kHighBit;
  std::uint64_t total = 0;
  try {
    for (std::uint64_t i = 0; i < kMaxLibraries; ++i) {
      const std::string descriptor =
          ReadAt(table.rva + i * kDescriptorSize, kDescriptorSize, "the import table");
      const Bytes entry(descriptor, "an import descriptor");
      const std::uint32_t nameRva = entry.U32(12, "an import descriptor");
      if (nameRva == 0)
        break;
      imports.push_back({StringAt(nameRva, kMaxName, "an import's library name"), {}});
      const std::uint32_t lookup = entry.U32(0, "an import descriptor") != 0
                                       ? entry.U32(0, "an import descriptor")
                                       : entry.U32(16, "an import descriptor");
      try {
        for (std::uint64_t f = 0; lookup != 0 && total < kMaxFunctions; ++f, ++total) {
          const std::string thunk = ReadAt(lookup + f * slot, slot, "an import lookup table");
          const Bytes value(thunk, "an import lookup entry");
          const std::uint64_t v =
              pe32Plus_ ? value.U32(0, "an import") | std::uint64_t{value.U32(4, "an import")} << 32
                        : value.U32(0, "an import");
          if (v == 0)
            break;
          imports.back().functions.push_back(
              (v & ordinalBit) != 0
                  ? "#" + std::to_string(v & 0xFFFF)
                  : StringAt((v & 0x7FFFFFFF) + 2, kMaxName, "an imported function's name"));
        }
      } catch (const FormatError&) {
        // A lookup table that leaves the file ends there; the next library is read still.
      }
    }
  } catch (const FormatError&) {
    // A table that leaves the file ends where it does.
  }
  return imports;
}

std::uint32_t PeImage::ExportRva(std::string_view name) const {
  constexpr std::uint32_t kMaxNames = 1u << 20;
  const DataDirectory table = Directory(kExportDirectory);
  if (table.rva == 0)
    return 0;
  try {
    const std::string directory = ReadAt(table.rva, 40, "the export directory");
    const Bytes header(directory, "the export directory");
    const std::uint32_t functions = header.U32(20, "the export directory");
    const std::uint32_t names = std::min(header.U32(24, "the export directory"), kMaxNames);
    const std::uint32_t functionTable = header.U32(28, "the export directory");
    const std::uint32_t nameTable = header.U32(32, "the export directory");
    const std::uint32_t ordinalTable = header.U32(36, "the export directory");
    for (std::uint32_t i = 0; i < names; ++i) {
      const std::uint32_t nameRva =
          file_.U32(OffsetOf(nameTable + std::uint64_t{4} * i, 4, "an export's name"), "");
      if (StringAt(nameRva, name.size() + 1, "an export's name") != name)
        continue;
      const std::uint16_t ordinal =
          file_.U16(OffsetOf(ordinalTable + std::uint64_t{2} * i, 2, "an export's ordinal"), "");
      if (ordinal >= functions)
        return 0;
      return file_.U32(OffsetOf(functionTable + std::uint64_t{4} * ordinal, 4, "an export"), "");
    }
  } catch (const FormatError&) {
    // An export table that leaves the file exports nothing that can be found.
  }
  return 0;
}

DataDirectory PeImage::Directory(std::size_t index) const {
  return index < headers_.directories.size() ? headers_.directories[index] : DataDirectory();
}

std::uint64_t PeImage::OffsetOf(std::uint64_t rva, std::uint64_t count, const char* what) const {
  for (const PeSection& s : sections_) {
    const std::uint64_t extent = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
    if (rva < s.virtualAddress || rva - s.virtualAddress >= extent)
      continue;
    const std::uint64_t inside = rva - s.virtualAddress;
    const std::uint64_t readable = extent < s.rawSize ? extent : s.rawSize;
    if (inside > readable || count > readable - inside)
      throw FormatError(std::string(what) + " at RVA " + Hex(rva) + " (" + std::to_string(count) +
                        " bytes) is not in the file's data");
    const std::uint64_t offset = s.rawOffset + inside;
    if (!file_.Has(offset, count))
      throw FormatError(std::string(what) + " at RVA " + Hex(rva) +
                        " lies past the end of the file");
    return offset;
  }
  if (rva + count <= headers_.sizeOfHeaders && file_.Has(rva, count))
    return rva;
  throw FormatError(std::string(what) + " at RVA " + Hex(rva) + " is in no section");
}

ResourceKey PeImage::ReadKey(std::uint32_t rootRva, std::uint32_t nameField,
                             StoredKey& stored) const {
  stored = StoredKey{nameField, std::string()};
  if ((nameField & kHighBit) == 0)
    return ResourceKey::Id(static_cast<std::uint16_t>(nameField));
  const std::uint64_t rva = std::uint64_t{rootRva} + (nameField & ~kHighBit);
  const std::uint16_t length = file_.U16(OffsetOf(rva, 2, "a resource name"), "a resource name");
  const std::uint64_t bytes = std::uint64_t{2} * length;
  stored.id = 0;
  stored.units = file_.Read(OffsetOf(rva + 2, bytes, "a resource name"), bytes, "a resource name");
  ResourceKey key = ResourceKey::Name(unicode::Utf16LeToUtf8(stored.units));
  if (!key.IsName())
    throw FormatError("a resource name at RVA " + Hex(rva) + " is empty");
  return key;
}

// The directory has three levels: type, name, language. Offsets in it count from its root.
// A directory reached twice would make the walk go round forever or multiply its work, so
// it is refused.
void PeImage::ReadResources(std::uint32_t rootRva) {
  std::set<std::uint64_t> seen;
  std::uint32_t listed = 0;
  struct Entry {
    ResourceKey key;
    StoredKey stored;
    std::uint32_t target;
  };
  struct Table {
    std::string header; ///< characteristics, time stamp and version
    std::vector<Entry> entries;
  };
  auto readDirectory = [&](std::uint64_t rva, const char* what) {
    if (!seen.insert(rva).second)
      throw FormatError("the resource directory at RVA " + Hex(rva) +
                        " is reached a second time: the directory loops");
    const std::uint64_t at = OffsetOf(rva, 16, what);
    Table table{file_.Read(at, 12, what), {}};
    const std::uint32_t count = std::uint32_t{file_.U16(at + 12, what)} + file_.U16(at + 14, what);
    directoryEnd_ = std::max(directoryEnd_, rva + 16 + std::uint64_t{8} * count);
    // An empty directory may end its section: no entries to look for after it.
    if (count == 0)
      return table;
    const std::uint64_t entries = OffsetOf(rva + 16, std::uint64_t{8} * count, what);
    if (count > kMaxResourceEntries - listed)
      throw FormatError("the resource directory lists more than " +
                        std::to_string(kMaxResourceEntries) + " entries");
    listed += count;
    const std::string tableBytes = file_.Read(entries, std::uint64_t{8} * count, what);
    const Bytes view(tableBytes, what);
    for (std::uint32_t i = 0; i < count; ++i) {
      Entry entry{ResourceKey(), StoredKey(), view.U32(8u * i + 4, what)};
      const std::uint32_t nameField = view.U32(std::uint64_t{8} * i, what);
      entry.key = ReadKey(rootRva, nameField, entry.stored);
      if (entry.stored.IsName())
        directoryEnd_ = std::max(directoryEnd_, std::uint64_t{rootRva} + (nameField & ~kHighBit) +
                                                    2 + entry.stored.units.size());
      table.entries.push_back(std::move(entry));
    }
    return table;
  };
  auto subdirectory = [&](const Entry& entry, const std::string& what) {
    if ((entry.target & kHighBit) == 0)
      throw FormatError(what + " has data where a directory belongs");
    return std::uint64_t{rootRva} + (entry.target & ~kHighBit);
  };

  const Table root = readDirectory(rootRva, "the resource directory");
  rootTable_ = root.header;
  for (const Entry& type : root.entries) {
    const std::string typeWhat = "resource type " + type.key.ToString();
    const Table names = readDirectory(subdirectory(type, typeWhat), "a resource directory");
    for (const Entry& name : names.entries) {
      const std::string nameWhat = typeWhat + " name " + name.key.ToString();
      const Table languages = readDirectory(subdirectory(name, nameWhat), "a resource directory");
      for (const Entry& language : languages.entries) {
        if ((language.target & kHighBit) != 0)
          throw FormatError(nameWhat + " has a directory where its data belongs");
        const std::uint64_t leaf =
            OffsetOf(std::uint64_t{rootRva} + language.target, 16, "a resource data entry");
        directoryEnd_ = std::max(directoryEnd_, std::uint64_t{rootRva} + language.target + 16);
        const std::string leafBytes = file_.Read(leaf, 16, "a resource data entry");
        const Bytes fields(leafBytes, "a resource data entry");
        StoredResource stored{type.stored,
                              name.stored,
                              language.stored,
                              fields.U32(0, "a resource data entry"),
                              fields.U32(4, "a resource data entry"),
                              fields.U32(8, "a resource data entry"),
                              fields.U32(12, "a resource data entry"),
                              0,
                              names.header,
                              languages.header};
        stored.offset = OffsetOf(stored.dataRva, stored.size, "the data of a resource");
        if (&language == &languages.entries.front())
          resources_.push_back({type.key, name.key, language.key.id, stored.offset, stored.size});
        stored_.push_back(std::move(stored));
      }
    }
  }
}

std::string PeImage::Data(const Resource& resource, const char* what) const {
  return file_.Read(resource.offset, resource.size, what);
}

const Resource* PeImage::Find(const ResourceKey& type, const ResourceKey& name) const {
  for (const Resource& resource : resources_)
    if (resource.type.Matches(type) && resource.name.Matches(name))
      return &resource;
  return nullptr;
}

} // namespace readers
