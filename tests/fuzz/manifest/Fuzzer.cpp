// libFuzzer target: any bytes as the three values, the settings and the components of a
// manifest. The first byte picks the settings, its top bit whether there is a component; the
// rest is split at NUL into version, program name and description, then the component's
// strings (file, library, classes, interfaces), which come from type libraries a user can
// be handed. Whatever they hold, the manifest must be well-formed XML that a strict reader
// takes back with the same identity, settings and entries, and a multiple of 100 bytes once
// the writer has added CR LF: Windows refuses to start a program whose manifest is not
// well-formed. Taken as a program's old manifest, the plain one merged into it keeps all
// it says, stays well-formed, and merges into itself without a change.
#include "generation/Manifest.h"
#include "readers/ManifestMerge.h"
#include "readers/ManifestReader.h"
#include "readers/ReaderTexts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", what, text.c_str());
  std::abort();
}

// One component from the fields after the three values: file, library id, version, flags,
// then five strings per class and two per interface, as far as the fields go.
generation::ComponentFacts ComponentOf(const std::vector<std::string>& fields) {
  std::size_t next = 3;
  auto take = [&]() -> std::string { return next < fields.size() ? fields[next++] : ""; };
  generation::ComponentFacts component;
  component.fileName = take();
  component.tlbid = take();
  component.version = take();
  component.flags = take();
  while (next < fields.size() && component.classes.size() < 4) {
    generation::ComClassFacts item;
    item.clsid = take();
    item.progId = take();
    item.description = take();
    item.miscStatus = take();
    item.miscStatusContent = take();
    component.classes.push_back(item);
    if (next < fields.size())
      component.interfaces.push_back({take(), take()});
  }
  return component;
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

  std::vector<std::string> values(1);
  const bool withComponent = bits & 0x80;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0 && (withComponent || values.size() < 3))
      values.emplace_back();
    else
      values.back() += static_cast<char>(data[i]);
  }
  values.resize(std::max<std::size_t>(values.size(), 3));
  std::vector<generation::ComponentFacts> components;
  if (withComponent)
    components.push_back(ComponentOf(values));
  const std::string text =
      generation::BuildManifestText(values[0], values[1], values[2], "X86", settings, components);
  if ((text.size() + 2) % 100 != 0)
    Fail("not a multiple of 100 bytes with CR LF", text);
  const readers::ManifestFacts facts = readers::ReadManifest(text + "\r\n", 0x14c);
  if (facts.xmlError)
    Fail(facts.xmlError->c_str(), text);
  if (!facts.visualStyles || facts.architecture != "X86")
    Fail("visual styles or architecture lost", text);
  if (facts.supportedOs.size() != (settings.supportedOs ? 5u : 0u))
    Fail("supported Windows versions differ", text);
  if (facts.runLevel != generation::RunLevelName(settings.runLevel))
    Fail("run level differs", text);
  std::size_t interfaces = 0;
  for (const auto& component : components)
    interfaces += component.interfaces.size();
  if (facts.files.size() != components.size() || facts.interfaces.size() != interfaces ||
      (withComponent && facts.files[0].entries.size() != 1 + components[0].classes.size()))
    Fail("component entries differ", text);

  const readers::MergedManifest merged = readers::MergeManifests(
      text, generation::BuildManifestText("1.0.0.0", "App.exe", "", "X86"), {false, false});
  if (merged.refusal)
    Fail(readers::texts::Words(*merged.refusal).c_str(), text);
  const readers::ManifestFacts kept = readers::ReadManifest(merged.text, 0x14c);
  if (kept.xmlError || !kept.visualStyles || kept.runLevel != facts.runLevel ||
      kept.supportedOs != facts.supportedOs || kept.files.size() != facts.files.size() ||
      kept.interfaces.size() != facts.interfaces.size() || kept.version != facts.version ||
      kept.dpiAware != facts.dpiAware || kept.dpiAwareness != facts.dpiAwareness)
    Fail("the merge lost what the old manifest said", merged.text);
  if (!merged.changes.empty() || merged.text != text)
    Fail("ours merged into a manifest that says it all changed it", merged.text);
  return 0;
}
