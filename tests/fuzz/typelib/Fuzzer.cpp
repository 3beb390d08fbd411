// libFuzzer target: any bytes as a type library, or as a program or library holding one.
// A crash, hang, leak or undefined behaviour is a finding; a message is the expected answer
// to garbage. A library that reads also makes its manifest entry, whose names come from
// the file: the manifest must stay well-formed XML with one entry per creatable class.
#include <cstdint>
#include <string>
#include <vector>

#include "generation/Manifest.h"
#include "readers/Bytes.h"
#include "readers/ComponentReader.h"
#include "readers/ManifestReader.h"
#include "readers/TypeLib.h"
#include "support/FuzzCheck.h"

using testsupport::Check;

namespace {

void CheckManifestEntry(const readers::TypeLibrary& library) {
  std::vector<std::string> notes;
  const generation::ComponentFacts facts = readers::ComponentFactsOf(
      library, "Controls\\Lib.ocx", [](const std::string&) { return std::string(); }, notes);
  const std::string text = generation::BuildManifestText("1.0.0.0", "App.exe", "", "X86",
                                                         generation::ManifestSettings{}, {facts});
  const readers::ManifestFacts read = readers::ReadManifest(text, 0x14c);
  Check(!read.xmlError && read.files.size() == 1);
  Check(read.files[0].entries.size() == 1 + facts.classes.size());
  Check(read.interfaces.size() == facts.interfaces.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (std::uint16_t index : {1, 2}) {
    try {
      const readers::TypeLibrary library = readers::ReadTypeLib(bytes, index);
      Check(readers::Listing(library).compare(0, 8, "library ") == 0);
      CheckManifestEntry(library);
    } catch (const readers::FormatError& error) {
      Check(!std::string(error.what()).empty());
    }
  }
  return 0;
}
