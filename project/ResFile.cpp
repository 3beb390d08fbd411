#include "project/ResFile.h"

#include <algorithm>
#include <new>
#include <utility>

#include "readers/Bytes.h"
#include "readers/PeImage.h"

namespace project {

namespace {

using readers::FormatError;
using readers::ResourceKey;

// The empty entry: no data, a 32-byte header, type 0 and name 0 as numbers.
constexpr std::size_t kEmptyEntrySize = 32;
// DataVersion, MemoryFlags, LanguageId, Version, Characteristics: after the name, aligned.
constexpr std::uint64_t kFixedFieldsSize = 16;
constexpr std::uint64_t kLanguageAt = 6;
constexpr const char* kHeader = "the entry header";

std::uint64_t Align4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

bool IsManifest(const ResEntry& entry) {
  return !entry.type.IsName() && entry.type.id == readers::kManifestResourceType;
}

bool SameKey(const ResourceKey& a, const ResourceKey& b) {
  return a.id == b.id && a.name == b.name;
}

// A type or name from at: 0xFFFF and a number, or UTF-16 up to its NUL. The offset after
// it, or 0 when it does not end before end (which lies inside the file).
std::uint64_t ReadKey(const readers::Bytes& file, std::uint64_t at, std::uint64_t end,
                      ResourceKey& key) {
  if (at + 2 > end)
    return 0;
  if (file.U16(at, kHeader) == 0xFFFF) {
    if (at + 4 > end)
      return 0;
    key = ResourceKey::Id(file.U16(at + 2, kHeader));
    return at + 4;
  }
  for (std::uint64_t unit = at; unit + 2 <= end; unit += 2) {
    if (file.U16(unit, kHeader) == 0) {
      key = ResourceKey::Name(file.Utf16(at, (unit - at) / 2, kHeader));
      return unit + 2;
    }
  }
  return 0;
}

void Need(const readers::Bytes& file, std::uint64_t at, std::uint64_t count, const char* what) {
  if (!file.Has(at, count))
    throw FormatError(readers::PastTheEnd(what, at, count, "the file", file.Size()));
}

ResEntry ReadEntry(const readers::Bytes& file, std::uint64_t at) {
  Need(file, at, 8, kHeader);
  const std::uint32_t dataSize = file.U32(at, kHeader);
  const std::uint32_t headerSize = file.U32(at + 4, kHeader);
  Need(file, at, headerSize, kHeader);
  const std::uint64_t dataAt = at + headerSize;
  ResEntry entry;
  std::uint64_t fields = ReadKey(file, at + 8, dataAt, entry.type);
  if (fields != 0)
    fields = ReadKey(file, fields, dataAt, entry.name);
  fields = Align4(fields);
  if (fields == 0 || fields + kFixedFieldsSize > dataAt)
    throw FormatError(std::string(kHeader) + " at offset " + readers::Hex(at) + " (" +
                      std::to_string(headerSize) + " bytes) is too short for its fields");
  entry.language = file.U16(fields + kLanguageAt, kHeader);
  Need(file, dataAt, dataSize, "the entry data");
  entry.offset = static_cast<std::size_t>(at);
  entry.dataAt = static_cast<std::size_t>(dataAt);
  entry.dataSize = dataSize;
  // A last entry without its padding is still whole.
  const std::uint64_t end = std::min<std::uint64_t>(Align4(dataAt + dataSize), file.Size());
  entry.size = static_cast<std::size_t>(end - at);
  return entry;
}

std::vector<ResEntry> ReadEntries(const std::string& bytes) {
  if (bytes.empty())
    throw FormatError("the file is empty");
  // A 16-bit .res starts with its first type, 0xFF and a number; a 32-bit one with zeros.
  if (static_cast<unsigned char>(bytes[0]) == 0xFF)
    throw FormatError("a 16-bit resource file; Visual Basic 6 takes only 32-bit ones");
  const readers::Bytes file(bytes);
  if (!file.Has(0, kEmptyEntrySize) || file.U32(0, kHeader) != 0 ||
      file.U32(4, kHeader) != kEmptyEntrySize || file.U32(8, kHeader) != 0xFFFF ||
      file.U32(12, kHeader) != 0xFFFF)
    throw FormatError("no empty entry at the start: not a 32-bit resource file");
  std::vector<ResEntry> entries;
  for (std::uint64_t at = kEmptyEntrySize; at < file.Size(); at += entries.back().size)
    entries.push_back(ReadEntry(file, at));
  return entries;
}

// The entry's bytes at the end of out, followed by what its next neighbour needs to start
// aligned.
void Append(std::string& out, const std::string& bytes, const ResEntry& entry) {
  out.append(bytes, entry.offset, entry.size);
  out.resize(static_cast<std::size_t>(Align4(out.size())), '\0');
}

MergeResult Refuse(Problem problem, std::vector<std::string> facts = {}) {
  MergeResult result;
  result.refusal = Refusal(problem, std::move(facts));
  return result;
}

MergeResult Merge(const std::string& existing, const std::string& ours) {
  const ResFile target = ReadResFile(existing);
  if (target.refusal)
    return Refuse(Problem::ResNotRead, {*target.refusal});
  const ResFile compiled = ReadResFile(ours);
  if (compiled.refusal)
    return Refuse(Problem::CompiledResNotRead, {*compiled.refusal});
  std::string manifests;
  std::vector<ResourceKey> names;
  for (const ResEntry& entry : compiled.entries) {
    if (IsManifest(entry)) {
      Append(manifests, ours, entry);
      names.push_back(entry.name);
    }
  }
  if (manifests.empty())
    return Refuse(Problem::CompiledResWithoutManifest);

  MergeResult result;
  // At most every entry of both, and the padding a last entry may lack: a .res may be
  // hundreds of megabytes, and growing by doubling would hold three times that for a moment.
  result.bytes.reserve(existing.size() + manifests.size() + 3);
  result.bytes.assign(existing, 0, kEmptyEntrySize);
  bool placed = false;
  for (const ResEntry& entry : target.entries) {
    const bool ourName = std::any_of(names.begin(), names.end(), [&](const ResourceKey& name) {
      return SameKey(name, entry.name);
    });
    if (!IsManifest(entry) || !ourName) {
      Append(result.bytes, existing, entry);
    } else if (!placed) {
      result.bytes += manifests;
      placed = true;
    }
  }
  if (!placed)
    result.bytes += manifests;
  result.outcome = result.bytes == existing ? MergeOutcome::Unchanged
                   : placed                 ? MergeOutcome::Replaced
                                            : MergeOutcome::Appended;
  return result;
}

} // namespace

ResFile ReadResFile(const std::string& bytes) {
  ResFile file;
  try {
    file.entries = ReadEntries(bytes);
  } catch (const FormatError& error) {
    file.refusal = error.what();
  } catch (const std::bad_alloc&) {
    file.refusal = readers::kOutOfMemory;
  }
  return file;
}

std::optional<std::string> ManifestIn(const std::string& bytes, const ResFile& file) {
  for (const ResEntry& entry : file.entries)
    if (IsManifest(entry) && !entry.name.IsName() && entry.name.id == 1)
      return bytes.substr(entry.dataAt, entry.dataSize);
  return std::nullopt;
}

MergeResult MergeManifest(const std::string& existing, const std::string& ours) {
  try {
    return Merge(existing, ours);
  } catch (const std::bad_alloc&) {
    return Refuse(Problem::ResNotRead, {readers::kOutOfMemory});
  }
}

} // namespace project
