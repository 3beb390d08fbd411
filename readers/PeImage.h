#pragma once
// A PE32 or PE32+ image as the loader sees it: its machine, its sections and its resource
// directory. Resources are found by type and name, each a number or a name, since manifests
// are numbered (type 24) and type libraries are named (TYPELIB).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

/// A directory entry's key as the file stores it: an ID, or a name's UTF-16LE code units
/// byte for byte, so that a writer can put it back unchanged.
struct StoredKey {
  std::uint32_t id = 0;
  std::string units; ///< a name's UTF-16LE bytes; empty for an ID

  bool IsName() const { return !units.empty(); }
};

/// One resource in one language, with everything its directory says of it.
struct StoredResource {
  StoredKey type;
  StoredKey name;
  StoredKey language;
  std::uint32_t dataRva = 0;
  std::uint32_t size = 0;
  std::uint32_t codePage = 0;
  std::uint32_t reserved = 0;
  std::uint64_t offset = 0; ///< where its data lies in the file
  /// The first 12 bytes (characteristics, time stamp, version) of its type's and its name's
  /// directory tables.
  std::string typeTable;
  std::string nameTable;
};

/// A section header's fields.
struct PeSection {
  std::string name; ///< up to 8 bytes, without the padding
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawOffset = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t characteristics = 0;
};

/// A data directory: an RVA (a file offset for the certificate table) and a size.
struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

/// Where the headers lie and what they say, for code that rewrites an image.
struct PeHeaders {
  std::uint64_t coffOffset = 0;
  std::uint64_t optionalOffset = 0;
  std::uint64_t sectionTableOffset = 0;
  std::uint32_t symbolTable = 0; ///< COFF PointerToSymbolTable
  std::uint32_t symbolCount = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t checksum = 0;
  std::uint16_t subsystem = 0;
  std::vector<DataDirectory> directories; ///< as many as the header lists, at most 16
};

/// A library the import table names, with the functions it imports from it: each by name,
/// or "#N" for an ordinal.
struct PeImport {
  std::string library;
  std::vector<std::string> functions;
};

/// The data directories' places in the table.
inline constexpr std::size_t kExportDirectory = 0;
inline constexpr std::size_t kImportDirectory = 1;
inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kCertificateDirectory = 4;
inline constexpr std::size_t kBaseRelocationDirectory = 5;
inline constexpr std::size_t kDebugDirectory = 6;
inline constexpr std::size_t kClrDirectory = 14;

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
std::uint16_t ProgramMachine(const std::string& path,
                             platform::FilePort& files = platform::TheSystemFiles());

class PeImage {
public:
  /// Reads the headers, the section table and the whole resource directory of image,
  /// which must outlive this object; no resource's data is read yet. Throws FormatError
  /// when it is not a PE image or a structure lies outside the file.
  explicit PeImage(const Source& image);
  /// The same for bytes in memory.
  explicit PeImage(std::string_view image);

  std::uint16_t Machine() const { return machine_; }
  const PeHeaders& Headers() const { return headers_; }
  const std::vector<PeSection>& Sections() const { return sections_; }
  /// A section's name; a long one ("/4", as GNU ld writes .debug_info) from the COFF string
  /// table, or as it stands where that table cannot be read.
  std::string FullName(const PeSection& section) const;
  /// Data directory index; an empty one when the header lists fewer.
  DataDirectory Directory(std::size_t index) const;
  /// Every resource in every language, in the directory's order.
  const std::vector<StoredResource>& StoredResources() const { return stored_; }
  /// The first 12 bytes of the resource directory's root table; empty without one.
  const std::string& RootTable() const { return rootTable_; }
  /// The RVA just past the resource directory's tables, names and data entries (not its
  /// resources' data); 0 without one.
  std::uint64_t ResourceDirectoryEnd() const { return directoryEnd_; }
  /// The file offset of count bytes at rva. Throws FormatError naming what when they are
  /// not all in the file.
  std::uint64_t OffsetOf(std::uint64_t rva, std::uint64_t count, const char* what) const;
  bool IsPe32Plus() const { return pe32Plus_; }
  bool IsDll() const { return dll_; }
  /// AddressOfEntryPoint: an RVA, 0 for none.
  std::uint32_t EntryPoint() const { return entryPoint_; }
  std::uint64_t ImageBase() const { return imageBase_; }
  /// count bytes at rva. Throws FormatError naming what when they are not all in the file.
  std::string ReadAt(std::uint64_t rva, std::uint64_t count, const char* what) const;
  /// The NUL-terminated string at rva, cut at limit bytes or at the file's end. Throws
  /// FormatError naming what when rva is not in the file.
  std::string StringAt(std::uint64_t rva, std::size_t limit, const char* what) const;
  /// The import table's libraries and functions, as far as it can be read: a table that runs
  /// out of the file or past its limits ends there. Never throws for the bytes.
  std::vector<PeImport> Imports() const;
  /// The RVA of the function exported under name; 0 when there is none or the table cannot
  /// be read. Never throws for the bytes.
  std::uint32_t ExportRva(std::string_view name) const;

  /// Every resource, types and names in the directory's order.
  const std::vector<Resource>& Resources() const { return resources_; }
  /// The resource of that type and name, or null.
  const Resource* Find(const ResourceKey& type, const ResourceKey& name) const;
  /// A resource's data, read now; what names it in messages. The caller checks its size
  /// against a limit first.
  std::string Data(const Resource& resource, const char* what) const;

private:
  void ReadHeaders();
  void ReadResources(std::uint32_t rootRva);
  ResourceKey ReadKey(std::uint32_t rootRva, std::uint32_t nameField, StoredKey& stored) const;

  std::unique_ptr<MemorySource> owned_; ///< for an image given as bytes
  const Source& file_;
  std::uint16_t machine_ = 0;
  bool pe32Plus_ = false;
  bool dll_ = false;
  std::uint32_t entryPoint_ = 0;
  std::uint64_t imageBase_ = 0;
  PeHeaders headers_;
  std::vector<PeSection> sections_;
  std::vector<Resource> resources_;
  std::vector<StoredResource> stored_;
  std::string rootTable_;
  std::uint64_t directoryEnd_ = 0;
};

} // namespace readers
