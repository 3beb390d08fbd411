#pragma once
// What a target must look like before a generation may start, for both front ends.

#include <string>

namespace front {

/// "Generate..." is enabled, and themefold-batch takes the target, once the path holds
/// ".exe" (the first one, in any letter case, starts at position 2 or later) or names a
/// project.
bool GenerateEnabledFor(const std::string& targetPath);

/// A Visual Basic project file: the path ends in ".vbp", in any case.
bool IsProjectPath(const std::string& path);

} // namespace front
