// libFuzzer target: any bytes as a program to embed a manifest into, and the same bytes as
// the manifest of a program made with the tests' image builder. A crash, hang, leak or
// undefined behaviour is a finding; a refusal with its reason is the expected answer to
// garbage.
#include <cstdint>
#include <string>

#include "embed/Embed.h"
#include "readers/PeImage.h"
#include "support/FuzzCheck.h"
#include "support/PeBuilder.h"

namespace {

using embed::EmbedResult;
using testsupport::Check;

/// What an embedding promises: a refusal says why and returns nothing; anything else reads
/// back with the manifest written, keeps the program's layout (no section moves but the base
/// relocations and debug data, no size shrinks, every byte outside the rebuilt tree kept,
/// addresses still file offsets below a page), the same manifest again changes nothing, and
/// one with a byte changed rewrites the tree in place with that byte (and the checksum) the
/// only difference.
void CheckEmbedding(const std::string& program, const std::string& manifest) {
  const EmbedResult result = embed::EmbedManifest(program, manifest);
  if (result.outcome == EmbedResult::Outcome::Refused) {
    Check(result.bytes.empty() && result.pieces.empty());
    return;
  }
  Check(result.refusal.facts.empty() && result.refusal.liftedBy == base::Setting::None);
  Check(result.outcome == EmbedResult::Outcome::Embedded || result.bytes == program);
  const readers::PeImage image(result.bytes);
  const std::uint16_t id = image.IsDll() ? embed::kLibraryManifestId : embed::kProgramManifestId;
  const readers::Resource* found = image.Find(
      readers::ResourceKey::Id(readers::kManifestResourceType), readers::ResourceKey::Id(id));
  Check(found && image.Data(*found, "the manifest") == manifest);
  Check(testsupport::LayoutBroken(program, result.bytes).empty());
  Check(embed::EmbedManifest(result.bytes, manifest).outcome == EmbedResult::Outcome::Unchanged);
  if (manifest.empty() || result.outcome == EmbedResult::Outcome::Unchanged)
    return;
  std::string other = manifest;
  other[0] = static_cast<char>(other[0] ^ 1);
  const EmbedResult changed = embed::EmbedManifest(result.bytes, other);
  Check(changed.placement == embed::Placement::InPlace &&
        changed.bytes.size() == result.bytes.size());
  const std::uint64_t checksum = image.Headers().optionalOffset + 64;
  std::size_t differences = 0;
  for (std::size_t i = 0; i < changed.bytes.size(); ++i)
    differences += changed.bytes[i] != result.bytes[i] && i - checksum >= 4;
  Check(differences == 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string built = [] {
    testsupport::PeSpec spec;
    spec.sections = {{".text", std::string(16, '\xC3'), 0x60000020},
                     {".rsrc", "", 0x40000040, true},
                     {".reloc", std::string(12, '\0'), 0x42000040}};
    spec.resources = {{readers::ResourceKey::Name("TYPELIB"), readers::ResourceKey::Id(1), "MSFT"}};
    spec.checksum = 1;
    return testsupport::BuildImage(spec).image;
  }();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckEmbedding(bytes, "<assembly/>");
  CheckEmbedding(built, bytes);
  return 0;
}
