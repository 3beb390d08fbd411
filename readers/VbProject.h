#pragma once
// What a Visual Basic 6 project file (.vbp) says: its own settings, its modules, and the
// components it names (Object= lines for controls, Reference= lines for libraries) and where
// their files are. The text is in the author's ANSI code page and is never re-encoded.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/Lines.h"

namespace readers {

struct ProjectComponent {
  enum class Kind { Object, Reference };
  Kind kind = Kind::Object;
  std::string guid;    ///< the type library's, "{...}" as written
  std::string version; ///< "2.0": major.minor in hexadecimal, as the registry keys them
  std::string lcid;
  std::string file; ///< Object: the file name; Reference: the path as written
  std::string description;
  int line = 0;
};

struct ProjectComponents {
  std::vector<ProjectComponent> components; ///< in the project's order, without what
                                            ///< every Windows has registered
  std::vector<std::string> notes;           ///< lines left out, and why
};

/// Where a line of a Visual Basic file lies.
using textlines::LineSpan;

/// One line of a project file's own section, and where it lies in the text.
struct ProjectLine : LineSpan {
  std::string key;            ///< before the first '=', spaces around it removed
  std::string value;          ///< after it, spaces around it removed, quotes kept
  std::size_t valueBegin = 0; ///< value's first byte (end when the value is empty)
  int number = 0;             ///< counted from 1
};

/// The lines of the project's own section: those before the first line that starts with
/// '['. The sections after it belong to add-ins and reuse the project's key names. Lines
/// without '=' are included with an empty key. A UTF-8 byte order mark at the start lies
/// before the first line.
std::vector<ProjectLine> ReadProjectLines(const std::string& text);

/// A Module= line: "Module=modMain; ..\shared\modMain.bas".
struct ProjectModule {
  std::string name;
  std::string path; ///< as written, from the project's folder
  int line = 0;
};

/// A name the project's own section gives a file, which the file system may be asked about.
struct ProjectPath {
  std::string key;  ///< as the line spells it
  std::string path; ///< as read; of a Module= or Class= line, the part after the ';'
  int line = 0;
};

/// Startup's two values that name no form, as Visual Basic writes them.
inline constexpr const char* kStartupSubMain = "Sub Main";
inline constexpr const char* kStartupNone = "(None)";

/// What the project's own section says, with Visual Basic's defaults for missing keys.
/// Keys are matched without regard to case; when one is given twice, the last counts, as
/// Visual Basic assigns them in turn.
struct ProjectFacts {
  std::string type;    ///< Type: Exe, OleExe, OleDll, Control; "" when missing
  std::string name;    ///< Name; Visual Basic's Project1 when missing
  std::string exeName; ///< ExeName32; name + ".exe" when missing or empty
  std::string path32;  ///< Path32: the compiled program's folder from the project's; ""
  std::string startup; ///< Startup: a form's name, kStartupSubMain or kStartupNone; "" when
                       ///< missing
  std::vector<ProjectModule> modules;
  /// Form= and UserControl= lines: their paths, without a name.
  std::vector<ProjectModule> forms;
  std::vector<ProjectModule> userControls;
  std::string resFile; ///< ResFile32, from the project's folder; "" for none
  unsigned majorVer = 1;
  unsigned minorVer = 0;
  unsigned revisionVer = 0;
  std::string fileDescription; ///< VersionFileDescription
  std::string title;           ///< Title
  /// Every name of a file the section gives, in its order, none empty: the files it lists
  /// (Form=, Module=, Class=, UserControl=, UserDocument=, PropertyPage=, Designer=,
  /// RelatedDoc=), ResFile32, ExeName32, Path32, HelpFile and CompatibleEXE32; and Name
  /// where no ExeName32 names the program, which is named after it then.
  std::vector<ProjectPath> paths;

  /// "Major.Minor.0.Revision", the version Visual Basic gives the compiled program.
  std::string Version() const;
  /// VersionFileDescription, else Title, else "".
  std::string Description() const;
  /// Startup names Sub Main, in any case, as Visual Basic matches it.
  bool StartsInSubMain() const;
  /// Startup names a form: neither Sub Main nor (None), in any case, nor missing.
  bool StartsInForm() const;
};

/// What the project's own section says. Quoted values are taken without their quotes;
/// Visual Basic writes inner quotes as they are, and a doubled one counts as one. Startup's
/// form name may be quoted with '!' instead (Startup=!frmMain!).
ProjectFacts ReadProjectFacts(const std::string& text);

/// The line end of text that is neither CR LF nor LF, which the lines are not split at:
/// "CR CR LF" or "CR alone"; "" when every CR ends a CR LF.
std::string UnreadLineEnd(const std::string& text);

/// True for a standard EXE project (Type=Exe), the only kind that starts in Sub Main.
bool IsStandardExe(const std::string& type);

/// The kind of project a Type names, for refusing it: "an ActiveX DLL project".
std::string ProjectKind(const std::string& type);

/// The largest project file read. Visual Basic writes a few kilobytes; the limit leaves room
/// for generated projects a thousand times that, 100,000 Object= lines among them.
inline constexpr std::size_t kMaxProjectBytes = 16 << 20;

/// The Object= and Reference= lines of a project file's text. stdole, the Visual Basic
/// runtime and OLE Automation are left out: every Windows has them registered.
ProjectComponents ReadProjectComponents(const std::string& text);

/// True for the libraries every Windows has registered.
bool IsSystemLibrary(const std::string& guid);

/// Where a component's file is: its path taken from the project's folder (an absolute path
/// as it stands), else its file name in each of the other folders in turn; "" when exists
/// finds it nowhere. Paths use '\\' or '/' as written; separator joins them.
std::string LocateComponent(const ProjectComponent& component, const std::string& projectFolder,
                            const std::vector<std::string>& otherFolders, char separator,
                            const std::function<bool(const std::string&)>& exists);

} // namespace readers
