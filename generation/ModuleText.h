#pragma once

#include <string>

namespace generation {

/// The start-up module handed to users: 45 lines joined with CR LF. The file writer adds
/// the final CR LF. Every byte is ASCII.
extern const char* const kModuleText;

/// The module's name, as its Attribute VB_Name line gives it: "modThemefold".
extern const char* const kModuleName;
/// The module's file: kModuleName and ".bas".
extern const char* const kModuleFileName;

/// The module for a project that starts in a form: its Sub Main shows that form once the
/// common controls are ready. Joined and ended as kModuleText; form's bytes as they are.
std::string ModuleTextShowing(const std::string& form);

/// The line of the template's Sub Main, after its indent, that ModuleTextShowing replaces:
/// "'frmMain.Show (etc..)", a comment until then.
extern const char* const kShowFormPlaceholder;

/// The statement that shows form at start-up: "frmLedger.Show".
std::string ShowForm(const std::string& form);

/// The module for a project with a Sub Main of its own: the template through its
/// End Function, no Sub Main. Joined and ended as kModuleText.
std::string ModuleTextWithoutMain();

/// The first statement of a project's own Sub Main: without the common controls the program
/// ends before any form loads.
extern const char* const kStartupCheck;

} // namespace generation
