// Build-time helper, compiled for the build machine: writes the program's own manifest with
// the same function and the same file rule (text, then CR LF) as a generation does, so the
// program carries exactly what it hands out.
//
//   WriteOwnManifest OUTPUT VERSION EXENAME DESCRIPTION ARCHITECTURE

#include "generation/Manifest.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s OUTPUT VERSION EXENAME DESCRIPTION ARCHITECTURE\n", argv[0]);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << BuildManifestText(argv[2], argv[3], argv[4], argv[5]) << "\r\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
