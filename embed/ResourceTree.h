#pragma once
// A resource section's contents laid out whole, as lld lays them out: the directory tables
// breadth first (root, types, names), each followed by its entries, then the data entries,
// then the names' strings, then the data, each piece on an 8-byte boundary. Named entries
// come first in case-insensitive order, then IDs ascending, which is the order the loader's
// binary search expects.

#include <cstdint>
#include <string>
#include <vector>

#include "readers/PeImage.h"

namespace embed {

/// One resource in one language: what the directory says of it, and its bytes.
struct TreeResource {
  readers::StoredResource entry; ///< dataRva, size and offset are ignored
  std::string data;
};

/// The resources in the order their tree lists them: types, names and languages sorted.
/// Resources with equal keys keep their order.
std::vector<TreeResource> SortedResources(std::vector<TreeResource> resources);

/// How a directory table sorts its entries: -1, 0 or 1 as a sorts before, with or after b.
int CompareKeys(const readers::StoredKey& a, const readers::StoredKey& b);

/// The section's bytes for sorted resources at rva: the tree from the section's start.
/// rootTable is the root's characteristics, time stamp and version (12 bytes, or empty for
/// zeros); the lower tables' come with each resource.
std::string LayoutResources(const std::vector<TreeResource>& sorted, const std::string& rootTable,
                            std::uint32_t rva);

} // namespace embed
