#include "batch/Locator.h"

#include "generation/OutputNames.h"

namespace batch {

std::string LocateTemplate(platform::FileOperations& files, const std::string& dataFolder) {
  if (dataFolder.empty() || files.FileExists(files.AppFolder() + generation::kReadmeTemplateName))
    return std::string();
  const std::string installed =
      files.AppFolder() + dataFolder + files.PathSeparator() + generation::kReadmeTemplateName;
  return files.FileExists(installed) ? installed : std::string();
}

} // namespace batch
