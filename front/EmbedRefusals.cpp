#include "front/EmbedRefusals.h"

#include "readers/Bytes.h"

namespace front {

namespace {

using embed::Refused;

/// What a program of subsystem is, told for one that no manifest applies to.
std::string SubsystemKind(const std::string& subsystem) {
  // clang-format off
  static const struct { const char* number; const char* kind; } kKinds[] = {
      {"0", "an image for no named subsystem"}, {"1", "a native system program"},
      {"5", "an OS/2 console program"},         {"7", "a POSIX console program"},
      {"8", "a Windows 9x native driver"},      {"9", "a Windows CE program"},
      {"10", "an EFI application"},             {"11", "an EFI driver"},
      {"12", "an EFI driver"},                  {"13", "an EFI ROM image"},
      {"14", "an Xbox program"},                {"16", "a boot application"},
  };
  // clang-format on
  for (const auto& k : kKinds)
    if (subsystem == k.number)
      return k.kind;
  return "an image for an unknown subsystem";
}

/// The start of a refusal for want of room: why the resource section could be neither
/// rebuilt nor grown, when it is known.
std::string NoRoom(const embed::Refusal& r) {
  std::string why = !r.Fact(1).empty() ? "section " + r.Fact(0) + " holds " + r.Fact(1) +
                                             " besides its resources, which rebuilding it "
                                             "would overwrite"
                                       : r.Fact(2);
  return "there is no room for the resources: " + why + (why.empty() ? "" : ", and ");
}

} // namespace

std::string Words(const embed::Refusal& r) {
  switch (r.code) {
  case Refused::Unreadable:
    return "it cannot be read as a program: " + r.Fact(0);
  case Refused::NotForWindows:
    return "it is " + SubsystemKind(r.Fact(0)) + " (subsystem " + r.Fact(0) +
           "), not a Windows program: no manifest applies to it";
  case Refused::NsisInstaller:
    return "it is an NSIS installer, whose CRC covers its own program from byte 512 on: "
           "changed, it stops with \"NSIS Error\". Its manifest comes from its script: XPStyle "
           "on (and ManifestDPIAware, ManifestSupportedOS) in the .nsi";
  case Refused::DotNet:
    return "it is a .NET program: its manifest comes from its build, and its resources are not "
           "changed here";
  case Refused::UpxPacked:
    return "it is packed with UPX, whose unpacking stub keeps its own copy of the resources: "
           "unpack it (upx -d), embed the manifest, then pack it again";
  case Refused::PetitePacked:
    return "it is packed with Petite, whose unpacking stub stops with \"ERROR!\" once the file "
           "has changed: embed the manifest before packing it";
  case Refused::NoAlignment:
    return "its headers give no usable alignment (file " + r.Fact(0) + ", sections " + r.Fact(1) +
           ")";
  case Refused::NoResourceEntry:
    return "its header has no entry for a resource directory";
  case Refused::HeadersPastEnd:
    return "its headers run past the end of the file";
  case Refused::SectionsOverlap:
    return "its sections are not in address order or overlap (section " + r.Fact(0) + ")";
  case Refused::SectionPastEnd:
    return "section " + r.Fact(0) + " runs past the end of the file";
  case Refused::FlatMoved:
    return "it is aligned below a page (sections " + r.Fact(0) + ", file " + r.Fact(1) +
           ") but its sections' addresses are not their places in the file, which Windows "
           "requires of such an image: it would not load as it is";
  case Refused::DebugInHeaders:
    return "its debug directory lies in its headers";
  case Refused::CertificateDamaged:
    return "its header's certificate entry (offset " + r.Fact(0) + ", " + r.Fact(1) +
           " bytes) lies inside its sections or past the end of the file: damaged, or left so "
           "by a packer, and not a signature that could be removed";
  case Refused::DataAfterSignature:
    return "it carries an Authenticode signature, which any change breaks, and data after its "
           "signature table, which removing the signature would lose";
  case Refused::Signed:
    return "it carries an Authenticode signature, which any change breaks: Windows would treat "
           "it as tampered with. Allowed to remove the signature, this writes the manifest and "
           "leaves the program unsigned, to be signed again";
  case Refused::Overlay:
    return "it carries data after its last section (an overlay, " + r.Fact(0) +
           " bytes); installers and self-extractors check this data. Allowed to keep it, this "
           "copies it unchanged after the program's new end";
  case Refused::ResourcesInNoSection:
    return "its resource directory lies in no section";
  case Refused::TooManyEntries:
    return "with the manifest its resource directory would list " + r.Fact(0) +
           " entries (types, names and languages), more than the " + r.Fact(1) +
           " a program's resources are read with here";
  case Refused::TooManyTypes:
  case Refused::TooManyNames:
  case Refused::TooManyLanguages:
    return std::string("with the manifest its resource directory would list more than 65535 ") +
           (r.code == Refused::TooManyTypes   ? "types"
            : r.code == Refused::TooManyNames ? "names of one type"
                                              : "languages of one resource") +
           " by number or by name, more than a directory table can count";
  case Refused::ResourcesOver2GB:
    return "its resources would exceed 2 GB";
  case Refused::ImageOver4GB:
    return "its image would exceed 4 GB";
  case Refused::TooManySections:
    return NoRoom(r) + "it has " + r.Fact(3) +
           " sections already, the most that older versions of Windows load";
  case Refused::NoSectionSlot:
    return NoRoom(r) + "the section table has no room for another section";
  case Refused::HeadersPointIntoResources:
    return "its headers point into the addresses the resources would take";
  case Refused::DebugPointsIntoResources:
    return "its debug directory points into the bytes the resources would take";
  case Refused::InternalFault:
    return "internal fault: the rewritten program did not read back as written (" + r.Fact(0) +
           "); nothing was changed";
  case Refused::OutOfMemory:
    break;
  }
  return readers::kOutOfMemory;
}

} // namespace front
