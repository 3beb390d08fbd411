#pragma once
// What Visual Basic 5 and 6 record in a program they built: the project, its objects, its
// Declares and the components its forms place. The entry stub pushes the address of the
// VB header ("VB5!"); every table is reached from there by virtual address, so each one is
// checked against the image before it is read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Refusal.h"
#include "readers/PeImage.h"
#include "readers/Source.h"

namespace readers {

enum class VbProjectKind {
  StandardExe,    ///< a program with no public classes
  ActiveXExe,     ///< a program that serves public classes
  ActiveXDll,     ///< a library of classes
  ActiveXControl, ///< a library holding public user controls (.ocx)
};

enum class VbObjectKind {
  Module,
  Class,
  Form,
  MdiForm,
  UserControl,
  PropertyPage,
  UserDocument,
  Designer,
  Other,
};

struct VbObject {
  std::string name;
  VbObjectKind kind = VbObjectKind::Other;
  std::uint32_t typeFlags = 0; ///< the object's type bits as stored
};

/// A `Declare`: the library and the function as the source spelled them.
struct VbDeclare {
  std::string library;  ///< "comctl32", "kernel32.dll", ...
  std::string function; ///< the Alias when there is one, else the name
};

/// A component (an OCX, or a library of controls) the program's forms or user controls place.
struct VbComponent {
  std::string fileName;              ///< "MSCOMCTL.OCX" as recorded; "" when not stored
  std::string classId;               ///< "{831FDD16-...}" in capitals; "" when not stored
  std::string typeLibId;             ///< "{...}" in capitals; "" when not stored
  std::string name;                  ///< "MSComctlLib.ListViewCtrl" or the like; "" when not stored
  std::vector<std::string> placedOn; ///< the forms and user controls that place it
};

/// A text in a form's stored data with bytes outside ASCII, in the program's ANSI code page.
struct VbFormText {
  std::string object; ///< the form or user control holding it
  std::string text;   ///< the bytes as stored
};

struct VbProgram {
  std::string projectName;
  VbProjectKind kind = VbProjectKind::StandardExe;
  std::string runtime; ///< "MSVBVM60.DLL" or "MSVBVM50.DLL", as imported
  bool startsInSubMain = false;
  std::string startupForm; ///< the form it starts in; "" for Sub Main or a library
  std::vector<VbObject> objects;
  std::vector<VbDeclare> declares;
  std::vector<VbComponent> components;
  /// A Declare or an import of InitCommonControls or InitCommonControlsEx from comctl32.
  bool initialisesCommonControls = false;
  std::vector<VbFormText> formTexts;

  std::size_t CountOf(VbObjectKind wanted) const;
};

/// Why an image is not read as a Visual Basic program; worded by readers::texts::Words.
/// Facts: NotVisualBasic {why}; Damaged {the table, what is wrong}; TooLarge {the table, what
/// it holds ("70000 entries"), the limit}.
enum class VbProblem {
  NotVisualBasic, ///< no runtime import, or no VB header behind the entry stub
  Damaged,        ///< a VB header whose tables lie outside the image: the fact says which
  TooLarge,       ///< a table counts more entries than any program holds
};
using VbRefusal = base::Refusal<VbProblem>;

struct VbReading {
  std::optional<VbProgram> program;
  std::optional<VbRefusal> problem; ///< set exactly when program is not
};

/// Reads the VB header and its tables of pe, whose bytes image holds. Bounded: every count
/// is limited and every address checked; never throws for anything in the bytes.
VbReading ReadVbProgram(const PeImage& pe, const Source& image);
VbReading ReadVbProgram(std::string_view image);

} // namespace readers
