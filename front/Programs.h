#pragma once
// What Embed and Beside share: a built program's manifest, made as the generation writes it
// and merged with the one the program carries, and the results they return.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "front/Delivery.h"
#include "readers/ManifestMerge.h"

namespace front::programs {

/// The largest program read whole: a PE image addresses at most 4 GiB, Visual Basic's are
/// megabytes.
inline constexpr std::size_t kMaxProgramBytes = std::size_t{1} << 30;

/// The file's name, by the port's rules for paths.
std::string FileName(platform::FilePort& files, const std::string& path);

/// The manifest for the program the request names, as the generation writes it.
std::string ManifestFor(platform::FileOperations& files, const Request& request,
                        std::uint16_t machine);

/// The manifest for the program merged with the one it carries, or why they cannot be.
readers::MergedManifest Merged(const std::optional<std::string>& old, const std::string& ours,
                               const ManifestRequest& request);

/// Each change as a line, "  element: before -> after".
std::vector<std::string> ChangeLines(const std::vector<readers::ManifestChange>& changes);

/// The folder a run's temporary files go into, swept of dead runs' first.
std::string SweptFolder(platform::FileOperations& files, const std::string& path);

/// A fault of this run: the program is as it was.
Result Fail(const std::string& message);
Result Refuse(const std::string& message, base::Setting liftedBy = base::Setting::None);

} // namespace front::programs
