#pragma once
// What a target must look like before a generation may start, for both front ends.

#include <string>

namespace front {

/// "Generate..." is enabled, and themefold-batch takes the target, once the path holds
/// ".exe": the first one, in any letter case, starts at position 2 or later.
bool GenerateEnabledFor(const std::string& targetPath);

} // namespace front
