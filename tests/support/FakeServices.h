#pragma once
// The settings store and the registry as tables, for both front ends.

#include <map>
#include <string>
#include <vector>

#include "front/Services.h"

namespace fakes {

class Settings : public front::Settings {
public:
  std::map<std::string, std::string> values; ///< "application/section/key"
  std::vector<std::string> writes;

  std::string Get(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& defaultValue) override {
    auto it = values.find(application + "/" + section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
  }
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override {
    writes.push_back(application + "/" + section + "/" + key + "=" + value);
    values[application + "/" + section + "/" + key] = value;
  }
};

class Registry : public front::Registry {
public:
  std::map<std::string, std::string> values; ///< "subKey|valueName"
  std::string ReadLocalMachineString(const std::string& subKey,
                                     const std::string& valueName) override {
    auto it = values.find(subKey + "|" + valueName);
    return it == values.end() ? "" : it->second;
  }
};

} // namespace fakes
