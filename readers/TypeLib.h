#pragma once
// The facts of a type library that registration-free COM needs: the library's identity,
// its classes with their interfaces, and each interface's kind. Read from the MSFT format
// that MIDL and widl write, from a .tlb file or the TYPELIB resource of a program or library.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Ports.h"

namespace readers {

// Library flags (LIBFLAGS) and type flags (TYPEFLAGS) as oleaut32 spells them.
inline constexpr std::uint16_t kLibRestricted = 0x1;
inline constexpr std::uint16_t kLibControl = 0x2;
inline constexpr std::uint16_t kLibHidden = 0x4;
inline constexpr std::uint16_t kLibHasDiskImage = 0x8;
inline constexpr std::uint16_t kTypeAppObject = 0x1;
inline constexpr std::uint16_t kTypeCanCreate = 0x2;
inline constexpr std::uint16_t kTypeHidden = 0x10;
inline constexpr std::uint16_t kTypeControl = 0x20;
inline constexpr std::uint16_t kTypeDual = 0x40;
inline constexpr std::uint16_t kTypeOleAutomation = 0x100;
// Implemented-interface flags (IMPLTYPEFLAGS).
inline constexpr std::int32_t kImplDefault = 0x1;
inline constexpr std::int32_t kImplSource = 0x2;
inline constexpr std::int32_t kImplRestricted = 0x4;

enum class InterfaceKind {
  Custom,        ///< a vtable interface that only its own proxy can marshal
  OleAutomation, ///< a vtable interface the automation marshaler handles
  Dual,          ///< IDispatch and vtable both
  Dispatch,      ///< a dispinterface: IDispatch only
};

/// "dispatch", "dual", "oleautomation", "custom".
const char* KindName(InterfaceKind kind);

struct TypeLibInterface {
  std::string iid; ///< "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
  std::string name;
  InterfaceKind kind = InterfaceKind::Custom;
  std::uint16_t flags = 0;
};

struct ImplementedInterface {
  std::string iid;
  std::string name; ///< "" when it lives in another type library
  bool external = false;
  std::int32_t implFlags = 0;
};

struct TypeLibClass {
  std::string clsid;
  std::string name;
  std::uint16_t flags = 0;
  std::vector<ImplementedInterface> interfaces;
};

struct TypeLibrary {
  std::string guid;
  std::string name;
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint32_t lcid = 0;
  std::uint16_t flags = 0;
  std::uint32_t syskind = 0; ///< 0 win16, 1 win32, 2 mac, 3 win64
  std::uint16_t machine = 0; ///< the PE machine of the library holding it; 0 in a .tlb
  std::vector<TypeLibClass> classes;
  std::vector<TypeLibInterface> interfaces; ///< interfaces and dispinterfaces, in file order
};

class Source;

/// The largest type library read, a .tlb file or a TYPELIB resource: the reader holds it
/// whole. Those of controls are tens of kilobytes, Office's largest a few megabytes.
inline constexpr std::size_t kMaxTypeLibBytes = 16 << 20;

/// A type library in bytes: MSFT, or a PE image holding one as TYPELIB resource index.
/// Throws FormatError.
TypeLibrary ReadTypeLib(const std::string& bytes, std::uint16_t index = 1);
/// The same from a source; of a program or library only the headers, the resource
/// directory and the type library are read.
TypeLibrary ReadTypeLib(const Source& source, std::uint16_t index = 1);

/// The type library of a .tlb, .ocx or .dll file. A path ending in "\N" takes resource
/// N, as LoadTypeLib does. Throws FormatError with a message that names the file.
TypeLibrary ReadTypeLibFile(const std::string& path,
                            platform::FilePort& files = platform::TheSystemFiles());

/// Splits "C:\x\a.ocx\2" into the file and the resource index (1 when none is given).
std::pair<std::string, std::uint16_t> SplitTypeLibPath(const std::string& path);

/// The flags spelled as a manifest's typelib element does: "CONTROL,HASDISKIMAGE".
std::string LibraryFlagsText(std::uint16_t flags);

/// Every fact, one a line, in a fixed order: what tests and the oracle compare.
std::string Listing(const TypeLibrary& library);

} // namespace readers
