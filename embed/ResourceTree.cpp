#include "embed/ResourceTree.h"

#include <algorithm>
#include <unordered_map>

namespace embed {

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;

std::uint16_t Unit(const std::string& units, std::size_t i) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(units[2 * i]) |
                                    static_cast<unsigned char>(units[2 * i + 1]) << 8);
}

// The capitals of ASCII and Latin-1: names are nearly always ASCII, and rc stores them in
// capitals already; the raw units then break ties, so the order is total.
std::uint16_t UpperUnit(std::uint16_t unit) {
  if ((unit >= 'a' && unit <= 'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7))
    return static_cast<std::uint16_t>(unit - 0x20);
  return unit;
}

int CompareNames(const std::string& a, const std::string& b) {
  const std::size_t na = a.size() / 2;
  const std::size_t nb = b.size() / 2;
  for (bool raw : {false, true}) {
    for (std::size_t i = 0; i < na && i < nb; ++i) {
      const std::uint16_t ua = raw ? Unit(a, i) : UpperUnit(Unit(a, i));
      const std::uint16_t ub = raw ? Unit(b, i) : UpperUnit(Unit(b, i));
      if (ua != ub)
        return ua < ub ? -1 : 1;
    }
    if (na != nb)
      return na < nb ? -1 : 1;
  }
  return 0;
}

void Put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}

std::size_t Align(std::size_t value, std::size_t to) { return (value + to - 1) / to * to; }

/// A directory table: its header's first 12 bytes and the keys of its entries, with what
/// each entry leads to (a table's index, or a resource's).
struct Table {
  std::string header;
  std::vector<const readers::StoredKey*> keys;
  std::vector<std::size_t> targets;
  bool leaves = false; ///< a name's table, whose entries lead to data entries
  std::size_t offset = 0;
};

} // namespace

int CompareKeys(const readers::StoredKey& a, const readers::StoredKey& b) {
  if (a.IsName() != b.IsName())
    return a.IsName() ? -1 : 1;
  if (a.IsName())
    return CompareNames(a.units, b.units);
  return a.id == b.id ? 0 : a.id < b.id ? -1 : 1;
}

std::vector<TreeResource> SortedResources(std::vector<TreeResource> resources) {
  std::stable_sort(
      resources.begin(), resources.end(), [](const TreeResource& a, const TreeResource& b) {
        for (auto key : {&readers::StoredResource::type, &readers::StoredResource::name,
                         &readers::StoredResource::language}) {
          const int order = CompareKeys(a.entry.*key, b.entry.*key);
          if (order != 0)
            return order < 0;
        }
        return false;
      });
  return resources;
}

std::string LayoutResources(const std::vector<TreeResource>& sorted, const std::string& rootTable,
                            std::uint32_t rva) {
  // The tables level by level: the root, then a type's table per type, then a name's table
  // per name; a name's table lists its languages, whose targets are resources.
  std::vector<Table> tables(1);
  tables[0].header = rootTable;
  std::vector<std::size_t> typeTables;
  std::size_t lastType = 0;
  std::size_t lastName = 0;
  std::vector<std::size_t> nameOfResource;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const readers::StoredResource& r = sorted[i].entry;
    const bool newType = i == 0 || CompareKeys(sorted[i - 1].entry.type, r.type) != 0;
    if (newType) {
      tables.push_back({r.typeTable, {}, {}, false, 0});
      lastType = tables.size() - 1;
      typeTables.push_back(lastType);
      tables[0].keys.push_back(&r.type);
      tables[0].targets.push_back(lastType);
    }
    if (newType || CompareKeys(sorted[i - 1].entry.name, r.name) != 0) {
      tables.push_back({r.nameTable, {}, {}, true, 0});
      lastName = tables.size() - 1;
      tables[lastType].keys.push_back(&r.name);
      tables[lastType].targets.push_back(lastName);
    }
    tables[lastName].keys.push_back(&r.language);
    tables[lastName].targets.push_back(i);
  }
  // Breadth first: the type tables were made in order; the name tables follow theirs.
  std::vector<std::size_t> order{0};
  for (std::size_t t : typeTables)
    order.push_back(t);
  for (std::size_t t : typeTables)
    for (std::size_t n : tables[t].targets)
      order.push_back(n);

  std::size_t size = 0;
  for (std::size_t t : order) {
    tables[t].offset = size;
    size += 16 + 8 * tables[t].keys.size();
  }
  const std::size_t dataEntries = size;
  size += 16 * sorted.size();
  std::unordered_map<const readers::StoredKey*, std::size_t> stringAt;
  std::vector<const readers::StoredKey*> strings;
  for (std::size_t t : order)
    for (const readers::StoredKey* key : tables[t].keys)
      if (key->IsName()) {
        stringAt[key] = size;
        strings.push_back(key);
        size += 2 + key->units.size();
      }
  size = Align(size, 8);
  std::vector<std::size_t> dataAt;
  for (const TreeResource& r : sorted) {
    dataAt.push_back(size);
    size = Align(size + r.data.size(), 8);
  }

  std::string out(size, '\0');
  for (std::size_t t : order) {
    const Table& table = tables[t];
    out.replace(table.offset, std::min<std::size_t>(table.header.size(), 12), table.header, 0, 12);
    std::uint32_t named = 0;
    for (const readers::StoredKey* key : table.keys)
      named += key->IsName() ? 1 : 0;
    Put16(out, table.offset + 12, named);
    Put16(out, table.offset + 14, static_cast<std::uint32_t>(table.keys.size() - named));
    for (std::size_t e = 0; e < table.keys.size(); ++e) {
      const std::size_t at = table.offset + 16 + 8 * e;
      const readers::StoredKey* key = table.keys[e];
      Put32(out, at,
            key->IsName() ? kHighBit | static_cast<std::uint32_t>(stringAt[key]) : key->id);
      const std::size_t target = table.targets[e];
      Put32(out, at + 4,
            table.leaves ? static_cast<std::uint32_t>(dataEntries + 16 * target)
                         : kHighBit | static_cast<std::uint32_t>(tables[target].offset));
    }
  }
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const std::size_t at = dataEntries + 16 * i;
    const TreeResource& r = sorted[i];
    Put32(out, at, rva + static_cast<std::uint32_t>(dataAt[i]));
    Put32(out, at + 4, static_cast<std::uint32_t>(r.data.size()));
    Put32(out, at + 8, r.entry.codePage);
    Put32(out, at + 12, r.entry.reserved);
    out.replace(dataAt[i], r.data.size(), r.data);
  }
  for (const readers::StoredKey* key : strings) {
    const std::size_t at = stringAt[key];
    Put16(out, at, static_cast<std::uint32_t>(key->units.size() / 2));
    out.replace(at + 2, key->units.size(), key->units);
  }
  return out;
}

} // namespace embed
