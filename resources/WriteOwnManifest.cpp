// Build-time helper, compiled for the build machine: writes a program's own manifest with
// the same function and the same file rule (text, then CR LF) as a generation does, so the
// programs carry exactly what they hand out. Settings are spelt as themefold-batch spells
// them.
//
//   WriteOwnManifest OUTPUT VERSION EXENAME DESCRIPTION ARCHITECTURE
//                    [--supported-os] [--execution-level LEVEL] [--dpi DPI]

#include "generation/Manifest.h"

#include <cstdio>
#include <cstring>
#include <fstream>

int main(int argc, char** argv) {
  generation::ManifestSettings settings;
  bool ok = argc >= 6;
  for (int i = 6; ok && i < argc; ++i) {
    if (std::strcmp(argv[i], "--supported-os") == 0)
      settings.supportedOs = true;
    else if (std::strcmp(argv[i], "--execution-level") == 0 && i + 1 < argc)
      ok = generation::ParseRunLevel(argv[++i], settings.runLevel);
    else if (std::strcmp(argv[i], "--dpi") == 0 && i + 1 < argc)
      ok = generation::ParseDpi(argv[++i], settings.dpi);
    else
      ok = false;
  }
  if (!ok) {
    std::fprintf(stderr,
                 "usage: %s OUTPUT VERSION EXENAME DESCRIPTION ARCHITECTURE [--supported-os] "
                 "[--execution-level LEVEL] [--dpi DPI]\n",
                 argv[0]);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << generation::BuildManifestText(argv[2], argv[3], argv[4], argv[5], settings) << "\r\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
