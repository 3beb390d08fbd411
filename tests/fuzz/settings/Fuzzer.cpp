// libFuzzer target: any bytes as the settings file. A file that parses must write back to
// text that parses to the same document, and writing that again must give the same text:
// a round trip never loses or changes a value.
#include "base/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool Same(const settingsfile::Document& a, const settingsfile::Document& b) {
  if (a.sections.size() != b.sections.size())
    return false;
  for (std::size_t i = 0; i < a.sections.size(); ++i)
    if (a.sections[i].name != b.sections[i].name || a.sections[i].values != b.sections[i].values)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto document = settingsfile::Parse(text);
  if (!document)
    return 0;
  const std::string written = settingsfile::Write(*document);
  const auto again = settingsfile::Parse(written);
  if (!again || !Same(*document, *again) || settingsfile::Write(*again) != written)
    std::abort();
  return 0;
}
