#include "readers/PeImage.h"

#include <memory>
#include <set>

#include "base/Ascii.h"
#include "platform/Platform.h"

namespace readers {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint16_t kDllCharacteristic = 0x2000;
constexpr std::uint32_t kResourceDirectoryIndex = 2;

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

std::uint16_t ProgramMachine(const std::string& path) {
  try {
    const auto file = platform::ReadableFile::OpenIfPresent(path);
    if (!file)
      return 0;
    return generation::ImageMachine(
        [&file](std::uint64_t offset, std::size_t count) { return file->ReadAt(offset, count); });
  } catch (const SystemError&) {
    return 0;
  }
}

PeImage::PeImage(const Source& image) : file_(image) { ReadHeaders(); }

PeImage::PeImage(const std::string& image)
    : owned_(std::make_unique<MemorySource>(image)), file_(*owned_) {
  ReadHeaders();
}

void PeImage::ReadHeaders() {
  if (file_.Size() < 2 || file_.Read(0, 2, "the MZ header") != "MZ")
    throw FormatError("no MZ header: not a program or library");
  const std::uint32_t peOffset = file_.U32(0x3C, "the MZ header");
  if (file_.U32(peOffset, "the PE signature") != 0x00004550u)
    throw FormatError("no PE signature at offset " + Hex(peOffset) + ": an MS-DOS program");
  const std::uint64_t coff = std::uint64_t{peOffset} + 4;
  machine_ = file_.U16(coff, "the COFF header");
  const std::uint16_t sectionCount = file_.U16(coff + 2, "the COFF header");
  const std::uint16_t optionalSize = file_.U16(coff + 16, "the COFF header");
  dll_ = (file_.U16(coff + 18, "the COFF header") & kDllCharacteristic) != 0;

  const std::uint64_t optional = coff + 20;
  const std::string headerBytes = file_.Read(optional, optionalSize, "the optional header");
  const Bytes header(headerBytes, "the optional header");
  const std::uint16_t magic = header.U16(0, "the optional header");
  if (magic != kPe32Magic && magic != kPe32PlusMagic)
    throw FormatError("optional header magic " + Hex(magic) + " is neither PE32 nor PE32+");
  pe32Plus_ = magic == kPe32PlusMagic;
  headersSize_ = header.U32(60, "the optional header");
  const std::uint64_t directoryCountAt = pe32Plus_ ? 108 : 92;
  const std::uint32_t directoryCount = header.U32(directoryCountAt, "the optional header");

  // One read for the table, or for as much of it as the file holds: an entry past the end
  // is then read alone for its message.
  const std::uint64_t table = optional + optionalSize;
  const std::uint64_t tableSize = 40u * std::uint64_t{sectionCount};
  const std::uint64_t held = file_.Has(table, 0) ? file_.Size() - table : 0;
  const std::string tableBytes =
      held == 0 ? std::string()
                : file_.Read(table, held < tableSize ? held : tableSize, "the section table");
  const Bytes tableView(tableBytes, "the section table");
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    if (!tableView.Has(40u * i, 40))
      file_.Read(table + 40u * i, 40, "the section table");
    const Bytes entry = tableView.Sub(40u * i, 40, "the section table");
    sections_.push_back({entry.U32(12, "a section header"), entry.U32(8, "a section header"),
                         entry.U32(20, "a section header"), entry.U32(16, "a section header")});
  }

  if (directoryCount <= kResourceDirectoryIndex)
    return;
  const std::uint64_t resourceEntry = directoryCountAt + 4 + 8 * kResourceDirectoryIndex;
  const std::uint32_t resourceRva = header.U32(resourceEntry, "the data directories");
  const std::uint32_t resourceSize = header.U32(resourceEntry + 4, "the data directories");
  if (resourceRva != 0 && resourceSize != 0)
    ReadResources(resourceRva);
}

std::uint64_t PeImage::OffsetOf(std::uint64_t rva, std::uint64_t count, const char* what) const {
  for (const Section& s : sections_) {
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
  if (rva + count <= headersSize_ && file_.Has(rva, count))
    return rva;
  throw FormatError(std::string(what) + " at RVA " + Hex(rva) + " is in no section");
}

ResourceKey PeImage::ReadKey(std::uint32_t rootRva, std::uint32_t nameField) const {
  if ((nameField & kHighBit) == 0)
    return ResourceKey::Id(static_cast<std::uint16_t>(nameField));
  const std::uint64_t rva = std::uint64_t{rootRva} + (nameField & ~kHighBit);
  const std::uint16_t length = file_.U16(OffsetOf(rva, 2, "a resource name"), "a resource name");
  ResourceKey key = ResourceKey::Name(
      file_.Utf16(OffsetOf(rva + 2, 2u * length, "a resource name"), length, "a resource name"));
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
    std::uint32_t target;
  };
  auto readDirectory = [&](std::uint64_t rva, const char* what) {
    if (!seen.insert(rva).second)
      throw FormatError("the resource directory at RVA " + Hex(rva) +
                        " is reached a second time: the directory loops");
    const std::uint64_t at = OffsetOf(rva, 16, what);
    const std::uint32_t count = std::uint32_t{file_.U16(at + 12, what)} + file_.U16(at + 14, what);
    const std::uint64_t entries = OffsetOf(rva + 16, 8u * count, what);
    if (count > kMaxResourceEntries - listed)
      throw FormatError("the resource directory lists more than " +
                        std::to_string(kMaxResourceEntries) + " entries");
    listed += count;
    const std::string tableBytes = file_.Read(entries, 8u * count, what);
    const Bytes table(tableBytes, what);
    std::vector<Entry> list;
    for (std::uint32_t i = 0; i < count; ++i)
      list.push_back({ReadKey(rootRva, table.U32(8u * i, what)), table.U32(8u * i + 4, what)});
    return list;
  };
  auto subdirectory = [&](const Entry& entry, const std::string& what) {
    if ((entry.target & kHighBit) == 0)
      throw FormatError(what + " has data where a directory belongs");
    return std::uint64_t{rootRva} + (entry.target & ~kHighBit);
  };

  for (const Entry& type : readDirectory(rootRva, "the resource directory")) {
    const std::string typeWhat = "resource type " + type.key.ToString();
    for (const Entry& name : readDirectory(subdirectory(type, typeWhat), "a resource directory")) {
      const std::string nameWhat = typeWhat + " name " + name.key.ToString();
      const std::vector<Entry> languages =
          readDirectory(subdirectory(name, nameWhat), "a resource directory");
      if (languages.empty())
        continue;
      const Entry& language = languages.front();
      if ((language.target & kHighBit) != 0)
        throw FormatError(nameWhat + " has a directory where its data belongs");
      const std::uint64_t leaf =
          OffsetOf(std::uint64_t{rootRva} + language.target, 16, "a resource data entry");
      const std::uint32_t dataRva = file_.U32(leaf, "a resource data entry");
      const std::uint32_t size = file_.U32(leaf + 4, "a resource data entry");
      const std::uint64_t data = OffsetOf(dataRva, size, "the data of a resource");
      resources_.push_back({type.key, name.key, language.key.id, data, size});
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
