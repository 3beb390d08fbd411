#include "generation/OutputNames.h"

#include "generation/ModuleText.h"
#include "util/BraskModule.h"

OutputNames DeriveOutputNames(const std::string& targetPath, char separator) {
  OutputNames names;
  if (separator == '\\') {
    names.probeFolder = BraskModule::GetPathPart(targetPath);
  } else {
    const std::string::size_type cut = targetPath.rfind(separator);
    names.probeFolder = cut == std::string::npos ? targetPath : targetPath.substr(0, cut + 1);
  }
  names.folder = names.probeFolder;
  if (names.folder.empty() || names.folder.back() != separator)
    names.folder += separator;
  names.fileName = BraskModule::GetFileName(targetPath);
  names.baseName = BraskModule::StripExtension(names.fileName);
  names.outputName = names.baseName + "_manifest.res";
  names.moduleName = generation::kModuleFileName;
  return names;
}
