#include "batch/Locator.h"

#include "app/AppTexts.h"
#include "generation/OutputNames.h"
#include "util/BraskModule.h"

namespace batch {

namespace {

std::string Vb6Compiler(app::Registry& registry) {
  std::string folder =
      registry.ReadLocalMachineString(app::texts::kVb6SetupKey, app::texts::kVb6ProductDir);
  if (folder.empty())
    return folder;
  if (folder.back() != '\\')
    folder += '\\';
  return folder + app::texts::kCompilerBelowVb6;
}

std::string StoredCompiler(app::Settings& settings) {
  return settings.Get(app::texts::kAppTitle, app::texts::kSection, app::texts::kKeyRcExe, "");
}

} // namespace

std::string LocateCompiler(const CompilerPlaces& places) {
  const std::string candidates[] = {Vb6Compiler(places.registry),
                                    StoredCompiler(places.settings),
                                    places.files.AppFolder() + places.bundledName};
  for (const std::string& candidate : candidates)
    if (places.files.FileExists(candidate))
      return candidate;
  return std::string();
}

std::string DescribeCompilerPlaces(const CompilerPlaces& places) {
  std::string vb6 = Vb6Compiler(places.registry);
  std::string stored = StoredCompiler(places.settings);
  return "Visual Basic 6 (" + (vb6.empty() ? std::string("not registered") : vb6) +
         "), the setting " + app::texts::kKeyRcExe + " (" +
         (stored.empty() ? std::string("not set") : stored) + "), " +
         places.files.AppFolder() + places.bundledName;
}

std::string LocateTemplate(generation::FileOperations& files, const std::string& dataFolder) {
  if (dataFolder.empty() || files.FileExists(files.AppFolder() + kReadmeTemplateName))
    return std::string();
  const std::string installed =
      files.AppFolder() + dataFolder + files.PathSeparator() + kReadmeTemplateName;
  return files.FileExists(installed) ? installed : std::string();
}

std::string SystemRegistry::ReadLocalMachineString(const std::string& subKey,
                                                   const std::string& valueName) {
  return BraskModule::RegReadString(BraskModule::kHkeyLocalMachine, subKey, valueName);
}

std::string SystemSettings::Get(const std::string& application, const std::string& section,
                                const std::string& key, const std::string& defaultValue) {
  return BraskModule::GetSetting(application, section, key, defaultValue);
}

void SystemSettings::Save(const std::string& application, const std::string& section,
                          const std::string& key, const std::string& value) {
  BraskModule::SaveSetting(application, section, key, value);
}

} // namespace batch
