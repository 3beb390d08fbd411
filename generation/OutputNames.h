#pragma once
#include <string>

namespace generation {

/// Every name one generation uses, derived once from the target path.
struct OutputNames {
  std::string probeFolder; ///< the folder part as taken from the path, for the folder check
  std::string folder;      ///< probeFolder with its trailing separator
  std::string fileName;    ///< App.exe
  std::string baseName;    ///< App ("" for a name without a dot)
  std::string outputName;  ///< App_manifest.res, the lasting result
  std::string moduleName;  ///< generation::kModuleFileName

  std::string OutputPath() const { return folder + outputName; }
  std::string ModulePath() const { return folder + moduleName; }
};

/// What follows the program's base name in the resource file's name.
inline constexpr const char* kOutputSuffix = "_manifest.res";

/// Names for targetPath. Windows paths use '\\'; a POSIX front end passes '/' as separator.
OutputNames DeriveOutputNames(const std::string& targetPath, char separator = '\\');

/// The instructions template beside the program.
inline constexpr const char* kReadmeTemplateName = "readme.txt";

} // namespace generation
