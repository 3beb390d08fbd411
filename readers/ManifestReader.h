#pragma once
// What an application manifest says, in the terms Windows acts on: identity, visual
// styles, supported Windows versions, run level, DPI and the other window settings, and
// the files and COM classes it isolates.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generation/ManifestSettings.h"

namespace readers {

namespace manifestns = generation::manifestns;

using generation::kWindowsVersions;
using generation::WindowsVersion;

struct ComEntry {
  std::string kind; ///< the element: comClass, typelib, comInterfaceProxyStub, ...
  std::string id;   ///< clsid, tlbid or iid
  std::string name; ///< progid or interface name, where there is one
};

struct IsolatedFile {
  std::string name;
  std::vector<ComEntry> entries;
  int line = 0;
  std::string tlbid, tlbVersion; ///< of its typelib entry, "" without one
};

struct ManifestFacts {
  /// Why the XML is not read, unset when it is well-formed; nothing else is read otherwise.
  std::optional<std::string> xmlError;
  std::string name, version, architecture, type;
  bool visualStyles = false;
  std::vector<std::string> supportedOs; ///< names, oldest first; unknown Ids as written
  std::string runLevel, uiAccess;
  std::string dpiAware, dpiAwareness, gdiScaling, longPathAware;
  std::vector<IsolatedFile> files;
  std::vector<ComEntry> interfaces;  ///< COM entries directly below the assembly
  std::vector<std::string> warnings; ///< sentences, each ending in '.'
  /// What the manifest does that may surprise, though nothing is wrong with it.
  std::vector<std::string> notes;
};

/// "line 7: " and text, or text alone for line 0.
std::string AtLine(int line, const std::string& text);

/// The largest manifest read, embedded or beside the program. Those this program writes
/// are a few kilobytes, and one listing hundreds of COM classes stays near 100 KiB; the
/// reader holds several copies of the text while it parses, so a limit keeps a crafted
/// file of gigabytes from taking that many times its size in memory and minutes of work.
inline constexpr std::size_t kMaxManifestBytes = 1 << 20;

/// Reads manifest bytes (UTF-8, or UTF-16 with a byte order mark) for a program whose PE
/// machine is machine. Bytes over kMaxManifestBytes are not parsed: facts.xmlError says so.
ManifestFacts ReadManifest(const std::string& bytes, std::uint16_t machine);

/// The manifest's bytes as UTF-8: Windows reads UTF-16 too when it begins with a byte
/// order mark.
std::string ManifestAsUtf8(const std::string& bytes);

/// What ReadManifest says of a manifest it does not read, and why: over the limit, or
/// more than memory holds.
ManifestFacts UnreadManifest(const std::string& reason);

/// The DPI setting in words: "system aware", "per-monitor v2", "not set", ...
std::string DescribeDpi(const ManifestFacts& facts);

} // namespace readers
