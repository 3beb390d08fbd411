#include "readers/PeConditions.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/Ascii.h"
#include "readers/Bytes.h"

namespace readers {

namespace {

constexpr std::uint32_t kDiscardable = 0x02000000;
constexpr std::size_t kDebugEntrySize = 28;
constexpr std::size_t kSymbolSize = 18;

std::uint32_t U32At(std::string_view image, std::uint64_t at) {
  return at + 4 <= image.size() ? Bytes(image.data(), image.size()).U32(at, "the program") : 0;
}

} // namespace

std::string VisualBasicRuntime(const PeImage& pe) {
  for (const PeImport& import : pe.Imports())
    if (ascii::EqualIgnoringCase(import.library, "MSVBVM60.DLL") ||
        ascii::EqualIgnoringCase(import.library, "MSVBVM50.DLL"))
      return import.library;
  return std::string();
}

bool ImportsVisualBasic(const PeImage& pe, std::string_view) {
  return !VisualBasicRuntime(pe).empty();
}

std::uint64_t SectionsEnd(const PeImage& pe) {
  std::uint64_t end = pe.Headers().sizeOfHeaders;
  for (const PeSection& s : pe.Sections())
    if (s.rawSize != 0)
      end = std::max(end, std::uint64_t{s.rawOffset} + s.rawSize);
  return end;
}

std::uint64_t UnaccountedBytes(const PeImage& pe, std::string_view image, std::uint64_t from,
                               std::uint64_t to) {
  to = std::min<std::uint64_t>(to, image.size());
  if (from >= to)
    return 0;
  std::vector<bool> known(to - from, false);
  // Only what starts after the sections moves with them, its pointer updated.
  auto mark = [&](std::uint64_t start, std::uint64_t size) {
    for (std::uint64_t at = start; at >= from && at < to && at - start < size; ++at)
      known[at - from] = true;
  };
  const PeHeaders& headers = pe.Headers();
  if (headers.symbolTable != 0) {
    const std::uint64_t symbols =
        std::uint64_t{headers.symbolTable} + kSymbolSize * headers.symbolCount;
    const std::uint64_t strings = U32At(image, symbols);
    mark(headers.symbolTable, symbols - headers.symbolTable + std::max<std::uint64_t>(strings, 4));
  }
  const DataDirectory debug = pe.Directory(kDebugDirectory);
  if (debug.rva != 0 && debug.size != 0) {
    try {
      const std::uint64_t at = pe.OffsetOf(debug.rva, debug.size, "the debug directory");
      for (std::uint32_t i = 0; i < debug.size / kDebugEntrySize; ++i)
        mark(U32At(image, at + kDebugEntrySize * i + 24),
             U32At(image, at + kDebugEntrySize * i + 16));
    } catch (const FormatError&) {
      // A debug directory outside the file accounts for nothing.
    }
  }
  std::uint64_t count = 0;
  for (std::uint64_t at = from; at < to; ++at)
    if (!known[at - from] && image[at] != '\0')
      ++count;
  return count;
}

bool IsUpxPacked(const PeImage& pe) {
  for (const PeSection& s : pe.Sections())
    if (s.name == "UPX0" || s.name == "UPX1")
      return true;
  return false;
}

bool IsPetitePacked(const PeImage& pe) {
  for (const PeSection& s : pe.Sections())
    if (s.name == ".petite" || s.name == "petite")
      return true;
  return false;
}

NsisData FindNsisData(std::string_view image, std::uint64_t from) {
  // The flags, then the magic: 0xDEADBEEF and "NullsoftInst".
  constexpr std::string_view kMagic("\xEF\xBE\xAD\xDENullsoftInst", 16);
  constexpr std::uint32_t kNoCrc = 4;
  constexpr std::uint32_t kForceCrc = 8;
  for (std::uint64_t at = (from + 511) / 512 * 512; at + 4 + kMagic.size() <= image.size();
       at += 512)
    if (image.compare(at + 4, kMagic.size(), kMagic) == 0) {
      const std::uint32_t flags = U32At(image, at);
      return (flags & kNoCrc) != 0 && (flags & kForceCrc) == 0 ? NsisData::Unchecked
                                                               : NsisData::Checked;
    }
  return NsisData::None;
}

bool IsDotNet(const PeImage& pe) { return pe.Directory(kClrDirectory).rva != 0; }

std::uint32_t PeChecksum(std::string_view image, std::uint64_t checksumOffset) {
  return PeChecksum(std::vector<std::string_view>{image}, checksumOffset);
}

std::uint32_t PeChecksum(const std::vector<std::string_view>& parts, std::uint64_t checksumOffset) {
  // The one's-complement sum of the 16-bit words, taken as that of the 32-bit words (2^16 is
  // 1 modulo 0xFFFF): eight bytes a step, each half added whole, folded once at the end. A
  // byte counts by its place in its 32-bit word, wherever a part begins.
  std::uint64_t sum = 0;
  std::uint64_t at = 0; // in the whole image
  auto byte = [&](unsigned char b) { sum += std::uint64_t{b} << (8 * (at++ % 4)); };
  // The field's own bytes, when its words are those summed.
  auto field = [&](std::uint64_t start, std::string_view part) {
    if (checksumOffset % 2 != 0)
      return;
    for (std::uint64_t f = std::max(checksumOffset, start);
         f < checksumOffset + 4 && f < start + part.size(); ++f)
      sum -= std::uint64_t{static_cast<unsigned char>(part[f - start])} << (8 * (f % 4));
  };
  for (const std::string_view part : parts) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(part.data());
    const std::uint64_t start = at;
    std::size_t i = 0;
    for (; i < part.size() && at % 8 != 0; ++i)
      byte(bytes[i]);
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    for (; i + 8 <= part.size(); i += 8) {
      std::uint64_t v;
      std::memcpy(&v, bytes + i, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      v = __builtin_bswap64(v);
#endif
      low += v & 0xFFFFFFFFu;
      high += v >> 32;
    }
    at = start + i;
    sum += low + high;
    for (; i < part.size(); ++i)
      byte(bytes[i]);
    field(start, part);
  }
  while (sum >> 16 != 0)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + at);
}

PeConditions ReadConditions(const PeImage& pe, std::string_view image) {
  PeConditions c;
  c.sectionsEnd = SectionsEnd(pe);
  const DataDirectory signature = pe.Directory(kCertificateDirectory);
  c.signatureOffset = signature.rva;
  c.signatureSize = signature.size;
  c.signatureInFile = signature.size != 0 && signature.rva >= c.sectionsEnd &&
                      std::uint64_t{signature.rva} + signature.size <= image.size();
  std::uint64_t tailEnd = image.size();
  if (signature.size != 0 && signature.rva >= c.sectionsEnd && signature.rva <= image.size())
    tailEnd = signature.rva;
  c.overlaySize = tailEnd > c.sectionsEnd ? tailEnd - c.sectionsEnd : 0;
  if (c.signatureInFile)
    c.afterSignature = image.size() - (std::uint64_t{signature.rva} + signature.size);
  c.overlayBytes = UnaccountedBytes(pe, image, c.sectionsEnd, tailEnd);
  c.upx = IsUpxPacked(pe);
  c.petite = IsPetitePacked(pe);
  c.nsis = FindNsisData(image, c.sectionsEnd);
  c.dotNet = IsDotNet(pe);
  c.storedChecksum = pe.Headers().checksum;
  c.fileChecksum = PeChecksum(image, ChecksumOffset(pe.Headers()));
  const DataDirectory resources = pe.Directory(kResourceDirectory);
  const std::vector<PeSection>& sections = pe.Sections();
  if (resources.rva == 0)
    return c;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const PeSection& s = sections[i];
    const std::uint32_t extent = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
    if (resources.rva < s.virtualAddress || resources.rva - s.virtualAddress >= extent)
      continue;
    c.resourceSection = s.name;
    c.resourcePlace = ResourcePlace::Last;
    for (std::size_t j = i + 1; j < sections.size(); ++j) {
      if (c.followingSection.empty())
        c.followingSection = sections[j].name;
      c.resourcePlace = (sections[j].characteristics & kDiscardable) != 0 &&
                                c.resourcePlace != ResourcePlace::BeforeOthers
                            ? ResourcePlace::BeforeDiscardable
                            : ResourcePlace::BeforeOthers;
    }
    break;
  }
  return c;
}

} // namespace readers
