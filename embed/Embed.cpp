#include "embed/Embed.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <exception>
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

constexpr std::uint32_t kCode = 0x00000020;
constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kDiscardable = 0x02000000;
constexpr std::uint32_t kExecutable = 0x20000000;
// Initialized data, readable: what linkers give .rsrc.
constexpr std::uint32_t kResourceCharacteristics = 0x40000040;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDebugEntrySize = 28;
// Windows XP's loader, and Wine's, take no more.
constexpr std::size_t kMostSections = 96;
// Below a page the loader maps the file whole: each section's address is its file offset.
constexpr std::uint32_t kPage = 0x1000;
constexpr std::size_t kImportDirectory = 1;
constexpr std::size_t kTlsDirectory = 9;
constexpr std::size_t kDelayImportDirectory = 13;
constexpr std::uint16_t kManifestType = readers::kManifestResourceType;

constexpr const char* kAlreadyThere = "the program already carries this manifest: nothing changed";

/// Why a program is not changed, thrown where it is found; becomes EmbedResult::refusal.
class Stop : public std::exception {
public:
  explicit Stop(Refusal why) : refusal(std::move(why)) {}
  const char* what() const noexcept override { return "refused"; }
  Refusal refusal;
};

[[noreturn]] void Refuse(Refused code, std::vector<std::string> facts = {}) {
  throw Stop(Refusal(code, std::move(facts)));
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t to) { return (value + to - 1) / to * to; }

std::uint32_t Get32(std::string_view s, std::uint64_t at) {
  return readers::Bytes(s.data(), s.size()).U32(at, "the program");
}

std::uint64_t RawEnd(const PeSection& s) { return std::uint64_t{s.rawOffset} + s.rawSize; }
std::uint64_t Extent(const PeSection& s) { return s.virtualSize != 0 ? s.virtualSize : s.rawSize; }
bool Inside(std::uint64_t value, std::uint64_t start, std::uint64_t size) {
  return value >= start && value - start < size;
}

/// What the data directories' names are in messages.
const char* DirectoryName(std::size_t index) {
  static const char* const kNames[] = {
      "the export directory",     "the import directory",   "the resource directory",
      "the exception table",      "the certificate table",  "the base relocations",
      "the debug directory",      "the architecture entry", "the global pointer",
      "the TLS directory",        "the load configuration", "the bound imports",
      "the import address table", "the delay-load imports", "the .NET header",
      "the reserved entry"};
  return index < 16 ? kNames[index] : "a data directory";
}

/// Bytes of the image something points to: the loader or the program's code reads them.
struct Reference {
  std::uint64_t start;
  std::uint64_t size;
  std::string what;
  std::size_t directory = 16; ///< the data directory it is, when one
};

/// A stretch of the old file that the new file holds unchanged, from one offset to another.
struct Move {
  std::uint64_t from;
  std::uint64_t to;
  std::uint64_t size;
};

/// A resource's data this long is a stretch of the old program, copied file to file; a
/// shorter one is the writer's own bytes.
constexpr std::uint64_t kWorthKeeping = 1 << 16;

/// What the new program must read back as, once written.
struct Expected {
  std::uint32_t sizeOfHeaders;
  std::uint32_t fileAlignment;
  std::uint32_t sectionAlignment;
  std::vector<PeSection> sections;
  std::vector<TreeResource> sorted; ///< their data: views of the old program and the manifest
  std::uint16_t manifestId;
  std::string manifest;
};

/// Why written does not read back as expected; empty when it does.
std::string ReadBack(std::string_view written, const Expected& e);

std::vector<std::string_view> ViewsOf(const std::vector<Piece>& pieces, std::string_view program,
                                      std::string_view own) {
  // Zeros are views of one block, as many as they take.
  static const std::string zeros(std::size_t{1} << 16, '\0');
  std::vector<std::string_view> views;
  for (const Piece& p : pieces)
    switch (p.source) {
    case Piece::Source::Old:
      views.push_back(program.substr(p.from, p.size));
      break;
    case Piece::Source::Own:
      views.push_back(own.substr(p.from, p.size));
      break;
    case Piece::Source::Zeros:
      for (std::uint64_t left = p.size; left != 0;
           left -= std::min<std::uint64_t>(left, zeros.size()))
        views.push_back(std::string_view(zeros).substr(0, left));
      break;
    }
  return views;
}

class Embedder {
public:
  Embedder(std::string_view program, const std::string& manifest, const EmbedOptions& options)
      : program_(program), manifest_(manifest), options_(options) {}

  EmbedResult Run();
  /// What a refusal found while running tells: a refusal a setting lifts, found earlier, is
  /// told as it is, without the setting, which would not get the program embedded.
  Refusal Told(Refusal refusal) const;

private:
  void Read();
  void CheckKind() const;
  void CheckLayout();
  void ReadReferences();
  void ReadImports();
  void ReadDelayImports();
  void ReadTls();
  void ReadRelocations();
  /// An address's width in the image: 8 bytes in PE32+, else 4.
  std::uint64_t Width() const { return image_->IsPe32Plus() ? 8 : 4; }
  /// The address at at in bytes; 0 past their end.
  std::uint64_t Word(std::string_view bytes, std::uint64_t at) const;
  /// A name's bytes from before on, as far as its end or the budget; a reference to them.
  void Text(std::uint64_t rva, std::uint64_t before, const std::string& what);
  /// The thunks at rva of the imports of DLL of, and the names they point to, once each.
  void Thunks(std::uint64_t rva, const std::string& of);
  void CheckTail();
  void FindResourceSection();
  std::vector<TreeResource> Resources();
  void CheckLimits(const ResourceLayout& layout);
  void Place(const std::vector<TreeResource>& sorted);
  std::string OtherData(const PeSection& s) const;
  /// The resource section rebuilt where it is, the other placements' common ground.
  struct Grown {
    std::size_t section;
    std::uint32_t virtualSize; ///< its new one
    bool last;                 ///< the last in the section table
    bool othersBefore;         ///< every other section's bytes lie before its own
  };
  bool PlaceInSection(const ResourceLayout& layout);
  bool PlaceInPlace(const ResourceLayout& layout, const Grown& grown);
  bool PlaceGrownLast(const ResourceLayout& layout, const Grown& grown);
  /// The sections after the resource section that may move: where the first one's bytes
  /// start (the sections' end when none has any), and their names.
  struct Followers {
    std::uint64_t firstRaw;
    std::string names;
  };
  std::optional<Followers> MovableFollowers(const Grown& grown);
  bool PlaceMovingAfter(const ResourceLayout& layout, const Grown& grown);
  void PlaceNewSection(const ResourceLayout& layout, const std::string& notRebuilt);
  /// The new program's bytes: the parts of the old one, and zeros, one after another.
  struct Part {
    std::uint64_t from; ///< in the old program
    std::uint64_t size;
    bool zeros = false;
  };
  void Assemble(std::initializer_list<Part> parts);
  /// The tree's pieces at at, in place of what was there.
  void PutTree(const ResourceLayout& layout, std::uint64_t at);
  /// with in place of the pieces, or parts of pieces, from at on.
  void Splice(std::uint64_t at, const std::vector<Piece>& with);
  /// bytes of the writer's own at at.
  void Put(std::uint64_t at, std::string_view bytes);
  std::vector<std::string_view> Views() const { return ViewsOf(pieces_, program_, own_); }
  std::uint64_t NewSize() const;
  bool SameAsOld() const;
  /// In an image aligned below a page, every section's address is its file offset.
  bool Flat() const { return headers_.sectionAlignment < kPage; }
  bool FlatKept() const {
    return !Flat() || std::all_of(sections_.begin(), sections_.end(), [](const PeSection& s) {
      return s.virtualAddress == s.rawOffset;
    });
  }
  /// The old image's bytes from rva to the end of its section's data in the file; empty
  /// where the file holds none.
  std::string_view Mapped(std::uint64_t rva) const;
  void CheckPlaced() const;
  void PatchHeaders();
  void Verify(const std::vector<TreeResource>& sorted);
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
  /// What of the image, other than the data directories listed, points into [rva, rva + size):
  /// a data directory, an import's name or thunks, a debug record, a base relocation's
  /// target, the entry point; empty when nothing.
  std::string Referenced(std::uint64_t rva, std::uint64_t size,
                         std::initializer_list<std::size_t> except) const;
  bool Pointed(std::uint64_t rva, std::uint64_t size,
               std::initializer_list<std::size_t> except) const {
    return !Referenced(rva, size, except).empty();
  }

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
  std::vector<Reference> references_;       ///< by RVA
  std::vector<Reference> fileReferences_;   ///< by file offset: debug records' data
  std::uint64_t budget_ = 0;                ///< what is left to read of imports' tables
  std::set<std::uint64_t> walked_;          ///< thunk arrays read, each once
  std::uint64_t imageBase_ = 0;
  std::optional<std::size_t> resourceSection_;
  std::uint16_t manifestId_ = 0;
  std::uint16_t language_ = 0;
  bool replaced_ = false;

  std::uint32_t treeSize_ = 0;
  std::uint32_t treeRva_ = 0;
  std::uint32_t oldRaw_ = 0;               ///< the resource section's raw size before
  std::optional<std::size_t> overlayLine_; ///< the report's line for the overlay
  std::string blocked_;                    ///< why the resource section could not grow
  std::uint32_t newRaw_ = 0;
  std::size_t firstMoved_ = 0; ///< the first section that moved, past the last when none
  std::uint32_t virtualDelta_ = 0;

  /// The first refusal that a setting lifts, told once nothing else refuses; till then the
  /// writer goes on as if the setting were given.
  std::optional<Refusal> lifted_;
  std::vector<Piece> pieces_;
  std::string own_;
  /// The places (offset, size) in the new program that header fields rewrote: a few dozen.
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
    if (!options_.inPieces)
      result_.bytes = std::string(program_);
    result_.pieces = {{Piece::Source::Old, 0, 0, program_.size()}};
    result_.report.push_back(kAlreadyThere);
    return std::move(result_);
  }
  CheckKind();
  CheckLayout();
  ReadReferences();
  CheckTail();
  FindResourceSection();
  const std::vector<TreeResource> sorted = SortedResources(Resources());
  Place(sorted);
  if (overlayLine_) {
    const std::uint64_t to = NewOffset(sectionsEnd_).value_or(sectionsEnd_);
    result_.report[*overlayLine_] =
        "overlay: " + std::to_string(tailEnd_ - sectionsEnd_) + " bytes kept" +
        (to == sectionsEnd_ ? " at offset " + Hex(to)
                            : ", moved from offset " + Hex(sectionsEnd_) + " to " + Hex(to));
  }
  CheckPlaced();
  PatchHeaders();
  Verify(sorted);
  // Nothing else refused: the setting would get the program embedded.
  if (lifted_)
    throw Stop(*lifted_);
  result_.kept = KeptStretches();
  if (SameAsOld()) {
    result_.outcome = EmbedResult::Outcome::Unchanged;
    result_.report.push_back(kAlreadyThere);
  } else {
    result_.outcome = EmbedResult::Outcome::Embedded;
  }
  result_.pieces = std::move(pieces_);
  result_.own = std::move(own_);
  // Moved, not copied: the bytes are the whole program. Run is called once.
  return std::move(result_);
}

void Embedder::Read() {
  try {
    image_ = std::make_unique<readers::PeImage>(program_);
  } catch (const readers::FormatError& error) {
    Refuse(Refused::Unreadable, {error.what()});
  }
  headers_ = image_->Headers();
  sections_ = image_->Sections();
  manifestId_ = image_->IsDll() ? kLibraryManifestId : kProgramManifestId;
}

// Found on real files: an EFI application passes for a program once named .exe. Only a
// Windows GUI (2) or console (3) program reads a manifest.
void Embedder::CheckKind() const {
  if (headers_.subsystem != 2 && headers_.subsystem != 3)
    Refuse(Refused::NotForWindows, {std::to_string(headers_.subsystem)});
  if (readers::FindNsisData(program_, readers::SectionsEnd(*image_)) == readers::NsisData::Checked)
    Refuse(Refused::NsisInstaller);
  if (readers::IsDotNet(*image_))
    Refuse(Refused::DotNet);
  if (readers::IsUpxPacked(*image_))
    Refuse(Refused::UpxPacked);
  // Found under Wine: with the manifest in a new section its stub stops with "ERROR!".
  if (readers::IsPetitePacked(*image_))
    Refuse(Refused::PetitePacked);
}

void Embedder::CheckLayout() {
  const std::uint32_t fileAlignment = headers_.fileAlignment;
  const std::uint32_t sectionAlignment = headers_.sectionAlignment;
  auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(fileAlignment) || !powerOfTwo(sectionAlignment) ||
      sectionAlignment < fileAlignment)
    Refuse(Refused::NoAlignment, {Hex(fileAlignment), Hex(sectionAlignment)});
  if (headers_.directories.size() <= readers::kResourceDirectory)
    Refuse(Refused::NoResourceEntry);
  if (headers_.sizeOfHeaders > program_.size())
    Refuse(Refused::HeadersPastEnd);
  sectionsEnd_ = headers_.sizeOfHeaders;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    if (i > 0 && s.virtualAddress < sections_[i - 1].virtualAddress + Extent(sections_[i - 1]))
      Refuse(Refused::SectionsOverlap, {s.name});
    if (s.rawSize == 0)
      continue;
    if (RawEnd(s) > program_.size())
      Refuse(Refused::SectionPastEnd, {s.name});
    sectionsEnd_ = std::max(sectionsEnd_, RawEnd(s));
  }
  if (Flat() && (fileAlignment != sectionAlignment || !FlatKept()))
    Refuse(Refused::FlatMoved, {Hex(sectionAlignment), Hex(fileAlignment)});
  const std::uint64_t optional = headers_.optionalOffset;
  imageBase_ = image_->IsPe32Plus() ? Get32(program_, optional + 24) |
                                          std::uint64_t{Get32(program_, optional + 28)} << 32
                                    : Get32(program_, optional + 28);
  const readers::DataDirectory debug = image_->Directory(readers::kDebugDirectory);
  if (debug.rva != 0 && debug.size != 0) {
    try {
      const std::uint64_t at = image_->OffsetOf(debug.rva, debug.size, "the debug directory");
      // Its entries' pointers are rewritten; in the headers they would be header fields.
      if (at < headers_.sizeOfHeaders)
        Refuse(Refused::DebugInHeaders);
      for (std::uint32_t i = 0; i < debug.size / kDebugEntrySize; ++i)
        debugEntries_.push_back(at + kDebugEntrySize * i);
    } catch (const readers::FormatError& error) {
      Refuse(Refused::Unreadable, {error.what()});
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
      Refuse(Refused::CertificateDamaged, {Hex(signature.rva), std::to_string(signature.size)});
    // Told before the signature's own refusal: removing it would not get past this either.
    if (program_.find_first_not_of('\0', end) != std::string::npos)
      Refuse(Refused::DataAfterSignature);
    // Without the setting, refused once nothing else refuses (Run); the user is asked one
    // setting at a time, the signature before the overlay.
    if (!options_.stripSignature)
      lifted_ = Refusal(Refused::Signed, {}, base::Setting::StripSignature);
    tailEnd_ = signature.rva;
    result_.report.push_back("signature: removed; the program must be signed again");
  }
  overlay_ = readers::UnaccountedBytes(*image_, program_, sectionsEnd_, tailEnd_);
  if (overlay_ != 0 && !options_.keepOverlay && !lifted_)
    lifted_ = Refusal(Refused::Overlay, {std::to_string(tailEnd_ - sectionsEnd_)},
                      base::Setting::KeepOverlay);
  // Told once placed, where it went.
  if (overlay_ != 0) {
    overlayLine_ = result_.report.size();
    result_.report.emplace_back();
  }
}

std::string_view Embedder::Mapped(std::uint64_t rva) const {
  for (const PeSection& s : image_->Sections())
    if (Inside(rva, s.virtualAddress, Extent(s))) {
      const std::uint64_t inside = rva - s.virtualAddress;
      if (s.rawOffset > program_.size())
        return {};
      const std::uint64_t end = std::min(
          {Extent(s), std::uint64_t{s.rawSize}, std::uint64_t{program_.size() - s.rawOffset}});
      if (inside >= end)
        return {};
      return program_.substr(s.rawOffset + inside, end - inside);
    }
  if (rva < headers_.sizeOfHeaders && rva < program_.size())
    return program_.substr(rva,
                           std::min<std::uint64_t>(headers_.sizeOfHeaders, program_.size()) - rva);
  return {};
}

// What the loader and the program's code read besides the resources: a rebuilt resource
// section, or a moved one, must hold none of it. Import names and thunks are walked as the
// loader walks them; what cannot be read is not there to be lost.
void Embedder::ReadReferences() {
  // A crafted table could send every descriptor through one long array, or every thunk to
  // one long name: what is read is bounded. A name not ended within the bound counts to the
  // end of its section's data; thunks past it, as the whole image.
  budget_ = 4 * std::uint64_t{program_.size()} + 0x10000;
  for (std::size_t i = 0; i < headers_.directories.size(); ++i) {
    const readers::DataDirectory& d = headers_.directories[i];
    if (d.rva != 0 && d.size != 0 && i != readers::kCertificateDirectory)
      references_.push_back({d.rva, d.size, DirectoryName(i), i});
  }
  const std::uint32_t entryPoint = Get32(program_, headers_.optionalOffset + 16);
  if (entryPoint != 0)
    references_.push_back({entryPoint, 1, "the entry point"});
  for (std::uint64_t entry : debugEntries_) {
    const std::uint32_t size = Get32(program_, entry + 16);
    if (const std::uint32_t address = Get32(program_, entry + 20); address != 0)
      references_.push_back({address, std::max<std::uint32_t>(size, 1), "a debug record"});
    if (const std::uint32_t pointer = Get32(program_, entry + 24); pointer != 0)
      fileReferences_.push_back({pointer, std::max<std::uint32_t>(size, 1), "a debug record"});
  }
  ReadImports();
  ReadDelayImports();
  ReadTls();
  ReadRelocations();
}

std::uint64_t Embedder::Word(std::string_view bytes, std::uint64_t at) const {
  const std::uint64_t width = Width();
  if (at + width > bytes.size())
    return 0;
  const std::uint64_t low = Get32(bytes, at);
  return width == 8 ? low | std::uint64_t{Get32(bytes, at + 4)} << 32 : low;
}

void Embedder::Text(std::uint64_t rva, std::uint64_t before, const std::string& what) {
  const std::string_view bytes = Mapped(rva);
  const std::uint64_t end = bytes.substr(0, before + budget_).find('\0', before);
  const bool ended = end != std::string_view::npos;
  budget_ -= std::min(budget_, ended ? end : bytes.size());
  references_.push_back({rva, (ended ? end : bytes.size()) + 1, what});
}

void Embedder::Thunks(std::uint64_t rva, const std::string& of) {
  if (rva == 0 || !walked_.insert(rva).second)
    return;
  const std::uint64_t width = Width();
  const std::uint64_t ordinal = width == 8 ? std::uint64_t{1} << 63 : 0x80000000u;
  const std::string_view bytes = Mapped(rva);
  std::uint64_t count = 0;
  for (std::uint64_t value; budget_ >= width && (value = Word(bytes, width * count)) != 0;
       ++count) {
    budget_ -= width;
    if ((value & ordinal) == 0)
      Text(value & 0x7FFFFFFF, 2, "the name of a function " + of + " imports");
  }
  references_.push_back({rva, width * (count + 1), "the thunks of " + of + "'s imports"});
  if (budget_ < width)
    references_.push_back({0, std::uint64_t{1} << 32, "more imports than are followed"});
}

// The loader reads descriptors while they are not all zero, as far as they go: past the
// entry's size, and into what follows the section when its data ends first.
void Embedder::ReadImports() {
  const readers::DataDirectory imports = image_->Directory(kImportDirectory);
  const std::string_view descriptors =
      imports.rva != 0 && imports.size != 0 ? Mapped(imports.rva) : std::string_view();
  std::uint64_t read = 0;
  for (; read + 20 <= descriptors.size(); read += 20) {
    const std::uint64_t at = read;
    if (descriptors.substr(at, 20).find_first_not_of('\0') == std::string_view::npos)
      break;
    const std::uint32_t name = Get32(descriptors, at + 12);
    const std::string_view dll = Mapped(name);
    const std::string of(dll.substr(0, std::min<std::size_t>(dll.find('\0'), 64)));
    if (name != 0)
      Text(name, 0, "the name of DLL " + of + " that it imports");
    Thunks(Get32(descriptors, at), of);
    Thunks(Get32(descriptors, at + 16), of);
  }
  if (imports.rva != 0 && imports.size != 0)
    references_.push_back({imports.rva, read + 20, "the import directory"});
}

// Delay-load descriptors give RVAs, or in the oldest ones addresses.
void Embedder::ReadDelayImports() {
  const readers::DataDirectory delayed = image_->Directory(kDelayImportDirectory);
  const std::string_view delays =
      delayed.rva != 0 && delayed.size != 0 ? Mapped(delayed.rva) : std::string_view();
  std::uint64_t read = 0;
  for (; read + 32 <= delays.size(); read += 32) {
    const std::uint64_t at = read;
    if (delays.substr(at, 32).find_first_not_of('\0') == std::string_view::npos)
      break;
    const std::uint64_t base = (Get32(delays, at) & 1) != 0 ? 0 : imageBase_;
    auto rva = [&](std::uint64_t field) {
      const std::uint64_t value = Get32(delays, at + field);
      return value >= base ? value - base : 0;
    };
    const std::string_view dll = Mapped(rva(4));
    const std::string of(dll.substr(0, std::min<std::size_t>(dll.find('\0'), 64)));
    if (rva(4) != 0)
      Text(rva(4), 0, "the name of DLL " + of + " that it loads when first called");
    if (rva(8) != 0)
      references_.push_back({rva(8), Width(), "the handle of delay-loaded DLL " + of});
    Thunks(rva(12), of);
    Thunks(rva(16), of);
  }
  if (delayed.rva != 0 && delayed.size != 0)
    references_.push_back({delayed.rva, read + 32, "the delay-load imports"});
}

// The TLS directory gives addresses: the template the loader copies, the index it sets,
// the callbacks it calls.
void Embedder::ReadTls() {
  const std::uint64_t width = Width();
  const readers::DataDirectory tls = image_->Directory(kTlsDirectory);
  const std::string_view tlsFields =
      tls.rva != 0 && tls.size != 0 ? Mapped(tls.rva) : std::string_view();
  auto tlsRva = [&](std::uint64_t field) {
    const std::uint64_t value = Word(tlsFields, width * field);
    return value > imageBase_ ? value - imageBase_ : 0;
  };
  if (tlsRva(0) != 0 && tlsRva(1) > tlsRva(0))
    references_.push_back({tlsRva(0), tlsRva(1) - tlsRva(0), "the TLS template"});
  if (tlsRva(2) != 0)
    references_.push_back({tlsRva(2), 4, "the TLS index"});
  if (const std::uint64_t callbacks = tlsRva(3); callbacks != 0) {
    const std::string_view list = Mapped(callbacks);
    std::uint64_t count = 0;
    while (budget_ >= width && Word(list, width * count) != 0) {
      budget_ -= width;
      ++count;
    }
    references_.push_back({callbacks, width * (count + 1), "the TLS callbacks"});
  }
}

// What base relocations patch holds addresses the code uses: data of the program's own.
void Embedder::ReadRelocations() {
  const readers::DataDirectory relocations = image_->Directory(readers::kBaseRelocationDirectory);
  std::string_view blocks = relocations.rva != 0 ? Mapped(relocations.rva) : std::string_view();
  blocks = blocks.substr(0, std::min<std::uint64_t>(blocks.size(), relocations.size));
  for (std::uint64_t at = 0; at + 8 <= blocks.size();) {
    const std::uint32_t page = Get32(blocks, at);
    const std::uint32_t size = Get32(blocks, at + 4);
    if (size < 8)
      break;
    std::uint64_t low = ~std::uint64_t{0};
    std::uint64_t high = 0;
    for (std::uint64_t e = at + 8; e + 2 <= std::min<std::uint64_t>(at + size, blocks.size());
         e += 2) {
      const std::uint32_t entry = readers::Bytes(blocks.data(), blocks.size()).U16(e, "");
      if ((entry >> 12) == 0)
        continue;
      low = std::min<std::uint64_t>(low, page + (entry & 0xFFF));
      high = std::max<std::uint64_t>(high, page + (entry & 0xFFF) + Width());
    }
    if (high != 0)
      references_.push_back({low, high - low, "what a base relocation patches"});
    at += size;
  }
}

std::string Embedder::Referenced(std::uint64_t rva, std::uint64_t size,
                                 std::initializer_list<std::size_t> except) const {
  for (const Reference& r : references_) {
    if (std::find(except.begin(), except.end(), r.directory) != except.end())
      continue;
    if (r.start < rva + size && rva < r.start + r.size)
      return r.what;
  }
  return "";
}

void Embedder::FindResourceSection() {
  const readers::DataDirectory resources = image_->Directory(readers::kResourceDirectory);
  if (resources.rva == 0 || resources.size == 0)
    return;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    if (!Inside(resources.rva, s.virtualAddress, Extent(s)))
      continue;
    resourceSection_ = i;
    return;
  }
  Refuse(Refused::ResourcesInNoSection);
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
    resources.push_back({r, program_.substr(r.offset, r.size)});
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

// Limits the tree's own fields set, told by their cause before anything is copied.
void Embedder::CheckLimits(const ResourceLayout& layout) {
  if (layout.Entries() > readers::kMaxResourceEntries)
    Refuse(Refused::TooManyEntries,
           {std::to_string(layout.Entries()), std::to_string(readers::kMaxResourceEntries)});
  const Refused levels[] = {Refused::TooManyTypes, Refused::TooManyNames,
                            Refused::TooManyLanguages};
  for (int level = 0; level < 3; ++level)
    if (layout.Widest(level) > 0xFFFF)
      Refuse(levels[level]);
  if (layout.Size() > 0x7FFFFFFFu)
    Refuse(Refused::ResourcesOver2GB);
}

void Embedder::Assemble(std::initializer_list<Part> parts) {
  pieces_.clear();
  std::uint64_t to = 0;
  for (const Part& part : parts) {
    if (part.size != 0)
      pieces_.push_back(
          {part.zeros ? Piece::Source::Zeros : Piece::Source::Old, part.from, to, part.size});
    to += part.size;
  }
}

// The tables the writer's own; each resource's data a stretch of the old program when long
// enough, else its own bytes too; zeros between.
void Embedder::PutTree(const ResourceLayout& layout, std::uint64_t at) {
  std::vector<Piece> tree;
  std::uint64_t to = at;
  auto own = [&](std::string_view bytes) {
    if (bytes.empty())
      return;
    if (!tree.empty() && tree.back().source == Piece::Source::Own &&
        tree.back().from + tree.back().size == own_.size())
      tree.back().size += bytes.size();
    else
      tree.push_back({Piece::Source::Own, own_.size(), to, bytes.size()});
    own_.append(bytes);
    to += bytes.size();
  };
  auto zeros = [&](std::uint64_t until) {
    if (until > to)
      tree.push_back({Piece::Source::Zeros, 0, to, until - to});
    to = std::max(to, until);
  };
  std::string tables(layout.DataStart(), '\0');
  layout.WriteTables(tables.data(), treeRva_);
  own(tables);
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(program_.data());
  for (const auto& [offset, data] : layout.Data()) {
    zeros(at + offset);
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data.data());
    if (data.size() >= kWorthKeeping && start >= begin &&
        start - begin + data.size() <= program_.size()) {
      tree.push_back({Piece::Source::Old, start - begin, to, data.size()});
      to += data.size();
    } else {
      own(data);
    }
  }
  zeros(at + layout.Size());
  Splice(at, tree);
}

void Embedder::Splice(std::uint64_t at, const std::vector<Piece>& with) {
  std::uint64_t end = at;
  for (const Piece& p : with)
    end += p.size;
  auto cut = [](Piece p, std::uint64_t offset, std::uint64_t size) {
    p.to += offset;
    p.from += p.source == Piece::Source::Zeros ? 0 : offset;
    p.size = size;
    return p;
  };
  std::vector<Piece> pieces;
  pieces.reserve(pieces_.size() + with.size() + 2);
  bool placed = false;
  auto place = [&] {
    if (!placed)
      pieces.insert(pieces.end(), with.begin(), with.end());
    placed = true;
  };
  for (const Piece& p : pieces_) {
    const std::uint64_t pend = p.to + p.size;
    if (pend <= at) {
      pieces.push_back(p);
      continue;
    }
    if (p.to < at)
      pieces.push_back(cut(p, 0, at - p.to));
    place();
    if (pend > end)
      pieces.push_back(p.to >= end ? p : cut(p, end - p.to, pend - end));
  }
  place();
  pieces_ = std::move(pieces);
}

void Embedder::Put(std::uint64_t at, std::string_view bytes) {
  Splice(at, {{Piece::Source::Own, own_.size(), at, bytes.size()}});
  own_.append(bytes);
}

std::uint64_t Embedder::NewSize() const {
  std::uint64_t size = 0;
  for (const Piece& p : pieces_)
    size += p.size;
  return size;
}

bool Embedder::SameAsOld() const {
  if (NewSize() != program_.size())
    return false;
  std::uint64_t at = 0;
  for (const std::string_view view : Views()) {
    if (program_.compare(at, view.size(), view) != 0)
      return false;
    at += view.size();
  }
  return true;
}

// What else the resource section holds, which rebuilding it would overwrite or move; empty
// when it holds its tree alone and zeros after it.
std::string Embedder::OtherData(const PeSection& s) const {
  if (image_->Directory(readers::kResourceDirectory).rva != s.virtualAddress)
    return "data before its resource directory";
  for (const PeSection& other : image_->Sections())
    if (&other != &image_->Sections()[*resourceSection_] && other.rawSize != 0 &&
        other.rawOffset < RawEnd(s) && s.rawOffset < RawEnd(other))
      return "the bytes of section " + other.name;
  if (s.rawOffset < headers_.sizeOfHeaders)
    return "the headers";
  std::string referenced =
      Referenced(s.virtualAddress, std::max(Extent(s), std::uint64_t{s.rawSize}),
                 {readers::kResourceDirectory});
  if (!referenced.empty())
    return referenced;
  for (const Reference& r : fileReferences_)
    if (r.start < RawEnd(s) && s.rawOffset < r.start + r.size)
      return r.what;
  std::uint64_t treeEnd = image_->ResourceDirectoryEnd();
  for (const readers::StoredResource& r : image_->StoredResources())
    if (Inside(r.dataRva, s.virtualAddress, Extent(s)))
      treeEnd = std::max(treeEnd, std::uint64_t{r.dataRva} + r.size);
  const std::uint64_t past = std::min<std::uint64_t>(treeEnd - s.virtualAddress, s.rawSize);
  const std::string_view bytes = program_.substr(s.rawOffset, s.rawSize);
  std::size_t data = bytes.find_first_not_of('\0', past);
  // Microsoft's resource compiler pads with "PADDINGXXPADDING...": filler, no data.
  if (data != std::string_view::npos && bytes.compare(data, 7, "PADDING") == 0) {
    const std::size_t end = bytes.find_first_not_of("PADINGX", data);
    data = end == std::string_view::npos ? end : bytes.find_first_not_of('\0', end);
  }
  if (data != std::string_view::npos)
    return "data after its resource tree, at RVA " + Hex(s.virtualAddress + data);
  // Memory past the file's bytes is the program's to use, as .bss is.
  if (Extent(s) > s.rawSize && treeSize_ > s.rawSize)
    return "memory after its data in the file (" + Hex(Extent(s)) + " bytes, " + Hex(s.rawSize) +
           " in the file)";
  return "";
}

void Embedder::Place(const std::vector<TreeResource>& sorted) {
  const ResourceLayout layout(sorted, image_->RootTable());
  CheckLimits(layout);
  treeSize_ = static_cast<std::uint32_t>(layout.Size());
  newRaw_ = static_cast<std::uint32_t>(AlignUp(treeSize_, headers_.fileAlignment));
  firstMoved_ = sections_.size();
  std::string notRebuilt;
  if (resourceSection_ && sections_[*resourceSection_].rawSize != 0) {
    notRebuilt = OtherData(sections_[*resourceSection_]);
    if (notRebuilt.empty() && PlaceInSection(layout))
      return;
  }
  PlaceNewSection(layout, notRebuilt);
}

// The tree in the resource section's own bytes, grown at the end of the file, or grown with
// the base relocations and debug data after it moved: nothing else has its address changed.
bool Embedder::PlaceInSection(const ResourceLayout& layout) {
  const std::size_t r = *resourceSection_;
  const PeSection& s = sections_[r];
  oldRaw_ = s.rawSize;
  treeRva_ = s.virtualAddress;
  if (std::uint64_t{s.virtualAddress} + treeSize_ > 0xFFFFFFFFu)
    Refuse(Refused::ImageOver4GB);
  // What the program may use past its tree stays its own.
  Grown grown{r, std::max(s.virtualSize, treeSize_), r + 1 == sections_.size(), true};
  // Every section before it ends in the file before it starts.
  for (std::size_t i = 0; i < r; ++i)
    grown.othersBefore =
        grown.othersBefore && (sections_[i].rawSize == 0 || RawEnd(sections_[i]) <= s.rawOffset);
  return PlaceInPlace(layout, grown) || PlaceGrownLast(layout, grown) ||
         PlaceMovingAfter(layout, grown);
}

bool Embedder::PlaceInPlace(const ResourceLayout& layout, const Grown& grown) {
  PeSection& s = sections_[grown.section];
  if (treeSize_ > s.rawSize || (!grown.last && std::uint64_t{s.virtualAddress} + treeSize_ >
                                                   sections_[grown.section + 1].virtualAddress))
    return false;
  result_.placement = Placement::InPlace;
  Assemble({{0, s.rawOffset}, {0, s.rawSize, true}, {RawEnd(s), tailEnd_ - RawEnd(s)}});
  PutTree(layout, s.rawOffset);
  moves_ = {{0, 0, s.rawOffset},
            {RawEnd(s), RawEnd(s), sectionsEnd_ - RawEnd(s)},
            {sectionsEnd_, sectionsEnd_, tailEnd_ - sectionsEnd_}};
  newRaw_ = s.rawSize;
  s.virtualSize = grown.virtualSize;
  result_.report.push_back("resources: rewritten in section " + s.name);
  return true;
}

bool Embedder::PlaceGrownLast(const ResourceLayout& layout, const Grown& grown) {
  PeSection& s = sections_[grown.section];
  if (!grown.last || !grown.othersBefore || RawEnd(s) != sectionsEnd_)
    return false;
  result_.placement = Placement::GrownLast;
  Assemble({{0, s.rawOffset}, {0, newRaw_, true}, {sectionsEnd_, tailEnd_ - sectionsEnd_}});
  PutTree(layout, s.rawOffset);
  const std::uint64_t end = std::uint64_t{s.rawOffset} + newRaw_;
  moves_ = {{0, 0, s.rawOffset}, {sectionsEnd_, end, tailEnd_ - sectionsEnd_}};
  s.virtualSize = grown.virtualSize;
  s.rawSize = newRaw_;
  result_.report.push_back("resources: section " + s.name + " grown to " + std::to_string(newRaw_) +
                           " bytes");
  return true;
}

// The sections after it may move when each is the base relocations' or debug data, is
// discardable, and nothing but the base relocations' entry points into it: relocations
// name RVAs of other sections, so moving .reloc changes nothing inside it. Code, and data
// the code reads (an executable .init), keep their addresses.
std::optional<Embedder::Followers> Embedder::MovableFollowers(const Grown& grown) {
  const PeSection& s = sections_[grown.section];
  const readers::DataDirectory relocations = image_->Directory(readers::kBaseRelocationDirectory);
  Followers followers{sectionsEnd_, ""};
  for (std::size_t i = grown.section + 1; i < sections_.size(); ++i) {
    const PeSection& f = sections_[i];
    const bool relocationsHere =
        relocations.size != 0 && Inside(relocations.rva, f.virtualAddress, Extent(f));
    const std::string name = image_->FullName(f);
    const bool debugData = (name.rfind(".debug", 0) == 0 || name.rfind(".zdebug", 0) == 0 ||
                            name.rfind(".stab", 0) == 0) &&
                           (f.characteristics & (kExecutable | kCode)) == 0;
    if ((f.characteristics & kDiscardable) == 0 || !(relocationsHere || debugData) ||
        Pointed(f.virtualAddress, Extent(f), {readers::kBaseRelocationDirectory}) ||
        (f.rawSize != 0 && f.rawOffset < RawEnd(s))) {
      blocked_ = "section " + f.name + " follows the resource section and cannot move";
      return std::nullopt;
    }
    if (f.rawSize != 0)
      followers.firstRaw = std::min<std::uint64_t>(followers.firstRaw, f.rawOffset);
    followers.names += (followers.names.empty() ? "" : ", ") + f.name;
  }
  return followers;
}

bool Embedder::PlaceMovingAfter(const ResourceLayout& layout, const Grown& grown) {
  if (grown.last || !grown.othersBefore)
    return false;
  const std::optional<Followers> followers = MovableFollowers(grown);
  if (!followers)
    return false;
  const std::size_t r = grown.section;
  PeSection& s = sections_[r];
  const std::uint64_t firstRaw = followers->firstRaw;
  const std::uint64_t newFirst =
      std::max(firstRaw, AlignUp(std::uint64_t{s.rawOffset} + newRaw_, headers_.fileAlignment));
  const std::uint64_t fileDelta = newFirst - firstRaw;
  const std::uint64_t next = sections_[r + 1].virtualAddress;
  const std::uint32_t sectionAlignment = headers_.sectionAlignment;
  const std::uint64_t wanted =
      AlignUp(std::uint64_t{s.virtualAddress} + grown.virtualSize, sectionAlignment);
  const std::uint64_t delta = wanted > next ? AlignUp(wanted - next, sectionAlignment) : 0;
  if (Flat() && delta != fileDelta) {
    blocked_ = "the sections after the resource section cannot move by the same distance in "
               "the file and in memory, as an image aligned below a page needs";
    return false;
  }
  const PeSection& last = sections_.back();
  if (last.virtualAddress + Extent(last) + delta > 0xFFFFFFFFu ||
      RawEnd(last) + fileDelta > 0xFFFFFFFFu)
    Refuse(Refused::ImageOver4GB);
  result_.placement = Placement::MovedReloc;
  virtualDelta_ = static_cast<std::uint32_t>(delta);
  Assemble({{0, s.rawOffset}, {0, newFirst - s.rawOffset, true}, {firstRaw, tailEnd_ - firstRaw}});
  PutTree(layout, s.rawOffset);
  moves_ = {{0, 0, s.rawOffset},
            {firstRaw, newFirst, sectionsEnd_ - firstRaw},
            {sectionsEnd_, sectionsEnd_ + fileDelta, tailEnd_ - sectionsEnd_}};
  s.virtualSize = grown.virtualSize;
  s.rawSize = newRaw_;
  firstMoved_ = r + 1;
  for (std::size_t i = r + 1; i < sections_.size(); ++i) {
    sections_[i].virtualAddress += virtualDelta_;
    if (sections_[i].rawSize != 0)
      sections_[i].rawOffset += static_cast<std::uint32_t>(fileDelta);
  }
  result_.report.push_back("resources: section " + s.name + " grown to " + std::to_string(newRaw_) +
                           " bytes; moved after it: " + followers->names);
  return true;
}

// A new section at the end, when the section table has room for its header before the
// first section's data and nothing else uses those bytes; the old resource section stays
// as it was.
void Embedder::PlaceNewSection(const ResourceLayout& layout, const std::string& notRebuilt) {
  const std::uint32_t sectionAlignment = headers_.sectionAlignment;
  const std::uint64_t slot = SectionHeader(sections_.size());
  std::uint64_t firstData = headers_.sizeOfHeaders;
  for (const PeSection& s : sections_)
    if (s.rawSize != 0)
      firstData = std::min<std::uint64_t>(firstData, s.rawOffset);
  const bool room = slot + kSectionHeaderSize <= firstData &&
                    program_.find_first_not_of('\0', slot) >= slot + kSectionHeaderSize &&
                    !Pointed(slot, kSectionHeaderSize, {});
  std::vector<std::string> facts{resourceSection_ ? sections_[*resourceSection_].name : "",
                                 notRebuilt, notRebuilt.empty() ? blocked_ : ""};
  if (sections_.size() >= kMostSections) {
    facts.push_back(std::to_string(sections_.size()));
    Refuse(Refused::TooManySections, std::move(facts));
  }
  if (!room)
    Refuse(Refused::NoSectionSlot, std::move(facts));
  result_.placement = Placement::NewSection;
  std::uint64_t imageEnd = AlignUp(headers_.sizeOfHeaders, sectionAlignment);
  for (const PeSection& s : sections_)
    imageEnd = std::max(imageEnd, AlignUp(s.virtualAddress + Extent(s), sectionAlignment));
  // Nor into memory the program reserved past its sections.
  imageEnd = std::max(imageEnd, AlignUp(headers_.sizeOfImage, sectionAlignment));
  std::uint64_t at = AlignUp(sectionsEnd_, headers_.fileAlignment);
  // Mapped as the file is, the section's bytes lie where its address says.
  if (Flat())
    at = imageEnd = AlignUp(std::max(sectionsEnd_, imageEnd), sectionAlignment);
  if (imageEnd > 0xFFFFFFFFu - treeSize_ || at > 0xFFFFFFFFu - newRaw_)
    Refuse(Refused::ImageOver4GB);
  treeRva_ = static_cast<std::uint32_t>(imageEnd);
  Assemble({{0, sectionsEnd_},
            {0, at - sectionsEnd_ + newRaw_, true},
            {sectionsEnd_, tailEnd_ - sectionsEnd_}});
  PutTree(layout, at);
  moves_ = {{0, 0, sectionsEnd_}, {sectionsEnd_, at + newRaw_, tailEnd_ - sectionsEnd_}};
  PeSection added;
  added.name = ".rsrc";
  added.virtualAddress = treeRva_;
  added.virtualSize = treeSize_;
  added.rawOffset = static_cast<std::uint32_t>(at);
  added.rawSize = newRaw_;
  added.characteristics = kResourceCharacteristics;
  sections_.push_back(added);
  result_.report.push_back("resources: new section .rsrc at RVA " + Hex(treeRva_) +
                           (resourceSection_
                                ? "; the old resources stay unused in section " +
                                      sections_[*resourceSection_].name +
                                      (!notRebuilt.empty() ? ", which also holds " + notRebuilt
                                       : blocked_.empty()  ? std::string()
                                                           : " (" + blocked_ + ")")
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
    Refuse(Refused::HeadersPointIntoResources);
  // A debug record's data past the old end of the file, which no move carries, would now be
  // the tree's.
  for (const Reference& r : fileReferences_) {
    const std::uint64_t at = NewOffset(r.start).value_or(r.start);
    if (at < RawEnd(s) && s.rawOffset < at + r.size)
      Refuse(Refused::DebugPointsIntoResources);
  }
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
  std::string bytes(width, '\0');
  for (std::size_t i = 0; i < width; ++i)
    bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  Put(at, bytes);
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
      std::string name = s.name;
      name.resize(8, '\0');
      Put(at, name);
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
  // Memory the program reserved past its sections stays reserved.
  Patch(optional + 56,
        static_cast<std::uint32_t>(std::max<std::uint64_t>(imageEnd, headers_.sizeOfImage)));
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
  // A signature that CheckTail let past is removed, or its refusal told.
  if (image_->Directory(readers::kCertificateDirectory).size != 0) {
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
    Patch(optional + 64, readers::PeChecksum(Views(), optional + 64));
    result_.checksumUpdated = true;
    result_.report.push_back("checksum: recomputed");
  }
}

// The pieces of the old program, in the new file's order.
std::vector<Kept> Embedder::KeptStretches() const {
  std::vector<Kept> kept;
  for (const Piece& p : pieces_)
    if (p.source == Piece::Source::Old)
      kept.push_back({p.from, p.to, p.size});
  return kept;
}

// The moved blocks are the old program's bytes where they went, but for the header fields
// rewritten in them; the new program reads back as placed, here when whole, else by the
// caller once written.
void Embedder::Verify(const std::vector<TreeResource>& sorted) {
  auto fault = [](const std::string& what) { Refuse(Refused::InternalFault, {what}); };
  for (const Move& m : moves_)
    for (const Piece& p : pieces_) {
      const std::uint64_t start = std::max(p.to, m.to);
      const std::uint64_t end = std::min(p.to + p.size, m.to + m.size);
      if (start >= end || (p.source == Piece::Source::Old && p.from + m.to == m.from + p.to))
        continue;
      for (std::uint64_t i = start; i < end; ++i)
        if (!Patched(i))
          fault("byte " + Hex(m.from + (i - m.to)) + " changed");
    }
  auto expected = std::make_shared<Expected>(
      Expected{headers_.sizeOfHeaders, headers_.fileAlignment, headers_.sectionAlignment, sections_,
               sorted, manifestId_, manifest_});
  // The caller's manifest may be gone by the time the written program is read back.
  for (TreeResource& r : expected->sorted)
    if (r.data.data() == manifest_.data())
      r.data = expected->manifest;
  if (options_.inPieces) {
    result_.check = [expected](std::string_view written) { return ReadBack(written, *expected); };
    return;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(NewSize()));
  for (const std::string_view view : Views())
    bytes.append(view);
  if (const std::string what = ReadBack(bytes, *expected); !what.empty())
    fault(what);
  result_.bytes = std::move(bytes);
}

std::string ReadBack(std::string_view written, const Expected& e) {
  try {
    const readers::PeImage check(written);
    const readers::PeHeaders& headers = check.Headers();
    if (headers.sizeOfHeaders != e.sizeOfHeaders || headers.fileAlignment != e.fileAlignment ||
        headers.sectionAlignment != e.sectionAlignment ||
        check.Sections().size() != e.sections.size())
      return "the headers changed";
    for (std::size_t i = 0; i < e.sections.size(); ++i) {
      const PeSection& a = check.Sections()[i];
      const PeSection& b = e.sections[i];
      if (a.name != b.name || a.virtualAddress != b.virtualAddress ||
          a.virtualSize != b.virtualSize || a.rawOffset != b.rawOffset || a.rawSize != b.rawSize ||
          a.characteristics != b.characteristics)
        return "section " + b.name + " is not as placed";
    }
    const std::vector<readers::StoredResource>& read = check.StoredResources();
    if (read.size() != e.sorted.size())
      return std::to_string(read.size()) + " resources instead of " +
             std::to_string(e.sorted.size());
    auto same = [](const readers::StoredKey& a, const readers::StoredKey& b) {
      return a.id == b.id && a.units == b.units;
    };
    for (std::size_t i = 0; i < read.size(); ++i) {
      const readers::StoredResource& a = read[i];
      const readers::StoredResource& b = e.sorted[i].entry;
      if (!same(a.type, b.type) || !same(a.name, b.name) || !same(a.language, b.language) ||
          a.codePage != b.codePage || a.reserved != b.reserved ||
          written.compare(a.offset, a.size, e.sorted[i].data) != 0)
        return "resource " + std::to_string(i) + " differs";
    }
    const readers::Resource* manifest =
        check.Find(readers::ResourceKey::Id(kManifestType), readers::ResourceKey::Id(e.manifestId));
    if (!manifest || check.Data(*manifest, "the manifest") != e.manifest)
      return "the manifest is not the one written";
  } catch (const readers::FormatError& error) {
    return error.what();
  }
  return "";
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

std::vector<std::string_view> EmbedResult::Views(std::string_view program) const {
  return ViewsOf(pieces, program, own);
}

Refusal Embedder::Told(Refusal refusal) const {
  if (!lifted_ || refusal.liftedBy != base::Setting::None)
    return refusal;
  Refusal first = *lifted_;
  first.liftedBy = base::Setting::None;
  return first;
}

EmbedResult EmbedManifest(std::string_view program, const std::string& manifestUtf8,
                          const EmbedOptions& options) {
  Embedder embedder(program, manifestUtf8, options);
  EmbedResult result;
  try {
    return embedder.Run();
  } catch (const Stop& stop) {
    result.refusal = embedder.Told(stop.refusal);
  } catch (const std::bad_alloc&) {
    result.refusal = embedder.Told(Refusal(Refused::OutOfMemory));
  }
  return result;
}

} // namespace embed
