#pragma once
// --embed and --beside: a built program given its manifest without a rebuild.

#include <vector>

#include "batch/Batch.h"
#include "batch/Options.h"

namespace batch {

/// The manifest written into options.target; the report on standard output, a refusal on
/// standard error.
int Embed(const Options& options, const std::vector<generation::ComponentFacts>& components,
          platform::FileOperations& files, Console& console);

/// options.target + ".manifest" written, or removed with options.remove.
int Beside(const Options& options, const std::vector<generation::ComponentFacts>& components,
           platform::FileOperations& files, Console& console);

} // namespace batch
