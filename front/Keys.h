#pragma once
// The names the window and themefold-batch read the system by: the settings' keys and the
// registry's place of Visual Basic 6.

#include "base/AppTitle.h"

namespace front::keys {

inline constexpr const char* kAppTitle = THEMEFOLD_APP_TITLE;
inline constexpr const char* kSection = "General";
inline constexpr const char* kKeyApplication = "Application";
inline constexpr const char* kKeyDescription = "Description";
inline constexpr const char* kKeyVersion = "Version";
inline constexpr const char* kKeyRcExe = "RC.EXE";

inline constexpr const char* kVb6SetupKey =
    "Software\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual Basic\\";
inline constexpr const char* kVb6ProductDir = "ProductDir";
inline constexpr const char* kCompilerBelowVb6 = "Wizards\\RC.EXE";
/// The compiler the Windows release carries beside the program.
inline constexpr const char* kBundledCompiler = "rc.exe";

} // namespace front::keys
