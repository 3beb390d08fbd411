// The words of the manifest writer's refusals: every code, with the facts it carries, as
// both front ends show it after "NAME is left as it was: ".
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "front/EmbedRefusals.h"

namespace {

using embed::Refused;

TEST(EmbedRefusalsTest, WordsEveryCode) {
  const std::string debugRecord = "a debug record";
  const struct {
    Refused code;
    std::vector<std::string> facts;
    const char* words;
  } rows[] = {
      // clang-format off
      {Refused::Unreadable,
       {"the MZ header at offset 0x3C (4 bytes) runs past the end of the file (2 bytes)"},
       "it cannot be read as a program: the MZ header at offset 0x3C (4 bytes) runs past the "
       "end of the file (2 bytes)"},
      {Refused::NotForWindows, {"10"},
       "it is an EFI application (subsystem 10), not a Windows program: no manifest applies to "
       "it"},
      {Refused::NotForWindows, {"0"},
       "it is an image for no named subsystem (subsystem 0), not a Windows program: no manifest "
       "applies to it"},
      {Refused::NotForWindows, {"12"},
       "it is an EFI driver (subsystem 12), not a Windows program: no manifest applies to it"},
      {Refused::NotForWindows, {"6"},
       "it is an image for an unknown subsystem (subsystem 6), not a Windows program: no "
       "manifest applies to it"},
      {Refused::NsisInstaller, {},
       "it is an NSIS installer, whose CRC covers its own program from byte 512 on: changed, "
       "it stops with \"NSIS Error\". Its manifest comes from its script: XPStyle on (and "
       "ManifestDPIAware, ManifestSupportedOS) in the .nsi"},
      {Refused::DotNet, {},
       "it is a .NET program: its manifest comes from its build, and its resources are not "
       "changed here"},
      {Refused::UpxPacked, {},
       "it is packed with UPX, whose unpacking stub keeps its own copy of the resources: "
       "unpack it (upx -d), embed the manifest, then pack it again"},
      {Refused::PetitePacked, {},
       "it is packed with Petite, whose unpacking stub stops with \"ERROR!\" once the file has "
       "changed: embed the manifest before packing it"},
      {Refused::NoAlignment, {"0x300", "0x1000"},
       "its headers give no usable alignment (file 0x300, sections 0x1000)"},
      {Refused::NoResourceEntry, {}, "its header has no entry for a resource directory"},
      {Refused::HeadersPastEnd, {}, "its headers run past the end of the file"},
      {Refused::SectionsOverlap, {".data"},
       "its sections are not in address order or overlap (section .data)"},
      {Refused::SectionPastEnd, {".rsrc"}, "section .rsrc runs past the end of the file"},
      {Refused::FlatMoved, {"0x200", "0x200"},
       "it is aligned below a page (sections 0x200, file 0x200) but its sections' addresses "
       "are not their places in the file, which Windows requires of such an image: it would "
       "not load as it is"},
      {Refused::DebugInHeaders, {}, "its debug directory lies in its headers"},
      {Refused::CertificateDamaged, {"0x1000", "72"},
       "its header's certificate entry (offset 0x1000, 72 bytes) lies inside its sections or "
       "past the end of the file: damaged, or left so by a packer, and not a signature that "
       "could be removed"},
      {Refused::DataAfterSignature, {},
       "it carries an Authenticode signature, which any change breaks, and data after its "
       "signature table, which removing the signature would lose"},
      {Refused::Signed, {},
       "it carries an Authenticode signature, which any change breaks: Windows would treat it "
       "as tampered with. Allowed to remove the signature, this writes the manifest and leaves "
       "the program unsigned, to be signed again"},
      {Refused::Overlay, {"17"},
       "it carries data after its last section (an overlay, 17 bytes); installers and "
       "self-extractors check this data. Allowed to keep it, this copies it unchanged after "
       "the program's new end"},
      {Refused::ResourcesInNoSection, {}, "its resource directory lies in no section"},
      {Refused::TooManyEntries, {"200001", "200000"},
       "with the manifest its resource directory would list 200001 entries (types, names and "
       "languages), more than the 200000 a program's resources are read with here"},
      {Refused::TooManyTypes, {},
       "with the manifest its resource directory would list more than 65535 types by number or "
       "by name, more than a directory table can count"},
      {Refused::TooManyNames, {},
       "with the manifest its resource directory would list more than 65535 names of one type "
       "by number or by name, more than a directory table can count"},
      {Refused::TooManyLanguages, {},
       "with the manifest its resource directory would list more than 65535 languages of one "
       "resource by number or by name, more than a directory table can count"},
      {Refused::ResourcesOver2GB, {}, "its resources would exceed 2 GB"},
      {Refused::ImageOver4GB, {}, "its image would exceed 4 GB"},
      {Refused::TooManySections,
       {".rsrc", "", "section .data follows the resource section and cannot move", "96"},
       "there is no room for the resources: section .data follows the resource section and "
       "cannot move, and it has 96 sections already, the most that older versions of Windows "
       "load"},
      {Refused::TooManySections, {".rsrc", "", "", "96"},
       "there is no room for the resources: it has 96 sections already, the most that older "
       "versions of Windows load"},
      {Refused::NoSectionSlot,
       {".rsrc", "", "section .data follows the resource section and cannot move"},
       "there is no room for the resources: section .data follows the resource section and "
       "cannot move, and the section table has no room for another section"},
      {Refused::NoSectionSlot, {".rsrc", debugRecord, ""},
       "there is no room for the resources: section .rsrc holds a debug record besides its "
       "resources, which rebuilding it would overwrite, and the section table has no room for "
       "another section"},
      {Refused::HeadersPointIntoResources, {},
       "its headers point into the addresses the resources would take"},
      {Refused::DebugPointsIntoResources, {},
       "its debug directory points into the bytes the resources would take"},
      {Refused::InternalFault, {"byte 0x400 changed"},
       "internal fault: the rewritten program did not read back as written (byte 0x400 "
       "changed); nothing was changed"},
      {Refused::OutOfMemory, {}, "not enough memory to read it"},
      // clang-format on
  };
  for (const auto& row : rows)
    EXPECT_EQ(front::Words(embed::Refusal(row.code, row.facts)), row.words);
  // Every code has its row.
  for (int code = 0; code <= static_cast<int>(Refused::OutOfMemory); ++code)
    EXPECT_TRUE(std::any_of(std::begin(rows), std::end(rows), [code](const auto& row) {
      return static_cast<int>(row.code) == code;
    })) << code;
}

} // namespace
