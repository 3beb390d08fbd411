#pragma once
// A Visual Basic project's own files changed as text, with no file access: the project file
// made to list the start-up module and start in Sub Main, and a Sub Main of the project's
// own made to check the common controls first. Every byte not meant to change stays; a new
// line takes the line end of the one it follows (CR LF, or LF where git left LF). The text
// is in the author's code page and is never re-encoded.

#include <string>
#include <vector>

namespace project {

/// One change to a project file's own section (the part before its first '[' line).
struct ProjectEdit {
  enum class Kind {
    StartInSubMain, ///< Startup="Sub Main", on the Startup line or a new one
    AddModule,      ///< Module=<name>; <path> after the project's modules
    AddResFile,     ///< ResFile32="<path>" where the project names none
  };
  Kind kind = Kind::StartInSubMain;
  std::string name; ///< AddModule: the module's name
  std::string path; ///< AddModule, AddResFile: from the project's folder
};

/// What the project file still needs: the module listed as moduleName (moduleName;
/// modulePath), resFile when it names no resource file (an existing one stays), and the
/// start in Sub Main. None once they are made, so a second run changes nothing.
std::vector<ProjectEdit> NeededEdits(const std::string& projectText, const std::string& moduleName,
                                     const std::string& modulePath, const std::string& resFile);

/// The first of the keys the edits set (ResFile32, Startup) that the project's own section
/// gives more than once; "" when none is. Which line Visual Basic obeys is not for an edit
/// to guess: such a project is refused.
std::string RepeatedKey(const std::string& projectText);

/// projectText with the edits made in its own section, in the order given.
std::string ApplyEdits(const std::string& projectText, const std::vector<ProjectEdit>& edits);

/// True when the module holds a Sub Main (Public, Private or neither, any case) outside
/// comments: its header alone on its line, with a comment after it, continued over lines
/// that end in " _" ("Public Sub _" and "Main()"), or followed on its line by ':' and
/// statements ("Sub Main(): frmMain.Show: End Sub").
bool HoldsSubMain(const std::string& moduleText);

/// A module's Sub Main given generation::kStartupCheck as its first statement; each of them
/// where a module holds several, one for each branch of an #If.
struct StartupCheck {
  enum class Outcome {
    Added,        ///< text has the check on a new line after each Sub Main line without it
    AlreadyThere, ///< each has the check as its first statement already; text is unchanged
    NoSubMain,    ///< the module has no Sub Main; text is unchanged
    /// A Sub Main has statements after its header on the header's line, where no line can
    /// go first: text is unchanged, line names that line.
    OnItsHeaderLine,
  };
  Outcome outcome = Outcome::NoSubMain;
  std::string text;
  int line = 0; ///< OnItsHeaderLine: the header's (last) line, counted from 1
};

/// Finds each Sub Main as HoldsSubMain does, and puts the check right after its header's
/// last line and the attributes Visual Basic keeps there, indented as the procedure's first
/// line (4 spaces in an empty one). A header followed by statements on its line is edited
/// nowhere (OnItsHeaderLine), unless the check is all that follows it there.
StartupCheck AddStartupCheck(const std::string& moduleText);

/// The start-up module's Sub Main (each of them) made to show the form the project starts
/// in: the template's commented-out placeholder, a line of its own, becomes the statement
/// that shows it. Statements on the header's line count, up to an End Sub among them.
struct FormShown {
  enum class Outcome {
    Shown,        ///< text shows form where the placeholder was
    AlreadyShown, ///< each Sub Main shows form already; text is unchanged
    NotShown,     ///< a Sub Main neither shows form nor holds the placeholder
    NoSubMain,    ///< the module has no Sub Main
  };
  Outcome outcome = Outcome::NoSubMain;
  std::string text;
};

FormShown ShowStartupForm(const std::string& moduleText, const std::string& form);

} // namespace project
