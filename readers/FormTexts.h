#pragma once
// Every text of the check of the forms, for themefold-batch --check-forms and the windows
// alike. A finding is "what happens: what to do"; the file, line and control go before it.

#include <string>

#include "generation/ModuleText.h"

namespace readers::formtexts {

inline std::string InFrame(const std::string& frame) {
  return "black background once themed, as it sits directly in the frame " + frame +
         ": put a PictureBox inside the frame as its container";
}
inline const char* const kGraphical =
    "Style = 1 (Graphical) is never themed: keep it for a picture or colours, or set Style "
    "to 0 for the themed look";
inline std::string ButtonColour(const std::string& property) {
  return property + " is ignored once themed: leave it unset, or set Style to 1 (Graphical), "
                    "which keeps it but is never themed";
}
inline const char* const kTextColour =
    "ForeColor is ignored once themed: for coloured text, put a Label beside a control "
    "without a caption";
inline std::string CommonControls6(const std::string& type) {
  return type + " from MSCOMCTL.OCX is not themed: the 5.0 controls of COMCTL32.OCX "
                "(ComctlLib) use the system's common controls and are themed";
}
inline std::string UserControlExit(const std::string& form) {
  return "a user control in a project that starts in the form " + form +
         " crashes at exit once themed, unless the common controls are initialised first: "
         "start in Sub Main; the start-up module " +
         generation::kModuleName + ".bas does exactly that";
}
inline std::string CannotRead(const std::string& key, const std::string& why) {
  return "cannot be read (" + why + "), so it was not checked: correct the " + key + "= line";
}

/// The project file itself cannot be read: nothing was checked.
inline std::string ProjectUnreadable(const std::string& path, const std::string& why) {
  return "\"" + path + "\" cannot be read: " + why + ".";
}

/// One finding: "file:line: control: what happens: what to do".
inline std::string Line(const std::string& file, int line, const std::string& control,
                        const std::string& finding) {
  return file + ":" + std::to_string(line) + ": " + control + ": " + finding;
}

/// The last line of a check.
inline std::string Summary(std::size_t files, std::size_t findings) {
  return "checked " + std::to_string(files) + (files == 1 ? " file: " : " files: ") +
         (findings == 0 ? std::string("nothing that themes break")
                        : std::to_string(findings) + (findings == 1 ? " finding" : " findings"));
}

/// After the first findings in a message box, which cannot scroll.
inline std::string More(std::size_t count) {
  return "... and " + std::to_string(count) +
         " more: the \"Manifest options\" window lists them all, as "
         "themefold-batch --check-forms does";
}

/// The heading of the findings in a window.
inline const char* const kHeading = "What themes will break in the forms:";

} // namespace readers::formtexts
