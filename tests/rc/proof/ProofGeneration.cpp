// One generation for the probe, done as the tool does it: the folder probe makes the
// target's folder current, the manifest and script are written there, and the compiler
// runs with the tool's own command line. The probe has this program's width: the i686 build
// proves the manifest exactly as the tool writes it (X86, for 32-bit Visual Basic programs);
// the x86_64 build's copy says amd64, so that a 64-bit probe takes it.
//
// proof_generation <rc.exe> <target path> -> exit 0 when the .res exists afterwards.

#include "generation/Manifest.h"
#include "generation/OutputNames.h"
#include "generation/Placeholders.h"
#include "generation/ResourceScript.h"
#include "util/BraskModule.h"

#include <cstdio>
#include <fstream>

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text << "\r\n";
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: proof_generation <rc.exe> <target.exe>\n");
    return 2;
  }
  const std::string rcExe = argv[1];
  const OutputNames names = DeriveOutputNames(argv[2]);
  if (!BraskModule::FolderExists(names.probeFolder)) {
    std::fprintf(stderr, "cannot enter %s\n", names.probeFolder.c_str());
    return 2;
  }
  std::string manifest = BuildManifestText("1.0.0.0", names.fileName, "Wine proof probe");
  if (sizeof(void*) == 8)
    manifest = generation::ReplaceAll(manifest, "processorArchitecture=\"X86\"",
                                      "processorArchitecture=\"amd64\"");
  WriteText(names.ManifestPath(), manifest);
  WriteText(names.ScriptPath(), BuildResourceScript(names.manifestName));
  BraskModule::RunAndWait(
      BuildCompilerCommand(rcExe, names.folder, names.outputName, names.scriptName));
  std::FILE* res = std::fopen(names.OutputPath().c_str(), "rb");
  if (!res) {
    std::fprintf(stderr, "no %s after the compiler ran\n", names.OutputPath().c_str());
    return 1;
  }
  std::fclose(res);
  std::printf("%s\n", names.OutputPath().c_str());
  return 0;
}
