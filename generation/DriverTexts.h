#pragma once
// Every text a generation shows, in one place. The batch front end prints the same texts.

#include <string>
#include <vector>

#include "generation/ComponentFacts.h"

#include "base/SystemError.h"

namespace generation::texts {

inline constexpr const char* kFolderInaccessible = "Error, folder cannot access folder!";
inline constexpr const char* kCompileFailed = "Error compiling file!";
/// kCompileFailed and the system's reason it could not start the compiler.
std::string CompilerNotStarted(const base::SystemError& error);
inline constexpr const char* kVersionWarning =
    "Version info should be four numbers separated by dots, such as 1.0.0.0. "
    "Windows will not start a program whose manifest has another version.\r\n"
    "\r\n"
    "Generate anyway?";

/// The .res question names the output by its bare name.
std::string OverwriteOutput(const std::string& outputName);
/// The module question names the file by its full path, one item per line.
std::string OverwriteModule(const std::string& path);
/// "Error writing" box of the module writer: path, description, code.
std::string ModuleWriteFailed(const std::string& path, const base::SystemError& error);
/// What can hold an output's name and is never written through or replaced.
inline constexpr const char* kLinkInTheWay = "a link: nothing is written through links";
inline constexpr const char* kFolderInTheWay = "a folder, not a file";
inline constexpr const char* kDeviceInTheWay = "a device or a pipe, not a file";
/// "<path>" is <what>. Nothing was changed.
std::string OutputInTheWay(const std::string& path, const char* what);
/// A file operation of the generation itself failed: operation, path, description, code.
std::string FileOperationFailed(const base::SystemError& error);
/// What the instructions add when components are isolated, starting with its blank line.
std::string ComponentsParagraph(const std::vector<ComponentFacts>& components);

} // namespace generation::texts
