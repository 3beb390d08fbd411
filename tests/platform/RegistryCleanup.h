#pragma once
// Windows test code only: removes a key made by a test, with everything below it.
// (RegDeleteTree is newer than the oldest Windows the program targets.)
#include <windows.h>

#include <string>

namespace testsupport {

inline bool DeleteKeyTree(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    char name[256];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS)
      if (!DeleteKeyTree(key, name))
        break;
    RegCloseKey(key);
  }
  return RegDeleteKeyA(root, subKey.c_str()) == ERROR_SUCCESS;
}

} // namespace testsupport
