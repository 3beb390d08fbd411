#include "generation/OutputNames.h"

#include "base/Path.h"
#include "generation/ModuleText.h"

namespace generation {

OutputNames DeriveOutputNames(const std::string& targetPath, char separator) {
  OutputNames names;
  if (separator == '\\') {
    names.probeFolder = brask::GetPathPart(targetPath);
  } else {
    // As GetPathPart has it: with no folder part the whole path is the folder.
    names.probeFolder = path::Folder(targetPath, path::StyleOf(separator));
    if (names.probeFolder.empty())
      names.probeFolder = targetPath;
  }
  names.folder = names.probeFolder;
  if (names.folder.empty() || names.folder.back() != separator)
    names.folder += separator;
  names.fileName = brask::GetFileName(targetPath);
  names.baseName = brask::StripExtension(names.fileName);
  names.outputName = names.baseName + kOutputSuffix;
  names.moduleName = generation::kModuleFileName;
  return names;
}

} // namespace generation
