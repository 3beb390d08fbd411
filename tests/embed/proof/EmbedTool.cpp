// The embedding as the tool does it, for the proofs under Wine: the program's bytes read,
// the tool's own manifest for the program's architecture with the default settings, the
// result written beside it.
//
// embed_proof_tool [--keep-overlay] IN OUT [IN OUT...] -> exit 0 when every IN was embedded

#include "embed/Embed.h"
#include "generation/Architecture.h"
#include "generation/Manifest.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string FileName(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Embed(const std::string& in, const std::string& out, const embed::EmbedOptions& options) {
  std::ifstream file(in, std::ios::binary);
  std::ostringstream read;
  read << file.rdbuf();
  const std::string program = read.str();
  const auto range = [&program](std::uint64_t offset, std::size_t count) {
    return offset < program.size() ? program.substr(offset, count) : std::string();
  };
  const std::string architecture = generation::ArchitectureOf(generation::ImageMachine(range));
  const std::string manifest = generation::BuildManifestText(
      "1.0.0.0", FileName(out), "Embedding proof", architecture, generation::ManifestSettings());
  const embed::EmbedResult result = embed::EmbedManifest(program, manifest, options);
  std::printf("%s: %s, placement %s\n", in.c_str(), architecture.c_str(),
              embed::PlacementName(result.placement));
  for (const std::string& line : result.report)
    std::printf("  %s\n", line.c_str());
  if (result.outcome != embed::EmbedResult::Outcome::Embedded) {
    std::printf("not embedded: %s\n", result.refusal.c_str());
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
  if (argc > 1 && std::string(argv[1]) == "--keep-overlay") {
    options.keepOverlay = true;
    ++first;
  }
  if (argc <= first || (argc - first) % 2 != 0) {
    std::fprintf(stderr, "usage: embed_proof_tool [--keep-overlay] IN OUT [IN OUT...]\n");
    return 2;
  }
  bool all = true;
  for (int i = first; i < argc; i += 2)
    all &= Embed(argv[i], argv[i + 1], options);
  return all ? 0 : 1;
}
