#pragma once
// The names of a generation's temporary files. They carry the id of the process that made
// them, so that a later run can tell the files of a killed run from those of one still going.

#include <cstdint>
#include <string>

namespace generation {

/// "~themefold-<process id>-<16 hex digits>": the start of every temporary name of one run.
std::string TemporaryStem(unsigned long processId, std::uint64_t random);

/// The process id in a name that starts with a stem, or 0 for any other name.
unsigned long TemporaryOwner(const std::string& name);

} // namespace generation
