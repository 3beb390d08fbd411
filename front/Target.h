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

/// A built file that can take an embedded manifest: the path ends in ".exe", ".dll" or
/// ".ocx", in any case.
bool IsEmbeddablePath(const std::string& path);
/// A program, whose manifest Windows also looks for beside it: the path ends in ".exe".
bool IsProgramPath(const std::string& path);

} // namespace front
