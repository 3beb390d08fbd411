#pragma once
// The programs, libraries and type libraries that mingw and widl built for these tests.

#include <string>

namespace testsupport {

/// A file of the build's fixture folder. Under Wine the Unix root is drive Z:.
inline std::string Fixture(const std::string& name) {
  std::string folder = THEMEFOLD_READERS_FIXTURES;
#ifdef _WIN32
  if (!folder.empty() && folder[0] == '/')
    folder = "Z:" + folder;
#endif
  return folder + "/" + name;
}

} // namespace testsupport
