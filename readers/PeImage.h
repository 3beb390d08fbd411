#pragma once
// A PE32 or PE32+ image as the loader sees it: its machine, its sections and its resource
// directory. Resources are found by type and name, each a number or a name, since manifests
// are numbered (type 24) and type libraries are named (TYPELIB).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "generation/Architecture.h"
#include "readers/Source.h"

namespace readers {

/// A resource type or name: a number, or a name when name is not empty.
struct ResourceKey {
  std::uint16_t id = 0;
  std::string name; ///< UTF-8; rc stores names in capitals

  static ResourceKey Id(std::uint16_t id) { return ResourceKey{id, std::string()}; }
  static ResourceKey Name(std::string name) { return ResourceKey{0, std::move(name)}; }
  bool IsName() const { return !name.empty(); }
  /// Names compare without regard to ASCII case, as FindResource does.
  bool Matches(const ResourceKey& other) const;
  /// "24", "TYPELIB": as a resource script names it.
  std::string ToString() const;
};

/// One resource in the first language the directory lists for it.
struct Resource {
  ResourceKey type;
  ResourceKey name;
  std::uint16_t language = 0;
  std::uint64_t offset = 0; ///< where its data lies in the file
  std::uint32_t size = 0;
};

/// The most directory entries (types, names and languages together) one image may list.
/// A program's resources number in the hundreds, a large system library's in the tens of
/// thousands; a crafted directory could list hundreds of millions and fill memory with them.
inline constexpr std::uint32_t kMaxResourceEntries = 200000;
/// RT_MANIFEST: the resource type of a manifest, in a program and in a .res alike.
inline constexpr std::uint16_t kManifestResourceType = 24;

using generation::kMachineAmd64;
using generation::kMachineArm64;
using generation::kMachineI386;
using generation::kMachineIa64;

/// "x86", "x64", "ARM64", or the number in hex.
std::string MachineName(std::uint16_t machine);

/// The machine of the program or library at path; 0 when it cannot be read as a PE image.
std::uint16_t ProgramMachine(const std::string& path);

class PeImage {
public:
  /// Reads the headers, the section table and the whole resource directory of image,
  /// which must outlive this object; no resource's data is read yet. Throws FormatError
  /// when it is not a PE image or a structure lies outside the file.
  explicit PeImage(const Source& image);
  /// The same for bytes in memory.
  explicit PeImage(const std::string& image);

  std::uint16_t Machine() const { return machine_; }
  bool IsPe32Plus() const { return pe32Plus_; }
  bool IsDll() const { return dll_; }

  /// Every resource, types and names in the directory's order.
  const std::vector<Resource>& Resources() const { return resources_; }
  /// The resource of that type and name, or null.
  const Resource* Find(const ResourceKey& type, const ResourceKey& name) const;
  /// A resource's data, read now; what names it in messages. The caller checks its size
  /// against a limit first.
  std::string Data(const Resource& resource, const char* what) const;

private:
  struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawOffset;
    std::uint32_t rawSize;
  };

  void ReadHeaders();
  std::uint64_t OffsetOf(std::uint64_t rva, std::uint64_t count, const char* what) const;
  void ReadResources(std::uint32_t rootRva);
  ResourceKey ReadKey(std::uint32_t rootRva, std::uint32_t nameField) const;

  std::unique_ptr<MemorySource> owned_; ///< for an image given as bytes
  const Source& file_;
  std::uint16_t machine_ = 0;
  bool pe32Plus_ = false;
  bool dll_ = false;
  std::uint32_t headersSize_ = 0;
  std::vector<Section> sections_;
  std::vector<Resource> resources_;
};

} // namespace readers
