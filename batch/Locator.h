#pragma once
// The instructions template of an installed program.

#include <string>

#include "generation/Driver.h"

namespace batch {

/// The instructions template of an installed program, in dataFolder below the program's
/// folder; "" for the one beside the program, the generation's own default, which also
/// serves when neither exists (the generation then reports it missing).
std::string LocateTemplate(platform::FileOperations& files, const std::string& dataFolder);

} // namespace batch
