#include "front/Services.h"

#include "util/BraskModule.h"

namespace front {

std::string SystemSettings::Get(const std::string& application, const std::string& section,
                                const std::string& key, const std::string& defaultValue) {
  return BraskModule::GetSetting(application, section, key, defaultValue);
}

void SystemSettings::Save(const std::string& application, const std::string& section,
                          const std::string& key, const std::string& value) {
  BraskModule::SaveSetting(application, section, key, value);
}

std::string SystemRegistry::ReadLocalMachineString(const std::string& subKey,
                                                   const std::string& valueName) {
  return BraskModule::RegReadString(BraskModule::kHkeyLocalMachine, subKey, valueName);
}

} // namespace front
