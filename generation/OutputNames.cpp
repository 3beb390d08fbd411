#include "generation/OutputNames.h"

#include "generation/ModuleText.h"
#include "util/BraskModule.h"

namespace generation {

OutputNames DeriveOutputNames(const std::string& targetPath, char separator) {
  OutputNames names;
  if (separator == '\\') {
    names.probeFolder = brask::GetPathPart(targetPath);
  } else {
    const std::string::size_type cut = targetPath.rfind(separator);
    names.probeFolder = cut == std::string::npos ? targetPath : targetPath.substr(0, cut + 1);
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
