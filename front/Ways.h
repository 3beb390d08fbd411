#pragma once
// The ways to deliver a manifest, one file of front/ each, as Deliverer runs them. Each takes
// the smallest port and conversation it needs; none throws.

#include "front/Delivery.h"

namespace front {

/// Generate.cpp: the generation's driver, its outcome as a result.
Result Generate(platform::FileOperations& files, generation::Conversation& conversation,
                const Request& request);
/// Project.cpp: undo an interrupted run, plan, confirm, plan again, apply.
Result SetUpProject(platform::FileOperations& files, Conversation& user, const Request& request);
/// Embed.cpp: read, build the manifest, embed, write under a temporary name, read back, back
/// up, check that the program did not change meanwhile, rename.
Result EmbedInProgram(platform::FileOperations& files, const Request& request);
/// Beside.cpp: the manifest beside the program written, merged or removed.
Result WriteBeside(platform::FileOperations& files, const Request& request, const Wording& wording);

} // namespace front
