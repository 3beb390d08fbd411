// The embedding as the tool does it, for the proofs under Wine: the program's bytes read,
// the tool's own manifest for the program's architecture with the default settings, merged
// with the one the program carries as --embed merges, the result written beside it and named
// in its report as --embed names the program it wrote. With --manifest FILE, FILE as it is
// instead: a program as another tool left it.
//
// embed_proof_tool [--keep-overlay] [--manifest FILE] IN OUT [IN OUT...]
//   -> exit 0 when every IN was embedded

#include "embed/Embed.h"
#include "generation/Architecture.h"
#include "generation/Manifest.h"
#include "readers/ManifestMerge.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

std::string FileName(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream read;
  read << file.rdbuf();
  return read.str();
}

bool Embed(const std::string& in, const std::string& out, const embed::EmbedOptions& options,
           const std::string& given) {
  const std::string program = Read(in);
  const auto range = [&program](std::uint64_t offset, std::size_t count) {
    return offset < program.size() ? program.substr(offset, count) : std::string();
  };
  const std::string architecture = generation::ArchitectureOf(generation::ImageMachine(range));
  std::optional<std::string> old;
  const readers::PeImage image(program);
  if (const readers::Resource* resource =
          image.Find(readers::ResourceKey::Id(24), readers::ResourceKey::Id(image.IsDll() ? 2 : 1)))
    old = image.Data(*resource, "the manifest");
  const readers::MergedManifest merged = readers::MergeManifests(
      old, generation::BuildManifestText("1.0.0.0", FileName(out), "Embedding proof", architecture,
                                         generation::ManifestSettings()));
  if (merged.refusal) {
    std::printf("not merged: %s\n", readers::texts::Words(*merged.refusal).c_str());
    return false;
  }
  for (const readers::ManifestChange& change : merged.changes)
    std::printf("%s\n", readers::DescribeChange(change).c_str());
  const std::string manifest = given.empty() ? merged.text : given;
  const embed::EmbedResult result = embed::EmbedManifest(program, manifest, options);
  std::printf("%s: %s, placement %s\n", out.c_str(), architecture.c_str(),
              embed::PlacementName(result.placement));
  for (const std::string& line : result.report)
    std::printf("  %s\n", line.c_str());
  if (result.outcome != embed::EmbedResult::Outcome::Embedded) {
    std::printf("not embedded: refusal %d", static_cast<int>(result.refusal.code));
    for (const std::string& fact : result.refusal.facts)
      std::printf(", %s", fact.c_str());
    std::printf("\n");
    return false;
  }
  std::ofstream written(out, std::ios::binary | std::ios::trunc);
  written << result.bytes;
  return static_cast<bool>(written.flush());
}

} // namespace

int main(int argc, char** argv) {
  embed::EmbedOptions options;
  int first = 1;
  if (argc > first && std::string(argv[first]) == "--keep-overlay") {
    options.keepOverlay = true;
    ++first;
  }
  std::string given;
  if (argc > first + 1 && std::string(argv[first]) == "--manifest") {
    given = Read(argv[first + 1]);
    first += 2;
  }
  if (argc <= first || (argc - first) % 2 != 0) {
    std::fprintf(stderr,
                 "usage: embed_proof_tool [--keep-overlay] [--manifest FILE] IN OUT [IN OUT...]\n");
    return 2;
  }
  bool all = true;
  for (int i = first; i < argc; i += 2)
    all &= Embed(argv[i], argv[i + 1], options, given);
  return all ? 0 : 1;
}
