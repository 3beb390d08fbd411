#pragma once
// From component files to the facts their manifest entries need: the type library read
// through our own reader, the classes and interfaces picked, the file named as the program
// will find it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "generation/ComponentFacts.h"
#include "readers/Bytes.h"
#include "readers/TypeLib.h"

namespace readers {

/// The registered MiscStatus of a class: the value of subKey under HKEY_LOCAL_MACHINE, ""
/// when it is not there (never on Linux).
using RegistryReader = std::function<std::string(const std::string& subKey)>;

/// What Visual Basic registers for the content aspect of a UserControl: recompose on
/// resize, no linking inside, inside-out, active when visible, client site first.
inline constexpr unsigned kVbControlMiscStatus = 0x20191;

/// "recomposeonresize,cantlinkinside,..." for OLEMISC bits, as a manifest spells them.
std::string MiscStatusNames(unsigned bits);

/// How the program finds path: relative to programFolder ('\\' between folders) when the
/// file lies there or below, else its bare name with outside set. Both are compared as
/// path::Lexical gives them, so "App\..\Lib\x.ocx" is outside "App".
std::string ManifestFileName(const std::string& path, const std::string& programFolder,
                             char separator, bool& outside);

/// What tells two names of one file apart from two files: the absolute path with links
/// resolved where the file exists (POSIX), or the full path name in lower case (Windows,
/// separator '\\'); path::Lexical of the absolute path when the system cannot say.
std::string FileIdentity(platform::FilePort& files, const std::string& path, char separator);

struct Component {
  std::string path; ///< as chosen, "\N" included
  generation::ComponentFacts facts;
  std::size_t classCount = 0;
  bool outside = false; ///< not in the program's folder or below it
  /// False when an earlier component already lists its type library and every class it
  /// has: it then adds nothing to the manifest.
  bool listed = true;
  std::vector<std::string> notes; ///< warnings and where miscStatus came from
  /// Those of notes that tell where a control's miscStatus came from, a control each.
  std::vector<std::string> miscStatusNotes;
};

/// The facts of library for the manifest entry of the file named fileName; a note for each
/// control on where its miscStatus came from.
generation::ComponentFacts ComponentFactsOf(const TypeLibrary& library, const std::string& fileName,
                                            const RegistryReader& registry,
                                            std::vector<std::string>& miscStatusNotes);

/// A component the program cannot load, as MachineMismatch says.
class ComponentRefused : public FormatError {
public:
  using FormatError::FormatError;
};

/// Why the component at path, built for machine, cannot serve a program built for
/// programMachine: Windows loads a library in process only into a program of its machine.
std::string MachineMismatch(const std::string& path, std::uint16_t machine,
                            std::uint16_t programMachine);

/// Reads each path's type library. A path naming a file (and resource) read already is
/// left out, with a note on the first; a class or interface an earlier component lists is
/// left out of a later one, with a note for a class; a component left with no class of its
/// own and a type library listed already is not listed. Throws FormatError naming the file
/// that cannot be read, or ComponentRefused for a library of another machine than
/// programMachine (0: the program's is unknown, and nothing is refused; a .tlb never is).
std::vector<Component> ReadComponents(const std::vector<std::string>& paths,
                                      const std::string& programFolder, char separator,
                                      const RegistryReader& registry,
                                      std::uint16_t programMachine = 0,
                                      platform::FilePort& files = platform::TheSystemFiles());

/// The paths of the components projectPath (.vbp) names: from the project's folder, then on
/// Windows from the system and SysWOW64 folders; a file named again on a later line is
/// given once. The project's notes on what it left out are added to notes. Throws
/// FormatError naming the project, or a component not found.
std::vector<std::string>
ProjectComponentPaths(const std::string& projectPath, char separator,
                      std::vector<std::string>& notes,
                      platform::FilePort& files = platform::TheSystemFiles());

/// The facts of the listed components, in their order.
std::vector<generation::ComponentFacts> FactsOf(const std::vector<Component>& components);

} // namespace readers
