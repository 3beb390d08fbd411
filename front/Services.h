#pragma once
// The system as both front ends read it: the per-user settings and the machine's registry,
// as small interfaces (fakes in the tests), and the real ones through the utility module.

#include <string>

namespace front {

/// The per-user settings store; a missing key reads as defaultValue.
class Settings {
public:
  virtual ~Settings() = default;
  virtual std::string Get(const std::string& application, const std::string& section,
                          const std::string& key, const std::string& defaultValue) = 0;
  virtual void Save(const std::string& application, const std::string& section,
                    const std::string& key, const std::string& value) = 0;
};

/// The registry of the machine, read only.
class Registry {
public:
  virtual ~Registry() = default;
  virtual std::string ReadLocalMachineString(const std::string& subKey,
                                             const std::string& valueName) = 0;
};

class SystemSettings : public Settings {
public:
  std::string Get(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& defaultValue) override;
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override;
};

class SystemRegistry : public Registry {
public:
  std::string ReadLocalMachineString(const std::string& subKey,
                                     const std::string& valueName) override;
};

} // namespace front
