// libFuzzer target: any bytes as the three values and the settings of a manifest. The first
// byte picks the settings; the rest is split at NUL into version, program name and
// description. Whatever they hold, the manifest must be well-formed XML that a strict reader
// takes back with the same identity and settings, and a multiple of 100 bytes once the
// writer has added CR LF: Windows refuses to start a program whose manifest is not
// well-formed.
#include "generation/Manifest.h"
#include "readers/ManifestReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", what, text.c_str());
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const unsigned bits = data[0];
  generation::ManifestSettings settings;
  settings.supportedOs = bits & 1;
  settings.runLevel = static_cast<generation::RunLevel>((bits >> 1) & 3);
  settings.dpi = static_cast<generation::DpiAwareness>(((bits >> 3) & 3) % 3);
  settings.gdiScaling = bits & 0x20;
  settings.longPathAware = bits & 0x40;

  std::string values[3];
  std::size_t field = 0;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0 && field < 2)
      ++field;
    else
      values[field] += static_cast<char>(data[i]);
  }
  const std::string text = BuildManifestText(values[0], values[1], values[2], settings);
  if ((text.size() + 2) % 100 != 0)
    Fail("not a multiple of 100 bytes with CR LF", text);
  const inspect::ManifestFacts facts = inspect::ReadManifest(text + "\r\n", 0x14c);
  if (!facts.xmlError.empty())
    Fail(facts.xmlError.c_str(), text);
  if (!facts.visualStyles || facts.architecture != "X86")
    Fail("visual styles or architecture lost", text);
  if (facts.supportedOs.size() != (settings.supportedOs ? 5u : 0u))
    Fail("supported Windows versions differ", text);
  if (facts.runLevel != generation::RunLevelName(settings.runLevel))
    Fail("run level differs", text);
  return 0;
}
