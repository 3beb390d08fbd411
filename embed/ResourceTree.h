#pragma once
// A resource section's contents laid out whole, as lld lays them out: the directory tables
// breadth first (root, types, names), each followed by its entries, then the data entries,
// then the names' strings, then the data, each piece on an 8-byte boundary. Named entries
// come first in case-insensitive order, then IDs ascending, which is the order the loader's
// binary search expects.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "readers/PeImage.h"

namespace embed {

/// One resource in one language: what the directory says of it, and its bytes where they
/// lie (in the program or the manifest): a program's resources are not copied to be laid out.
struct TreeResource {
  readers::StoredResource entry; ///< dataRva, size and offset are ignored
  std::string_view data;
};

/// The resources in the order their tree lists them: types, names and languages sorted.
/// Resources with equal keys keep their order.
std::vector<TreeResource> SortedResources(std::vector<TreeResource> resources);

/// How a directory table sorts its entries: -1, 0 or 1 as a sorts before, with or after b.
int CompareKeys(const readers::StoredKey& a, const readers::StoredKey& b);

/// Where each piece of the tree of sorted resources goes, worked out before a byte is written:
/// its size and its tables' counts are checked first, and the tree is then written straight
/// into the new program. Resources whose data is the same bytes (entries that shared their
/// data) share it again, written once.
class ResourceLayout {
public:
  /// rootTable is the root's characteristics, time stamp and version (12 bytes, or empty for
  /// zeros); the lower tables' come with each resource. sorted must outlive this object.
  ResourceLayout(const std::vector<TreeResource>& sorted, std::string rootTable);

  std::uint64_t Size() const { return size_; }
  /// Directory entries at every level together: types, names and languages.
  std::uint64_t Entries() const { return entries_; }
  /// The most named, or numbered, entries one table has at level 0 (types), 1 (a type's
  /// names) or 2 (a name's languages): each is counted in 16 bits.
  std::uint64_t Widest(int level) const { return widest_[level]; }
  /// The tree at rva into out, which holds Size() bytes of zeros; Size() below 2 GB.
  void Write(char* out, std::uint32_t rva) const;
  /// Where the resources' data begins: the tables, data entries and names come before it.
  std::uint64_t DataStart() const { return dataStart_; }
  /// Write's first DataStart() bytes: out holds that many zeros.
  void WriteTables(char* out, std::uint32_t rva) const;
  /// Each resource's data written once, where it goes in the tree: by offset, ascending.
  std::vector<std::pair<std::uint64_t, std::string_view>> Data() const;

private:
  /// A directory table: its header's first 12 bytes and the keys of its entries, with what
  /// each entry leads to (a table's index, or a resource's).
  struct Table {
    std::string header;
    std::vector<const readers::StoredKey*> keys;
    std::vector<std::size_t> targets;
    bool leaves = false; ///< a name's table, whose entries lead to data entries
    std::uint64_t offset = 0;
  };

  const std::vector<TreeResource>& sorted_;
  std::vector<Table> tables_;
  std::vector<std::size_t> order_; ///< breadth first
  std::uint64_t dataEntries_ = 0;
  std::vector<const readers::StoredKey*> strings_; ///< names, in the order they are stored
  std::unordered_map<const readers::StoredKey*, std::uint64_t> stringAt_;
  std::vector<std::uint64_t> dataAt_;
  std::vector<std::size_t> fresh_; ///< the resources whose data is written, not shared
  std::uint64_t dataStart_ = 0;
  std::uint64_t size_ = 0;
  std::uint64_t entries_ = 0;
  std::uint64_t widest_[3] = {0, 0, 0};
};

} // namespace embed
