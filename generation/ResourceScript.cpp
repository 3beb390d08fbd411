#include "generation/ResourceScript.h"

namespace generation {

std::string BuildResourceScript(const std::string& manifestName) {
  // Each definition is 50 characters, the values ending in column 50.
  return "#define CREATEPROCESS_MANIFEST_RESOURCE_ID       1\r\n"
         "#define RT_MANIFEST                             24\r\n"
         "#define CONTROL_PANEL_RESOURCE_ID              123\r\n"
         "\r\n"
         "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"" +
         manifestName + "\"";
}

std::string BuildCompilerCommand(const std::string& rcExePath, const std::string& folder,
                                 const std::string& outputName, const std::string& scriptName) {
  return "\"" + rcExePath + "\" /r /fo \"" + folder + outputName + "\" \"" + folder + scriptName +
         "\"";
}

} // namespace generation
