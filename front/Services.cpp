#include "front/Services.h"

#include "platform/BraskModule.h"

namespace front {

std::string SystemSettings::Get(const std::string& application, const std::string& section,
                                const std::string& key, const std::string& defaultValue) {
  return brask::GetSetting(application, section, key, defaultValue);
}

void SystemSettings::Save(const std::string& application, const std::string& section,
                          const std::string& key, const std::string& value) {
  brask::SaveSetting(application, section, key, value);
}

std::string SystemRegistry::ReadLocalMachineString(const std::string& subKey,
                                                   const std::string& valueName) {
  return brask::RegReadString(brask::kHkeyLocalMachine, subKey, valueName);
}

} // namespace front
