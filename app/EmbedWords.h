#pragma once
// What the window says of a program before and after "Embed in the program": what the
// program will do differently, what to watch for, the backup. The sections and resources a
// dry run lists stay in the batch's --dry-run.

#include <cstddef>
#include <string>

#include "front/Delivery.h"
#include "generation/ManifestSettings.h"

namespace app {

/// The most lines of the manifest's changes a box shows: it grows past the screen rather
/// than scroll.
inline constexpr std::size_t kChangesInABox = 8;

/// The question before writing, from the dry run's result; backup is the name the program
/// will be copied to.
std::string EmbedQuestionText(const std::string& program,
                              const generation::ManifestSettings& settings,
                              const front::Result& dryRun, const std::string& backup);

/// The report on the program named name: for one embedded, what it does now, the warnings
/// and the backup; for anything else (a dry run that would write nothing included), the
/// front's message and the warnings.
std::string EmbedReportText(const std::string& name, const front::Result& result,
                            const generation::ManifestSettings& settings);

} // namespace app
