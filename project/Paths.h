#pragma once
// Paths as a project writes them: relative to the project's folder or absolute, with '\'
// between folders, and spelt in whatever case the author typed. Projects come from Windows,
// so on a disk that tells case apart a name is matched without regard to case when the
// exact spelling is missing.

#include <cstddef>
#include <string>

#include "generation/Driver.h"

namespace project {

/// Where written (a path from the project file) lies on this disk: the exact spelling when
/// that exists, else the first entry of each folder that matches without regard to case;
/// the exact spelling again when nothing matches, for the message that names it.
std::string FindProjectFile(generation::FileOperations& files, const std::string& projectFolder,
                            const std::string& written);

/// The bytes of path, at most limit of them; false with why they cannot be read, in words
/// that follow "cannot be read: ".
bool ReadProjectFile(generation::FileOperations& files, const std::string& path,
                     std::size_t limit, std::string& bytes, std::string& why);

} // namespace project
