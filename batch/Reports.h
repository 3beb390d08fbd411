#pragma once
// What themefold-batch prints of each way's result: what was done on standard output, a
// refusal or failure on standard error.

#include "batch/Batch.h"
#include "batch/Options.h"
#include "front/Delivery.h"

namespace batch {

/// The result printed as options.mode asks; its exit code.
int Report(const Options& options, const front::Result& result, Console& console);

} // namespace batch
