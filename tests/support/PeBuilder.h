#pragma once
// Small PE images made in memory: headers, one .rsrc section and its resource directory,
// laid out as linkers do; or, for the writers' tests, any sections in a row with the
// alignments, sizes and data directories a loader checks. Tests change their bytes to make
// hostile files. LayoutBroken says what a writer broke of a program's layout, for the embed
// tests and the embed fuzz target alike.

#include <cstdint>
#include <string>
#include <vector>

#include "readers/PeImage.h"

namespace testsupport {

struct PeResource {
  readers::ResourceKey type;
  readers::ResourceKey name;
  std::string data;
  std::uint16_t language = 0x409;
};

struct BuiltPe {
  std::string image;
  std::size_t resourceOffset = 0; ///< file offset of the resource directory's root
  std::size_t optionalOffset = 0; ///< file offset of the optional header
};

inline void PutU16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void PutU32(std::string& s, std::size_t at, std::uint32_t v) {
  PutU16(s, at, v & 0xFFFF);
  PutU16(s, at + 2, v >> 16);
}

/// The resource directory of resources for a section at rva, unpadded. Resources must come
/// grouped by type, as the directory lists them.
inline std::string ResourceDirectory(const std::vector<PeResource>& resources, std::uint32_t rva) {
  // Types in order, each with its resources.
  std::vector<std::vector<const PeResource*>> types;
  for (const PeResource& r : resources) {
    if (types.empty() || !types.back().front()->type.Matches(r.type))
      types.emplace_back();
    types.back().push_back(&r);
  }
  std::string rsrc;
  auto grow = [&rsrc](std::size_t size) {
    const std::size_t at = rsrc.size();
    rsrc.append(size, '\0');
    return at;
  };
  auto directory = [&](std::size_t count) {
    const std::size_t at = grow(16 + 8 * count);
    PutU16(rsrc, at + 14,
           static_cast<std::uint32_t>(count)); // all as ID entries; names fixed below
    return at;
  };
  struct Pending {
    std::size_t entry;
    const readers::ResourceKey* key;
  };
  std::vector<Pending> names;
  std::vector<std::pair<std::size_t, const PeResource*>> leaves;
  const std::size_t root = directory(types.size());
  for (std::size_t t = 0; t < types.size(); ++t) {
    const std::size_t typeDir = directory(types[t].size());
    names.push_back({root + 16 + 8 * t, &types[t].front()->type});
    PutU32(rsrc, root + 16 + 8 * t + 4, 0x80000000u | static_cast<std::uint32_t>(typeDir));
    for (std::size_t n = 0; n < types[t].size(); ++n) {
      const std::size_t languageDir = directory(1);
      names.push_back({typeDir + 16 + 8 * n, &types[t][n]->name});
      PutU32(rsrc, typeDir + 16 + 8 * n + 4, 0x80000000u | static_cast<std::uint32_t>(languageDir));
      PutU32(rsrc, languageDir + 16, types[t][n]->language);
      leaves.push_back({languageDir + 16 + 4, types[t][n]});
    }
  }
  for (const Pending& p : names) {
    if (!p.key->IsName()) {
      PutU32(rsrc, p.entry, p.key->id);
      continue;
    }
    const std::size_t at = grow(2 + 2 * p.key->name.size());
    PutU16(rsrc, at, static_cast<std::uint32_t>(p.key->name.size()));
    for (std::size_t i = 0; i < p.key->name.size(); ++i)
      PutU16(rsrc, at + 2 + 2 * i, static_cast<unsigned char>(p.key->name[i]));
    PutU32(rsrc, p.entry, 0x80000000u | static_cast<std::uint32_t>(at));
  }
  for (const auto& [entry, resource] : leaves) {
    grow((4 - rsrc.size() % 4) % 4);
    const std::size_t leaf = grow(16);
    PutU32(rsrc, entry, static_cast<std::uint32_t>(leaf));
    const std::size_t data = grow(resource->data.size());
    rsrc.replace(data, resource->data.size(), resource->data);
    PutU32(rsrc, leaf, rva + static_cast<std::uint32_t>(data));
    PutU32(rsrc, leaf + 4, static_cast<std::uint32_t>(resource->data.size()));
  }
  return rsrc;
}

/// Resources must come grouped by type, as the directory lists them.
inline BuiltPe BuildPe(std::uint16_t machine, bool pe32Plus,
                       const std::vector<PeResource>& resources) {
  constexpr std::uint32_t kSectionRva = 0x1000;
  constexpr std::size_t kSectionOffset = 0x200;
  std::string rsrc = ResourceDirectory(resources, kSectionRva);
  const std::uint32_t virtualSize = static_cast<std::uint32_t>(rsrc.size());
  rsrc.append((0x200 - rsrc.size() % 0x200) % 0x200, '\0');

  BuiltPe pe;
  std::string& s = pe.image;
  s.assign(kSectionOffset, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  PutU32(s, 0x3C, 0x40);
  s.replace(0x40, 4, std::string("PE\0\0", 4));
  const std::size_t coff = 0x44;
  const std::uint16_t optionalSize = pe32Plus ? 0xF0 : 0xE0;
  PutU16(s, coff, machine);
  PutU16(s, coff + 2, 1);
  PutU16(s, coff + 16, optionalSize);
  PutU16(s, coff + 18, 0x0102);
  pe.optionalOffset = coff + 20;
  const std::size_t opt = pe.optionalOffset;
  PutU16(s, opt, pe32Plus ? 0x20B : 0x10B);
  PutU32(s, opt + 60, kSectionOffset);
  const std::size_t dirs = opt + (pe32Plus ? 112 : 96);
  PutU32(s, dirs - 4, 16);
  if (!resources.empty()) {
    PutU32(s, dirs + 16, kSectionRva);
    PutU32(s, dirs + 20, virtualSize);
  }
  const std::size_t section = opt + optionalSize;
  s.replace(section, 5, ".rsrc");
  PutU32(s, section + 8, virtualSize);
  PutU32(s, section + 12, kSectionRva);
  PutU32(s, section + 16, static_cast<std::uint32_t>(rsrc.size()));
  PutU32(s, section + 20, kSectionOffset);
  pe.resourceOffset = kSectionOffset;
  s += rsrc;
  return pe;
}

/// A section of BuildImage: its bytes, or the image's resource directory when resources.
struct PeSectionSpec {
  std::string name;
  std::string data;
  std::uint32_t characteristics = 0x40000040; ///< initialized data, readable
  bool resources = false;
};

struct PeSpec {
  std::uint16_t machine = readers::kMachineI386;
  bool pe32Plus = false;
  bool dll = false;
  std::vector<PeResource> resources;
  std::vector<PeSectionSpec> sections; ///< in address and file order
  std::uint32_t headersSize = 0x400;   ///< SizeOfHeaders, where the first section starts
  std::string tail;                    ///< bytes after the last section
  std::uint32_t checksum = 0;          ///< CheckSum as written (the writer recomputes it)
  std::uint32_t fileAlignment = 0x200; ///< Visual Basic 6's linker: 0x1000, headers included
  std::uint64_t imageBase = 0;         ///< 0: not written
  std::uint16_t subsystem = 2;         ///< Windows GUI
  /// Below a page, each section's address is its file offset, as the loader requires.
  std::uint32_t sectionAlignment = 0x1000;
};

struct BuiltImage {
  std::string image;
  std::size_t coffOffset = 0;
  std::size_t optionalOffset = 0;
  std::size_t directoriesOffset = 0; ///< the data directories' table
  std::size_t sectionTableOffset = 0;
  std::vector<std::uint32_t> rvas;  ///< each section's
  std::vector<std::size_t> offsets; ///< each section's raw data
  std::size_t sectionsEnd = 0;      ///< where the tail starts

  void SetDirectory(std::size_t index, std::uint32_t rva, std::uint32_t size) {
    PutU32(image, directoriesOffset + 8 * index, rva);
    PutU32(image, directoriesOffset + 8 * index + 4, size);
  }
};

/// Alignments as asked; SizeOfImage and SizeOfInitializedData as linkers compute them; data
/// directory 2 for the resources and 5 for a ".reloc".
inline BuiltImage BuildImage(const PeSpec& spec) {
  const std::uint32_t fileAlignment = spec.fileAlignment;
  const std::uint32_t kSectionAlignment = spec.sectionAlignment;
  const bool flat = kSectionAlignment < 0x1000;
  auto align = [](std::size_t v, std::size_t to) { return (v + to - 1) / to * to; };
  BuiltImage pe;
  std::string& s = pe.image;
  s.assign(spec.headersSize, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  PutU32(s, 0x3C, 0x40);
  s.replace(0x40, 4, std::string("PE\0\0", 4));
  pe.coffOffset = 0x44;
  const std::uint16_t optionalSize = spec.pe32Plus ? 0xF0 : 0xE0;
  PutU16(s, pe.coffOffset, spec.machine);
  PutU16(s, pe.coffOffset + 2, static_cast<std::uint32_t>(spec.sections.size()));
  PutU16(s, pe.coffOffset + 16, optionalSize);
  PutU16(s, pe.coffOffset + 18, spec.dll ? 0x2102 : 0x0102);
  pe.optionalOffset = pe.coffOffset + 20;
  const std::size_t opt = pe.optionalOffset;
  PutU16(s, opt, spec.pe32Plus ? 0x20B : 0x10B);
  PutU32(s, opt + 32, kSectionAlignment);
  PutU32(s, opt + 36, fileAlignment);
  PutU32(s, opt + 60, spec.headersSize);
  PutU32(s, opt + 64, spec.checksum);
  PutU16(s, opt + 68, spec.subsystem);
  if (spec.pe32Plus) {
    PutU32(s, opt + 24, static_cast<std::uint32_t>(spec.imageBase));
    PutU32(s, opt + 28, static_cast<std::uint32_t>(spec.imageBase >> 32));
  } else {
    PutU32(s, opt + 28, static_cast<std::uint32_t>(spec.imageBase));
  }
  pe.directoriesOffset = opt + (spec.pe32Plus ? 112 : 96);
  PutU32(s, pe.directoriesOffset - 4, 16);
  pe.sectionTableOffset = opt + optionalSize;

  std::uint32_t rva = flat ? spec.headersSize : kSectionAlignment;
  std::uint32_t initialized = 0;
  for (std::size_t i = 0; i < spec.sections.size(); ++i) {
    const PeSectionSpec& section = spec.sections[i];
    if (flat)
      rva = static_cast<std::uint32_t>(s.size());
    std::string data = section.resources ? ResourceDirectory(spec.resources, rva) : section.data;
    const std::uint32_t virtualSize = static_cast<std::uint32_t>(data.size());
    data.resize(align(data.size(), fileAlignment), '\0');
    const std::size_t header = pe.sectionTableOffset + 40 * i;
    s.replace(header, section.name.size(), section.name);
    PutU32(s, header + 8, virtualSize);
    PutU32(s, header + 12, rva);
    PutU32(s, header + 16, static_cast<std::uint32_t>(data.size()));
    PutU32(s, header + 20, static_cast<std::uint32_t>(s.size()));
    PutU32(s, header + 36, section.characteristics);
    if (section.resources)
      pe.SetDirectory(2, rva, virtualSize);
    if (section.name == ".reloc")
      pe.SetDirectory(5, rva, virtualSize);
    if (section.characteristics & 0x40)
      initialized += static_cast<std::uint32_t>(data.size());
    pe.rvas.push_back(rva);
    pe.offsets.push_back(s.size());
    s += data;
    rva += static_cast<std::uint32_t>(align(virtualSize == 0 ? 1 : virtualSize, kSectionAlignment));
  }
  PutU32(s, opt + 8, initialized);
  PutU32(s, opt + 56, rva);
  pe.sectionsEnd = s.size();
  s += spec.tail;
  return pe;
}

/// What an embedding broke of the program before in after, empty when nothing: only the base
/// relocations' section and debug data move; VirtualSize and SizeOfImage never shrink; every
/// section's bytes are kept (but for debug entries' pointers, which follow their data), the
/// rebuilt resource section's past both trees; below a page, addresses stay file offsets.
inline std::string LayoutBroken(const std::string& before, const std::string& after) {
  const readers::PeImage old(before);
  const readers::PeImage now(after);
  const std::vector<readers::PeSection>& was = old.Sections();
  const std::vector<readers::PeSection>& is = now.Sections();
  if (is.size() < was.size())
    return "sections lost";
  if (now.Headers().sizeOfImage < old.Headers().sizeOfImage)
    return "SizeOfImage shrank";
  auto inside = [](std::uint64_t at, const readers::PeSection& s) {
    return at >= s.virtualAddress && at - s.virtualAddress < std::max(s.virtualSize, s.rawSize);
  };
  const readers::DataDirectory relocations = old.Directory(readers::kBaseRelocationDirectory);
  const readers::DataDirectory resources = old.Directory(readers::kResourceDirectory);
  std::vector<std::uint64_t> pointers; // debug entries' PointerToRawData fields, by old offset
  const readers::DataDirectory debug = old.Directory(readers::kDebugDirectory);
  for (std::uint32_t i = 0; debug.rva != 0 && i < debug.size / 28; ++i)
    try {
      pointers.push_back(old.OffsetOf(debug.rva + 28 * i + 24, 4, ""));
    } catch (const readers::FormatError&) {
    }
  for (std::size_t i = 0; i < was.size(); ++i) {
    const readers::PeSection& a = was[i];
    const readers::PeSection& b = is[i];
    const bool rebuilt = resources.size != 0 && inside(resources.rva, a) &&
                         now.Directory(readers::kResourceDirectory).rva == a.virtualAddress;
    const std::string name = old.FullName(a);
    const bool debugData = (name.rfind(".debug", 0) == 0 || name.rfind(".zdebug", 0) == 0 ||
                            name.rfind(".stab", 0) == 0) &&
                           (a.characteristics & 0x20000020) == 0;
    if (a.virtualAddress != b.virtualAddress &&
        !(relocations.size != 0 && inside(relocations.rva, a)) && !debugData)
      return "section " + a.name + " moved";
    if (b.virtualSize < a.virtualSize)
      return "section " + a.name + "'s VirtualSize shrank";
    std::uint64_t from = 0;
    if (rebuilt) {
      from = std::max<std::uint64_t>(old.ResourceDirectoryEnd(), now.ResourceDirectoryEnd()) -
             a.virtualAddress;
      for (const auto* image : {&old, &now})
        for (const readers::StoredResource& r : image->StoredResources())
          if (inside(r.dataRva, a))
            from = std::max<std::uint64_t>(from, r.dataRva + r.size - a.virtualAddress);
    }
    for (std::uint64_t at = from; at < std::min(a.rawSize, b.rawSize); ++at) {
      const std::uint64_t o = a.rawOffset + at;
      if (o < old.Headers().sizeOfHeaders || o >= before.size() || b.rawOffset + at >= after.size())
        continue;
      bool pointer = false;
      for (std::uint64_t p : pointers)
        pointer = pointer || (o >= p && o < p + 4);
      if (!pointer && before[o] != after[b.rawOffset + at])
        return "section " + a.name + "'s byte at RVA " + std::to_string(a.virtualAddress + at) +
               " changed";
    }
  }
  if (old.Headers().sectionAlignment < 0x1000)
    for (const readers::PeSection& s : is)
      if (s.virtualAddress != s.rawOffset)
        return "section " + s.name + "'s address is not its file offset";
  return "";
}

} // namespace testsupport
