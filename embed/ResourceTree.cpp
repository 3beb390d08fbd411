#include "embed/ResourceTree.h"

#include <algorithm>
#include <map>
#include <utility>

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

std::uint64_t Align(std::uint64_t value, std::uint64_t to) { return (value + to - 1) / to * to; }

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

ResourceLayout::ResourceLayout(const std::vector<TreeResource>& sorted, std::string rootTable)
    : sorted_(sorted), tables_(1) {
  // The tables level by level: the root, then a type's table per type, then a name's table
  // per name; a name's table lists its languages, whose targets are resources.
  tables_[0].header = std::move(rootTable);
  std::vector<std::size_t> typeTables;
  std::size_t lastType = 0;
  std::size_t lastName = 0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const readers::StoredResource& r = sorted[i].entry;
    const bool newType = i == 0 || CompareKeys(sorted[i - 1].entry.type, r.type) != 0;
    if (newType) {
      tables_.push_back({r.typeTable, {}, {}, false, 0});
      lastType = tables_.size() - 1;
      typeTables.push_back(lastType);
      tables_[0].keys.push_back(&r.type);
      tables_[0].targets.push_back(lastType);
    }
    if (newType || CompareKeys(sorted[i - 1].entry.name, r.name) != 0) {
      tables_.push_back({r.nameTable, {}, {}, true, 0});
      lastName = tables_.size() - 1;
      tables_[lastType].keys.push_back(&r.name);
      tables_[lastType].targets.push_back(lastName);
    }
    tables_[lastName].keys.push_back(&r.language);
    tables_[lastName].targets.push_back(i);
  }
  // Breadth first: the type tables were made in order; the name tables follow theirs.
  order_.push_back(0);
  for (std::size_t t : typeTables)
    order_.push_back(t);
  for (std::size_t t : typeTables)
    for (std::size_t n : tables_[t].targets)
      order_.push_back(n);

  for (std::size_t t : order_) {
    Table& table = tables_[t];
    table.offset = size_;
    size_ += 16 + 8 * std::uint64_t{table.keys.size()};
    entries_ += table.keys.size();
    std::uint64_t named = 0;
    for (const readers::StoredKey* key : table.keys)
      named += key->IsName() ? 1 : 0;
    const int level = t == 0 ? 0 : table.leaves ? 2 : 1;
    const std::uint64_t numbered = table.keys.size() - named;
    widest_[level] = std::max({widest_[level], named, numbered});
  }
  dataEntries_ = size_;
  size_ += 16 * std::uint64_t{sorted.size()};
  for (std::size_t t : order_)
    for (const readers::StoredKey* key : tables_[t].keys)
      if (key->IsName()) {
        stringAt_[key] = size_;
        strings_.push_back(key);
        size_ += 2 + key->units.size();
      }
  size_ = Align(size_, 8);
  dataStart_ = size_;
  // Data entries that shared their bytes in the program share them here: ten entries of one
  // large blob are not ten copies of it.
  std::map<std::pair<const char*, std::size_t>, std::uint64_t> placed;
  for (const TreeResource& r : sorted) {
    const auto [at, fresh] = placed.emplace(std::pair{r.data.data(), r.data.size()}, size_);
    dataAt_.push_back(at->second);
    if (fresh) {
      fresh_.push_back(dataAt_.size() - 1);
      size_ = Align(size_ + r.data.size(), 8);
    }
  }
}

void ResourceLayout::Write(char* out, std::uint32_t rva) const {
  WriteTables(out, rva);
  for (const auto& [at, data] : Data())
    std::copy_n(data.data(), data.size(), out + at);
}

std::vector<std::pair<std::uint64_t, std::string_view>> ResourceLayout::Data() const {
  std::vector<std::pair<std::uint64_t, std::string_view>> data;
  for (std::size_t i : fresh_)
    data.emplace_back(dataAt_[i], sorted_[i].data);
  return data;
}

void ResourceLayout::WriteTables(char* out, std::uint32_t rva) const {
  auto put16 = [out](std::uint64_t at, std::uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&put16](std::uint64_t at, std::uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  for (std::size_t t : order_) {
    const Table& table = tables_[t];
    std::copy_n(table.header.data(), std::min<std::size_t>(table.header.size(), 12),
                out + table.offset);
    std::uint32_t named = 0;
    for (const readers::StoredKey* key : table.keys)
      named += key->IsName() ? 1 : 0;
    put16(table.offset + 12, named);
    put16(table.offset + 14, static_cast<std::uint32_t>(table.keys.size() - named));
    for (std::size_t e = 0; e < table.keys.size(); ++e) {
      const std::uint64_t at = table.offset + 16 + 8 * std::uint64_t{e};
      const readers::StoredKey* key = table.keys[e];
      put32(at, key->IsName() ? kHighBit | static_cast<std::uint32_t>(stringAt_.at(key)) : key->id);
      const std::size_t target = table.targets[e];
      put32(at + 4, table.leaves ? static_cast<std::uint32_t>(dataEntries_ + 16 * target)
                                 : kHighBit | static_cast<std::uint32_t>(tables_[target].offset));
    }
  }
  for (std::size_t i = 0; i < sorted_.size(); ++i) {
    const std::uint64_t at = dataEntries_ + 16 * std::uint64_t{i};
    const TreeResource& r = sorted_[i];
    put32(at, rva + static_cast<std::uint32_t>(dataAt_[i]));
    put32(at + 4, static_cast<std::uint32_t>(r.data.size()));
    put32(at + 8, r.entry.codePage);
    put32(at + 12, r.entry.reserved);
  }
  for (const readers::StoredKey* key : strings_) {
    const std::uint64_t at = stringAt_.at(key);
    put16(at, static_cast<std::uint32_t>(key->units.size() / 2));
    std::copy_n(key->units.data(), key->units.size(), out + at + 2);
  }
}

} // namespace embed
