// Win32 only: one registry value, read with the calls and the buffer the caller's contract
// names (RegOpenKeyA without an access mask, one RegQueryValueExA, RegCloseKey always).
#include <windows.h>

#include "platform/Platform.h"

namespace platform {

RegistryQuery QueryRegistryValue(std::uintptr_t rootKey, const std::string& subKey,
                                 const std::string& valueName, std::size_t bufferSize) {
  RegistryQuery query;
  query.buffer.assign(bufferSize, ' ');
  HKEY key = nullptr;
  // A failed open leaves key null, and the query on it fails in turn.
  RegOpenKeyA(reinterpret_cast<HKEY>(rootKey), subKey.c_str(), &key);
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(bufferSize);
  query.status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(query.buffer.data()), &size);
  query.type = type;
  query.dataSize = size;
  RegCloseKey(key);
  return query;
}

} // namespace platform
