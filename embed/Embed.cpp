#include "embed/Embed.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "embed/ResourceTree.h"
#include "readers/Bytes.h"
#include "readers/PeConditions.h"
#include "readers/PeImage.h"

namespace embed {

namespace {

using readers::Hex;
using readers::PeSection;

constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kDiscardable = 0x02000000;
// Initialized data, readable: what linkers give .rsrc.
constexpr std::uint32_t kResourceCharacteristics = 0x40000040;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDebugEntrySize = 28;
constexpr std::uint16_t kManifestType = readers::kManifestResourceType;

constexpr const char* kAlreadyThere = "the program already carries this manifest: nothing changed";

/// Why a program is not changed; becomes EmbedResult::refusal.
class Refusal : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t to) { return (value + to - 1) / to * to; }

/// The parts one after another in joined, in one allocation, its own where it is large
/// enough: a program of megabytes is copied once.
void Join(std::string& joined, std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts)
    size += part.size();
  joined.clear();
  joined.reserve(size);
  for (std::string_view part : parts)
    joined.append(part);
}

std::uint32_t Get32(std::string_view s, std::uint64_t at) {
  return readers::Bytes(s.data(), s.size()).U32(at, "the program");
}

std::uint64_t RawEnd(const PeSection& s) { return std::uint64_t{s.rawOffset} + s.rawSize; }
std::uint64_t Extent(const PeSection& s) { return s.virtualSize != 0 ? s.virtualSize : s.rawSize; }
bool Inside(std::uint64_t value, std::uint64_t start, std::uint64_t size) {
  return value >= start && value - start < size;
}

/// A stretch of the old file that the new file holds unchanged, from one offset to another.
struct Move {
  std::uint64_t from;
  std::uint64_t to;
  std::uint64_t size;
};

class Embedder {
public:
  Embedder(std::string_view program, const std::string& manifest, const EmbedOptions& options,
           std::string buffer)
      : program_(program), manifest_(manifest), options_(options), out_(std::move(buffer)) {}

  EmbedResult Run();

private:
  void Read();
  void CheckKind() const;
  void CheckLayout();
  void CheckTail();
  void FindResourceSection();
  std::vector<TreeResource> Resources();
  void Place(const std::vector<TreeResource>& sorted);
  void CheckPlaced() const;
  void PatchHeaders();
  void Verify(const std::vector<TreeResource>& sorted) const;
  bool Patched(std::uint64_t at) const {
    for (const auto& [start, size] : patches_)
      if (Inside(at, start, size))
        return true;
    return false;
  }
  std::vector<Kept> KeptStretches() const;

  std::optional<std::uint64_t> NewOffset(std::uint64_t old) const;
  void Patch(std::uint64_t at, std::uint32_t value, std::size_t width = 4);
  std::uint64_t DirectoryOffset(std::size_t index) const {
    return headers_.optionalOffset + (image_->IsPe32Plus() ? 112 : 96) + 8 * index;
  }
  std::uint64_t SectionHeader(std::size_t index) const {
    return headers_.sectionTableOffset + kSectionHeaderSize * index;
  }
  /// Whether r is the manifest this writes, in any language.
  bool Replaces(const readers::StoredResource& r) const {
    return !r.type.IsName() && r.type.id == kManifestType && !r.name.IsName() &&
           r.name.id == manifestId_;
  }
  /// Whether a data directory other than those listed, a debug entry's data or the entry
  /// point lies in [rva, rva + size).
  bool Pointed(std::uint64_t rva, std::uint64_t size,
               std::initializer_list<std::size_t> except) const;

  std::string_view program_;
  const std::string& manifest_;
  const EmbedOptions& options_;
  std::unique_ptr<readers::PeImage> image_;
  readers::PeHeaders headers_;
  std::vector<PeSection> sections_; ///< as they become
  std::uint64_t sectionsEnd_ = 0;   ///< the end of the headers' and sections' bytes
  std::uint64_t tailEnd_ = 0;       ///< the end of what is kept after them
  std::uint64_t overlay_ = 0;
  std::vector<std::uint64_t> debugEntries_; ///< file offsets of the debug directory's entries
  std::optional<std::size_t> resourceSection_;
  std::uint16_t manifestId_ = 0;
  std::uint16_t language_ = 0;
  bool replaced_ = false;

  std::uint32_t treeSize_ = 0;
  std::uint32_t treeRva_ = 0;
  std::uint32_t oldRaw_ = 0; ///< the resource section's raw size before
  std::uint32_t newRaw_ = 0;
  std::size_t firstMoved_ = 0; ///< the first section that moved, past the last when none
  std::uint32_t virtualDelta_ = 0;

  std::string out_;
  /// The places (offset, size) in out_ that header fields rewrote: a few dozen.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> patches_;
  std::vector<Move> moves_;
  EmbedResult result_;
};

EmbedResult Embedder::Run() {
  Read();
  // A program that carries this manifest already is left alone, whatever else it is.
  std::size_t same = 0;
  std::size_t manifests = 0;
  for (const readers::StoredResource& r : image_->StoredResources())
    if (Replaces(r)) {
      ++manifests;
      same += program_.compare(r.offset, r.size, manifest_) == 0 ? 1 : 0;
    }
  if (manifests == 1 && same == 1) {
    result_.outcome = EmbedResult::Outcome::Unchanged;
    result_.bytes = std::string(program_);
    result_.report.push_back(kAlreadyThere);
    return std::move(result_);
  }
  CheckKind();
  CheckLayout();
  CheckTail();
  FindResourceSection();
  const std::vector<TreeResource> sorted = SortedResources(Resources());
  Place(sorted);
  CheckPlaced();
  PatchHeaders();
  Verify(sorted);
  result_.kept = KeptStretches();
  if (out_ == program_) {
    result_.outcome = EmbedResult::Outcome::Unchanged;
    result_.report.push_back(kAlreadyThere);
  } else {
    result_.outcome = EmbedResult::Outcome::Embedded;
  }
  result_.bytes = std::move(out_);
  // Moved, not copied: the bytes are the whole program. Run is called once.
  return std::move(result_);
}

void Embedder::Read() {
  try {
    image_ = std::make_unique<readers::PeImage>(program_);
  } catch (const readers::FormatError& error) {
    throw Refusal(std::string("it cannot be read as a program: ") + error.what());
  }
  headers_ = image_->Headers();
  sections_ = image_->Sections();
  manifestId_ = image_->IsDll() ? kLibraryManifestId : kProgramManifestId;
}

// Found on real files: an EFI application passes for a program once named .exe.
std::string NotForWindows(std::uint16_t subsystem) {
  switch (subsystem) {
  case 1:
    return "a native system program";
  case 10:
    return "an EFI application";
  case 11:
  case 12:
    return "an EFI driver";
  case 13:
    return "an EFI ROM image";
  case 16:
    return "a boot application";
  default:
    return "";
  }
}

void Embedder::CheckKind() const {
  const std::string other = NotForWindows(headers_.subsystem);
  if (!other.empty())
    throw Refusal("it is " + other + " (subsystem " + std::to_string(headers_.subsystem) +
                  "), not a Windows program: no manifest applies to it");
  if (readers::FindNsisData(program_, readers::SectionsEnd(*image_)) == readers::NsisData::Checked)
    throw Refusal("it is an NSIS installer, whose CRC covers its own program from byte 512 "
                  "on: changed, it stops with \"NSIS Error\". Its manifest comes from its "
                  "script: XPStyle on (and ManifestDPIAware, ManifestSupportedOS) in the .nsi");
  if (readers::IsDotNet(*image_))
    throw Refusal("it is a .NET program: its manifest comes from its build, and its resources "
                  "are not changed here");
  if (readers::IsUpxPacked(*image_))
    throw Refusal("it is packed with UPX, whose unpacking stub keeps its own copy of the "
                  "resources: unpack it (upx -d), embed the manifest, then pack it again");
  // Found under Wine: with the manifest in a new section its stub stops with "ERROR!".
  if (readers::IsPetitePacked(*image_))
    throw Refusal("it is packed with Petite, whose unpacking stub stops with \"ERROR!\" once "
                  "the file has changed: embed the manifest before packing it");
}

void Embedder::CheckLayout() {
  const std::uint32_t fileAlignment = headers_.fileAlignment;
  const std::uint32_t sectionAlignment = headers_.sectionAlignment;
  auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(fileAlignment) || !powerOfTwo(sectionAlignment) ||
      sectionAlignment < fileAlignment)
    throw Refusal("its headers give no usable alignment (file " + Hex(fileAlignment) +
                  ", sections " + Hex(sectionAlignment) + ")");
  if (headers_.directories.size() <= readers::kResourceDirectory)
    throw Refusal("its header has no entry for a resource directory");
  if (headers_.sizeOfHeaders > program_.size())
    throw Refusal("its headers run past the end of the file");
  sectionsEnd_ = headers_.sizeOfHeaders;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    if (i > 0 && s.virtualAddress < sections_[i - 1].virtualAddress + Extent(sections_[i - 1]))
      throw Refusal("its sections are not in address order or overlap (section " + s.name + ")");
    if (s.rawSize == 0)
      continue;
    if (RawEnd(s) > program_.size())
      throw Refusal("section " + s.name + " runs past the end of the file");
    sectionsEnd_ = std::max(sectionsEnd_, RawEnd(s));
  }
  const readers::DataDirectory debug = image_->Directory(readers::kDebugDirectory);
  if (debug.rva != 0 && debug.size != 0) {
    try {
      const std::uint64_t at = image_->OffsetOf(debug.rva, debug.size, "the debug directory");
      // Its entries' pointers are rewritten; in the headers they would be header fields.
      if (at < headers_.sizeOfHeaders)
        throw Refusal("its debug directory lies in its headers");
      for (std::uint32_t i = 0; i < debug.size / kDebugEntrySize; ++i)
        debugEntries_.push_back(at + kDebugEntrySize * i);
    } catch (const readers::FormatError& error) {
      throw Refusal(std::string("it cannot be read as a program: ") + error.what());
    }
  }
}

// What follows the sections: the COFF symbols, debug data outside the sections, a
// signature, and anything else, which is an overlay.
void Embedder::CheckTail() {
  tailEnd_ = program_.size();
  const readers::DataDirectory signature = image_->Directory(readers::kCertificateDirectory);
  if (signature.size != 0) {
    // Checked first: removing a "signature" that is none would not get past this.
    const std::uint64_t end = std::uint64_t{signature.rva} + signature.size;
    if (signature.rva < sectionsEnd_ || end > program_.size())
      throw Refusal("its header's certificate entry (offset " + Hex(signature.rva) + ", " +
                    std::to_string(signature.size) +
                    " bytes) lies inside its sections or past the end of the file: damaged, "
                    "or left so by a packer, and not a signature that could be removed");
    if (!options_.stripSignature)
      throw Refusal("it carries an Authenticode signature, which any change breaks: Windows "
                    "would treat it as tampered with. Allowed to remove the signature, this "
                    "writes the manifest and leaves the program unsigned, to be signed again");
    if (program_.find_first_not_of('\0', end) != std::string::npos)
      throw Refusal("data follows its signature table, which removing the signature would lose");
    tailEnd_ = signature.rva;
    result_.report.push_back("signature: removed; the program must be signed again");
  }
  overlay_ = readers::UnaccountedBytes(*image_, program_, sectionsEnd_, tailEnd_);
  if (overlay_ != 0 && !options_.keepOverlay)
    throw Refusal("it carries data after its last section (an overlay, " +
                  std::to_string(tailEnd_ - sectionsEnd_) +
                  " bytes); installers and self-extractors check this data. Allowed to keep "
                  "it, this copies it unchanged after the program's new end");
  if (overlay_ != 0)
    result_.report.push_back("overlay: " + std::to_string(tailEnd_ - sectionsEnd_) +
                             " bytes kept after the new end");
}

bool Embedder::Pointed(std::uint64_t rva, std::uint64_t size,
                       std::initializer_list<std::size_t> except) const {
  for (std::size_t i = 0; i < headers_.directories.size(); ++i) {
    const readers::DataDirectory& d = headers_.directories[i];
    if (d.rva == 0 || d.size == 0 || i == readers::kCertificateDirectory ||
        std::find(except.begin(), except.end(), i) != except.end())
      continue;
    if (d.rva < rva + size && rva < std::uint64_t{d.rva} + d.size)
      return true;
  }
  for (std::uint64_t entry : debugEntries_) {
    const std::uint32_t address = Get32(program_, entry + 20);
    if (address != 0 && Inside(address, rva, size))
      return true;
  }
  const std::uint32_t entryPoint = Get32(program_, headers_.optionalOffset + 16);
  return entryPoint != 0 && Inside(entryPoint, rva, size);
}

void Embedder::FindResourceSection() {
  const readers::DataDirectory resources = image_->Directory(readers::kResourceDirectory);
  if (resources.rva == 0 || resources.size == 0)
    return;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    if (!Inside(resources.rva, s.virtualAddress, Extent(s)))
      continue;
    if (resources.rva != s.virtualAddress ||
        Pointed(s.virtualAddress, std::max(Extent(s), std::uint64_t{s.rawSize}),
                {readers::kResourceDirectory}))
      throw Refusal("its resources share section " + s.name +
                    " with other data, which rebuilding them would overwrite");
    // Its bytes are rewritten whole: they must be its own.
    for (const PeSection& other : sections_)
      if (&other != &s && other.rawSize != 0 && s.rawSize != 0 && other.rawOffset < RawEnd(s) &&
          s.rawOffset < RawEnd(other))
        throw Refusal("section " + s.name + " shares its bytes in the file with section " +
                      other.name);
    if (s.rawSize != 0 && s.rawOffset < headers_.sizeOfHeaders)
      throw Refusal("section " + s.name + " begins inside the headers");
    resourceSection_ = i;
    return;
  }
  throw Refusal("its resource directory lies in no section");
}

std::vector<TreeResource> Embedder::Resources() {
  std::vector<TreeResource> resources;
  const readers::StoredResource* old = nullptr;
  bool neutral = true;
  for (const readers::StoredResource& r : image_->StoredResources()) {
    if (Replaces(r)) {
      old = old ? old : &r;
      continue;
    }
    neutral = neutral && r.language.id == 0;
    resources.push_back({r, std::string(program_.substr(r.offset, r.size))});
  }
  TreeResource manifest;
  if (old) {
    manifest.entry = *old;
    replaced_ = true;
  } else {
    manifest.entry.type.id = kManifestType;
    manifest.entry.name.id = manifestId_;
    manifest.entry.language.id = resources.empty() || !neutral ? kDefaultManifestLanguage : 0;
    // A manifest of the other ID lends its type's table.
    for (const TreeResource& r : resources)
      if (!r.entry.type.IsName() && r.entry.type.id == kManifestType)
        manifest.entry.typeTable = r.entry.typeTable;
  }
  language_ = static_cast<std::uint16_t>(manifest.entry.language.id);
  manifest.data = manifest_;
  resources.push_back(std::move(manifest));
  result_.report.push_back("manifest: resource " + std::to_string(kManifestType) + "/" +
                           std::to_string(manifestId_) + ", language " + std::to_string(language_) +
                           ", " + std::to_string(manifest_.size()) + " bytes, " +
                           (replaced_ ? "replacing the one there" : "added"));
  return resources;
}

void Embedder::Place(const std::vector<TreeResource>& sorted) {
  const std::string rootTable = image_->RootTable();
  const std::string_view program = program_;
  const std::uint64_t size = LayoutResources(sorted, rootTable, 0).size();
  if (size > 0x7FFFFFFFu)
    throw Refusal("its resources would exceed 2 GB");
  treeSize_ = static_cast<std::uint32_t>(size);
  const std::uint32_t fileAlignment = headers_.fileAlignment;
  const std::uint32_t sectionAlignment = headers_.sectionAlignment;
  newRaw_ = static_cast<std::uint32_t>(AlignUp(treeSize_, fileAlignment));
  const std::string tail(program_.substr(sectionsEnd_, tailEnd_ - sectionsEnd_));
  firstMoved_ = sections_.size();
  auto padded = [](std::string bytes, std::uint64_t to) {
    bytes.resize(to, '\0');
    return bytes;
  };

  if (resourceSection_ && sections_[*resourceSection_].rawSize != 0) {
    const std::size_t r = *resourceSection_;
    PeSection& s = sections_[r];
    oldRaw_ = s.rawSize;
    treeRva_ = s.virtualAddress;
    const bool lastInTable = r + 1 == sections_.size();
    // Every section before it ends in the file before it starts.
    bool othersBefore = true;
    for (std::size_t i = 0; i < r; ++i)
      othersBefore =
          othersBefore && (sections_[i].rawSize == 0 || RawEnd(sections_[i]) <= s.rawOffset);
    const std::string tree = LayoutResources(sorted, rootTable, treeRva_);

    if (treeSize_ <= s.rawSize && (lastInTable || std::uint64_t{s.virtualAddress} + treeSize_ <=
                                                      sections_[r + 1].virtualAddress)) {
      result_.placement = Placement::InPlace;
      Join(out_, {program.substr(0, sectionsEnd_)});
      out_.replace(s.rawOffset, s.rawSize, padded(tree, s.rawSize));
      out_ += tail;
      moves_ = {{0, 0, s.rawOffset},
                {RawEnd(s), RawEnd(s), sectionsEnd_ - RawEnd(s)},
                {sectionsEnd_, sectionsEnd_, tail.size()}};
      newRaw_ = s.rawSize;
      s.virtualSize = treeSize_;
      result_.report.push_back("resources: rewritten in section " + s.name);
      return;
    }
    if (lastInTable && othersBefore && RawEnd(s) == sectionsEnd_) {
      result_.placement = Placement::GrownLast;
      Join(out_, {program.substr(0, s.rawOffset), padded(tree, newRaw_), tail});
      const std::uint64_t end = std::uint64_t{s.rawOffset} + newRaw_;
      moves_ = {{0, 0, s.rawOffset}, {sectionsEnd_, end, tail.size()}};
      s.virtualSize = treeSize_;
      s.rawSize = newRaw_;
      result_.report.push_back("resources: section " + s.name + " grown to " +
                               std::to_string(newRaw_) + " bytes");
      return;
    }
    // The sections after it may move when they are discardable and only the base
    // relocations' entry points into them: relocations name RVAs of other sections, so
    // moving .reloc changes nothing inside it.
    bool movable = !lastInTable && othersBefore;
    std::uint64_t firstRaw = sectionsEnd_;
    std::string names;
    for (std::size_t i = r + 1; movable && i < sections_.size(); ++i) {
      const PeSection& f = sections_[i];
      movable = (f.characteristics & kDiscardable) != 0 &&
                !Pointed(f.virtualAddress, Extent(f), {readers::kBaseRelocationDirectory}) &&
                (f.rawSize == 0 || f.rawOffset >= RawEnd(s));
      if (f.rawSize != 0)
        firstRaw = std::min<std::uint64_t>(firstRaw, f.rawOffset);
      names += (names.empty() ? "" : ", ") + f.name;
    }
    if (movable) {
      result_.placement = Placement::MovedReloc;
      const std::uint64_t newFirst =
          std::max(firstRaw, AlignUp(std::uint64_t{s.rawOffset} + newRaw_, fileAlignment));
      const std::uint64_t fileDelta = newFirst - firstRaw;
      const std::uint64_t next = sections_[r + 1].virtualAddress;
      const std::uint64_t wanted =
          AlignUp(std::uint64_t{s.virtualAddress} + treeSize_, sectionAlignment);
      virtualDelta_ =
          static_cast<std::uint32_t>(wanted > next ? AlignUp(wanted - next, sectionAlignment) : 0);
      Join(out_, {program.substr(0, s.rawOffset), padded(tree, newFirst - s.rawOffset),
                  program.substr(firstRaw, sectionsEnd_ - firstRaw), tail});
      moves_ = {{0, 0, s.rawOffset},
                {firstRaw, newFirst, sectionsEnd_ - firstRaw},
                {sectionsEnd_, sectionsEnd_ + fileDelta, tail.size()}};
      s.virtualSize = treeSize_;
      s.rawSize = newRaw_;
      firstMoved_ = r + 1;
      for (std::size_t i = r + 1; i < sections_.size(); ++i) {
        sections_[i].virtualAddress += virtualDelta_;
        if (sections_[i].rawSize != 0)
          sections_[i].rawOffset += static_cast<std::uint32_t>(fileDelta);
      }
      result_.report.push_back("resources: section " + s.name + " grown to " +
                               std::to_string(newRaw_) + " bytes; moved after it: " + names);
      return;
    }
  }

  // A new section at the end, when the section table has room for its header before the
  // first section's data and nothing else uses those bytes.
  const std::uint64_t slot = SectionHeader(sections_.size());
  std::uint64_t firstData = headers_.sizeOfHeaders;
  for (const PeSection& s : sections_)
    if (s.rawSize != 0)
      firstData = std::min<std::uint64_t>(firstData, s.rawOffset);
  const bool room = slot + kSectionHeaderSize <= firstData &&
                    program_.find_first_not_of('\0', slot) >= slot + kSectionHeaderSize &&
                    !Pointed(slot, kSectionHeaderSize, {});
  if (!room) {
    const std::size_t r = resourceSection_.value_or(sections_.size());
    throw Refusal(
        r + 1 < sections_.size()
            ? "there is no room for the resources: section " + sections_[r + 1].name +
                  " follows the resource section and cannot move, and the section table has "
                  "no room for another section"
            : std::string("there is no room for the resources: the section table has no room "
                          "for another section"));
  }
  result_.placement = Placement::NewSection;
  std::uint64_t imageEnd = AlignUp(headers_.sizeOfHeaders, sectionAlignment);
  for (const PeSection& s : sections_)
    imageEnd = std::max(imageEnd, AlignUp(s.virtualAddress + Extent(s), sectionAlignment));
  if (imageEnd > 0xFFFFFFFFu - treeSize_)
    throw Refusal("its image would exceed 4 GB");
  treeRva_ = static_cast<std::uint32_t>(imageEnd);
  const std::uint64_t at = AlignUp(sectionsEnd_, fileAlignment);
  Join(out_, {program_.substr(0, sectionsEnd_), std::string(at - sectionsEnd_, '\0'),
              padded(LayoutResources(sorted, rootTable, treeRva_), newRaw_), tail});
  moves_ = {{0, 0, sectionsEnd_}, {sectionsEnd_, at + newRaw_, tail.size()}};
  PeSection added;
  added.name = ".rsrc";
  added.virtualAddress = treeRva_;
  added.virtualSize = treeSize_;
  added.rawOffset = static_cast<std::uint32_t>(at);
  added.rawSize = newRaw_;
  added.characteristics = kResourceCharacteristics;
  sections_.push_back(added);
  result_.report.push_back("resources: new section .rsrc at RVA " + Hex(treeRva_) +
                           (resourceSection_ ? "; the old resources stay unused in section " +
                                                   sections_[*resourceSection_].name
                                             : std::string()));
}

// What the resources now cover was free: nothing else of the image points there. A file
// whose directories point past its image would otherwise have them point into the tree.
void Embedder::CheckPlaced() const {
  const PeSection& s =
      result_.placement == Placement::NewSection ? sections_.back() : sections_[*resourceSection_];
  const std::uint64_t size = std::max(Extent(s), std::uint64_t{s.rawSize});
  if (result_.placement == Placement::MovedReloc
          ? Pointed(s.virtualAddress, size,
                    {readers::kResourceDirectory, readers::kBaseRelocationDirectory})
          : Pointed(s.virtualAddress, size, {readers::kResourceDirectory}))
    throw Refusal("its headers point into the addresses the resources would take");
}

std::optional<std::uint64_t> Embedder::NewOffset(std::uint64_t old) const {
  for (const Move& m : moves_)
    if (Inside(old, m.from, m.size))
      return m.to + (old - m.from);
  // Where a block ends: a pointer to the end of the file, or to data of no size.
  for (const Move& m : moves_)
    if (old == m.from + m.size)
      return m.to + m.size;
  return std::nullopt;
}

void Embedder::Patch(std::uint64_t at, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    out_[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  patches_.push_back({at, width});
}

void Embedder::PatchHeaders() {
  const std::uint64_t coff = headers_.coffOffset;
  const std::uint64_t optional = headers_.optionalOffset;
  const std::vector<PeSection>& old = image_->Sections();
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    const std::uint64_t at = SectionHeader(i);
    if (i >= old.size()) {
      out_.replace(at, 8, std::string(8, '\0'));
      out_.replace(at, s.name.size(), s.name);
      patches_.push_back({at, 8});
      Patch(coff + 2, static_cast<std::uint32_t>(sections_.size()), 2);
      Patch(at + 36, s.characteristics);
    }
    const bool added = i >= old.size();
    for (const auto& [field, place] :
         {std::pair{&PeSection::virtualSize, 8}, std::pair{&PeSection::virtualAddress, 12},
          std::pair{&PeSection::rawSize, 16}, std::pair{&PeSection::rawOffset, 20}})
      if (added || s.*field != old[i].*field)
        Patch(at + place, s.*field);
  }
  std::uint64_t imageEnd = AlignUp(headers_.sizeOfHeaders, headers_.sectionAlignment);
  for (const PeSection& s : sections_)
    imageEnd = std::max(imageEnd, AlignUp(s.virtualAddress + Extent(s), headers_.sectionAlignment));
  Patch(optional + 56, static_cast<std::uint32_t>(imageEnd));
  const bool initialized = result_.placement == Placement::NewSection ||
                           (sections_[*resourceSection_].characteristics & kInitializedData) != 0;
  if (initialized)
    Patch(optional + 8, Get32(program_, optional + 8) + newRaw_ -
                            (result_.placement == Placement::NewSection ? 0 : oldRaw_));
  Patch(DirectoryOffset(readers::kResourceDirectory), treeRva_);
  Patch(DirectoryOffset(readers::kResourceDirectory) + 4, treeSize_);
  const readers::DataDirectory relocations = image_->Directory(readers::kBaseRelocationDirectory);
  if (virtualDelta_ != 0 && relocations.rva >= old[firstMoved_].virtualAddress)
    Patch(DirectoryOffset(readers::kBaseRelocationDirectory), relocations.rva + virtualDelta_);
  if (options_.stripSignature && image_->Directory(readers::kCertificateDirectory).size != 0) {
    Patch(DirectoryOffset(readers::kCertificateDirectory), 0);
    Patch(DirectoryOffset(readers::kCertificateDirectory) + 4, 0);
  }
  if (headers_.symbolTable != 0)
    if (const auto moved = NewOffset(headers_.symbolTable))
      Patch(coff + 8, static_cast<std::uint32_t>(*moved));
  for (std::uint64_t entry : debugEntries_) {
    const std::optional<std::uint64_t> at = NewOffset(entry);
    const std::uint32_t pointer = Get32(program_, entry + 24);
    if (!at || pointer == 0)
      continue;
    if (const auto moved = NewOffset(pointer))
      Patch(*at + 24, static_cast<std::uint32_t>(*moved));
  }
  if (headers_.checksum != 0) {
    Patch(optional + 64, PeChecksum(out_, optional + 64));
    result_.checksumUpdated = true;
    result_.report.push_back("checksum: recomputed");
  }
}

// The moved blocks less the header fields rewritten in them, in the new file's order.
std::vector<Kept> Embedder::KeptStretches() const {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> patches = patches_;
  std::sort(patches.begin(), patches.end());
  std::vector<Kept> kept;
  for (const Move& m : moves_) {
    std::uint64_t start = m.to;
    const std::uint64_t end = m.to + m.size;
    for (const auto& [at, size] : patches) {
      if (at + size <= start || at >= end)
        continue;
      if (at > start)
        kept.push_back({m.from + (start - m.to), start, at - start});
      start = std::max(start, at + size);
    }
    if (end > start)
      kept.push_back({m.from + (start - m.to), start, end - start});
  }
  std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.to < b.to; });
  return kept;
}

void Embedder::Verify(const std::vector<TreeResource>& sorted) const {
  auto fault = [](const std::string& what) {
    return Refusal("internal fault: the rewritten program did not read back as written (" + what +
                   "); nothing was changed");
  };
  // Compared a stretch at a time; only a stretch that holds a patched field goes byte by byte.
  constexpr std::uint64_t kStretch = 1 << 16;
  for (const Move& m : moves_)
    for (std::uint64_t start = 0; start < m.size; start += kStretch) {
      const std::uint64_t count = std::min(kStretch, m.size - start);
      if (out_.compare(m.to + start, count, program_, m.from + start, count) == 0)
        continue;
      for (std::uint64_t i = start; i < start + count; ++i)
        if (!Patched(m.to + i) && out_[m.to + i] != program_[m.from + i])
          throw fault("byte " + Hex(m.from + i) + " changed");
    }
  try {
    const readers::PeImage check(out_);
    const readers::PeHeaders& headers = check.Headers();
    if (headers.sizeOfHeaders != headers_.sizeOfHeaders ||
        headers.fileAlignment != headers_.fileAlignment ||
        headers.sectionAlignment != headers_.sectionAlignment ||
        check.Sections().size() != sections_.size())
      throw fault("the headers changed");
    for (std::size_t i = 0; i < sections_.size(); ++i) {
      const PeSection& a = check.Sections()[i];
      const PeSection& b = sections_[i];
      if (a.name != b.name || a.virtualAddress != b.virtualAddress ||
          a.virtualSize != b.virtualSize || a.rawOffset != b.rawOffset || a.rawSize != b.rawSize ||
          a.characteristics != b.characteristics)
        throw fault("section " + b.name + " is not as placed");
    }
    const std::vector<readers::StoredResource>& read = check.StoredResources();
    if (read.size() != sorted.size())
      throw fault(std::to_string(read.size()) + " resources instead of " +
                  std::to_string(sorted.size()));
    auto same = [](const readers::StoredKey& a, const readers::StoredKey& b) {
      return a.id == b.id && a.units == b.units;
    };
    for (std::size_t i = 0; i < read.size(); ++i) {
      const readers::StoredResource& a = read[i];
      const readers::StoredResource& b = sorted[i].entry;
      if (!same(a.type, b.type) || !same(a.name, b.name) || !same(a.language, b.language) ||
          a.codePage != b.codePage || a.reserved != b.reserved ||
          out_.compare(a.offset, a.size, sorted[i].data) != 0)
        throw fault("resource " + std::to_string(i) + " differs");
    }
    const readers::Resource* manifest =
        check.Find(readers::ResourceKey::Id(kManifestType), readers::ResourceKey::Id(manifestId_));
    if (!manifest || check.Data(*manifest, "the manifest") != manifest_)
      throw fault("the manifest is not the one written");
  } catch (const readers::FormatError& error) {
    throw fault(error.what());
  }
}

} // namespace

const char* PlacementName(Placement placement) {
  switch (placement) {
  case Placement::InPlace:
    return "in place";
  case Placement::GrownLast:
    return "grown";
  case Placement::MovedReloc:
    return "grown, discardable sections moved";
  case Placement::NewSection:
    return "new section";
  case Placement::None:
    break;
  }
  return "none";
}

std::uint32_t PeChecksum(std::string_view image, std::uint64_t checksumOffset) {
  return readers::PeChecksum(image, checksumOffset);
}

EmbedResult EmbedManifest(std::string_view program, const std::string& manifestUtf8,
                          const EmbedOptions& options, std::string buffer) {
  try {
    return Embedder(program, manifestUtf8, options, std::move(buffer)).Run();
  } catch (const Refusal& refusal) {
    EmbedResult result;
    result.refusal = refusal.what();
    return result;
  } catch (const std::bad_alloc&) {
    EmbedResult result;
    result.refusal = readers::kOutOfMemory;
    return result;
  }
}

} // namespace embed
