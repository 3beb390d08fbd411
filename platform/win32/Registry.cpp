// Win32 only: one registry value, read with the calls and the buffer the caller's contract
// names (RegOpenKeyA without an access mask, one RegQueryValueExA, RegCloseKey always).
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/FromInteger.h"

namespace platform {
namespace {

// The predefined roots arrive as their 32-bit values (0x80000002); 64-bit Windows spells
// them sign-extended. Handles keep their meaning when cut to 32 bits and sign-extended
// back, so every key goes through the same widening.
HKEY AsKey(std::uintptr_t value) {
  return win32::FromInteger<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

} // namespace

RegistryQuery QueryRegistryValue(std::uintptr_t rootKey, const std::string& subKey,
                                 const std::string& valueName, std::size_t bufferSize) {
  RegistryQuery query;
  query.buffer.assign(bufferSize, ' ');
  HKEY key = nullptr;
  // A failed open leaves key null, and the query on it fails in turn.
  RegOpenKeyA(AsKey(rootKey), subKey.c_str(), &key);
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
