#pragma once
// What the options window reports of the target.

#include <string>

#include "generation/Driver.h"

namespace app {

/// For a project, what themes break in its forms; for a program, what it carries now.
std::string DescribeTarget(platform::FileOperations& files, const std::string& path);

} // namespace app
