// One generation for the probe, done as the tool does it: the architecture is read from the
// target (a probe built without the manifest, then linked again with it), the folder probe
// makes the target's folder current, the manifest and script are written there, and the
// compiler runs with the tool's own command line. Manifest settings come as the settings
// store keeps them.
//
// proof_generation <rc.exe> <target path> [KEY=VALUE...] -> exit 0 when the .res exists
// afterwards.

#include "generation/Driver.h"
#include "generation/Manifest.h"
#include "generation/OutputNames.h"
#include "generation/ResourceScript.h"

#include <cstdio>
#include <fstream>
#include <map>

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text << "\r\n";
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: proof_generation <rc.exe> <target.exe> [KEY=VALUE...]\n");
    return 2;
  }
  std::map<std::string, std::string> stored;
  for (int i = 3; i < argc; ++i) {
    const std::string entry = argv[i];
    const std::string::size_type equals = entry.find('=');
    stored[entry.substr(0, equals)] =
        equals == std::string::npos ? std::string() : entry.substr(equals + 1);
  }
  const generation::ManifestSettings settings = generation::FromSettingEntries(
      [&stored](const std::string& key) { return stored.count(key) ? stored[key] : ""; });
  const std::string rcExe = argv[1];
  platform::SystemFileOperations files;
  const std::string architecture = generation::TargetArchitecture(files, argv[2]);
  const generation::OutputNames names = generation::DeriveOutputNames(argv[2]);
  if (!files.FolderExists(names.probeFolder)) {
    std::fprintf(stderr, "cannot enter %s\n", names.probeFolder.c_str());
    return 2;
  }
  const std::string manifest = generation::BuildManifestText(
      "1.0.0.0", names.fileName, "Wine proof probe", architecture, settings);
  const std::string manifestName = names.fileName + ".manifest";
  const std::string scriptName = names.baseName + "_manifest.rc";
  WriteText(names.folder + manifestName, manifest);
  WriteText(names.folder + scriptName, generation::BuildResourceScript(manifestName));
  files.RunAndWait(
      generation::BuildCompilerCommand(rcExe, names.folder, names.outputName, scriptName),
      names.folder);
  std::FILE* res = std::fopen(names.OutputPath().c_str(), "rb");
  if (!res) {
    std::fprintf(stderr, "no %s after the compiler ran\n", names.OutputPath().c_str());
    return 1;
  }
  std::fclose(res);
  std::printf("%s\n", names.OutputPath().c_str());
  return 0;
}
