#pragma once
// The words of the manifest writer's refusals, the same in the window and themefold-batch.
// The setting that lifts one is named by each front end in its own words.

#include <string>

#include "embed/Embed.h"

namespace front {

/// Why the writer left a program as it was, as the words after "NAME is left as it was: ".
std::string Words(const embed::Refusal& refusal);

} // namespace front
