#include "front/Compiler.h"

#include "front/Keys.h"

namespace front {

namespace {

std::string Vb6Compiler(Registry& registry) {
  std::string folder = registry.ReadLocalMachineString(keys::kVb6SetupKey, keys::kVb6ProductDir);
  if (folder.empty())
    return folder;
  if (folder.back() != '\\')
    folder += '\\';
  return folder + keys::kCompilerBelowVb6;
}

} // namespace

std::string StoredCompiler(Settings& settings) {
  return settings.Get(keys::kAppTitle, keys::kSection, keys::kKeyRcExe, "");
}

void StoreCompiler(Settings& settings, const std::string& path) {
  settings.Save(keys::kAppTitle, keys::kSection, keys::kKeyRcExe, path);
}

std::string LocateCompiler(const CompilerPlaces& places) {
  // clang-format off
  const std::string candidates[] = {Vb6Compiler(places.registry),
                                    StoredCompiler(places.settings),
                                    places.files.AppFolder() + places.bundledName};
  // clang-format on
  for (const std::string& candidate : candidates)
    if (places.files.FileExists(candidate))
      return candidate;
  return std::string();
}

std::string DescribeCompilerPlaces(const CompilerPlaces& places) {
  const std::string vb6 = Vb6Compiler(places.registry);
  const std::string stored = StoredCompiler(places.settings);
  return "Visual Basic 6 (" + (vb6.empty() ? std::string("not registered") : vb6) +
         "), the setting " + keys::kKeyRcExe + " (" +
         (stored.empty() ? std::string("not set") : stored) + "), " + places.files.AppFolder() +
         places.bundledName;
}

} // namespace front
