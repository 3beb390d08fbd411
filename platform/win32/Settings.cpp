// Win32 only: the per-user settings store where the Visual Basic runtime keeps it, so
// values saved by earlier versions of this program are found:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, REG_SZ.
#include <windows.h>

#include "platform/Platform.h"

namespace platform {
namespace {

std::string SectionKey(const std::string& application, const std::string& section) {
  return "Software\\VB and VBA Program Settings\\" + application + "\\" + section;
}

class Key {
public:
  Key() = default;
  ~Key() {
    if (key_)
      RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

private:
  HKEY key_ = nullptr;
};

} // namespace

std::optional<std::string> ReadSetting(const std::string& application, const std::string& section,
                                       const std::string& key) {
  if (application.empty() || section.empty())
    return std::nullopt;
  Key handle;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionKey(application, section).c_str(), 0, KEY_QUERY_VALUE,
                    handle.out()) != ERROR_SUCCESS)
    return std::nullopt;
  // Sized first, then read, so a value of any length comes back whole.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(handle.get(), key.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    std::string value(size, '\0');
    const LONG status = RegQueryValueExA(handle.get(), key.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(value.data()), &size);
    if (status == ERROR_MORE_DATA)
      continue; // changed between the two calls
    if (status != ERROR_SUCCESS)
      return std::nullopt;
    value.resize(size);
    const std::size_t nul = value.find('\0');
    if (nul != std::string::npos)
      value.resize(nul);
    return value;
  }
  return std::nullopt;
}

bool WriteSetting(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& value) {
  if (application.empty() || section.empty())
    return false;
  Key handle;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey(application, section).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, handle.out(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExA(handle.get(), key.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace platform
