#include "front/Programs.h"

#include "base/CodePages.h"
#include "base/Path.h"
#include "generation/Architecture.h"
#include "generation/Manifest.h"
#include "platform/TemporaryFiles.h"

namespace front::programs {

std::string FileName(platform::FilePort& files, const std::string& path) {
  return path::BaseName(path, path::StyleOf(files.PathSeparator()));
}

std::string ManifestFor(platform::FileOperations& files, const Request& request,
                        std::uint16_t machine) {
  const auto utf8 = [&](const std::string& text) {
    return files.AnsiToUtf8(text, codepages::kDefault);
  };
  return BuildManifestText(utf8(request.version), utf8(FileName(files, request.target)),
                           utf8(request.description), generation::ArchitectureOf(machine),
                           request.manifest, request.components);
}

readers::MergedManifest Merged(const std::optional<std::string>& old, const std::string& ours,
                               const ManifestRequest& request) {
  return readers::MergeManifests(old, ours, {request.versionGiven, request.descriptionGiven});
}

std::vector<std::string> ChangeLines(const std::vector<readers::ManifestChange>& changes) {
  std::vector<std::string> lines;
  lines.reserve(changes.size());
  for (const readers::ManifestChange& change : changes)
    lines.push_back(readers::DescribeChange(change));
  return lines;
}

std::string SweptFolder(platform::FileOperations& files, const std::string& path) {
  std::string folder = path::Folder(path, path::StyleOf(files.PathSeparator()));
  // A killed run's files lie in the program's folder; the current one has no name here.
  platform::RemoveStaleTemporaryFiles(
      files, folder.empty() ? std::string(".") + files.PathSeparator() : folder);
  return folder;
}

Result Fail(const std::string& message) {
  Result result;
  result.message = message;
  return result;
}

Result Refuse(const std::string& message, base::Setting liftedBy) {
  Result result;
  result.outcome = Outcome::Refused;
  result.message = message;
  result.liftedBy = liftedBy;
  return result;
}

} // namespace front::programs
