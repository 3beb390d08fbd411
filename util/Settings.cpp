#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultValue) {
  return platform::ReadSetting(application, section, key).value_or(defaultValue);
}

void SaveSetting(const std::string& application, const std::string& section,
                 const std::string& key, const std::string& value) {
  // Losing one saved field is better than stopping the program as it closes.
  (void)platform::WriteSetting(application, section, key, value);
}

std::string AnsiToUtf8(const std::string& text, unsigned codePage) {
  return platform::AnsiToUtf8(text, codePage);
}

} // namespace brask
