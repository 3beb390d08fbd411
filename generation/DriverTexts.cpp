#include "generation/DriverTexts.h"

namespace generation::texts {

std::string OverwriteOutput(const std::string& outputName) {
  return "File \"" + outputName + "\" already exist!\r\n\r\nOverwrite?";
}

std::string OverwriteModule(const std::string& path) {
  return "File\r\n\"" + path + "\"\r\nalready exist!\r\n\r\nOverwrite ?";
}

std::string ModuleWriteFailed(const std::string& path, const base::SystemError& error) {
  return "Error writing \"" + path + "\"\r\n" + error.Description() + "\r\nCode " +
         std::to_string(error.Number());
}

std::string OutputInTheWay(const std::string& path, const char* what) {
  return "\"" + path + "\" is " + what + ". Nothing was changed.";
}

std::string CompilerNotStarted(const base::SystemError& error) {
  return std::string(kCompileFailed) + " " + error.Description();
}

std::string FileOperationFailed(const base::SystemError& error) {
  return error.Operation() + " \"" + error.Path() + "\" failed:\r\n" + error.Description() +
         "\r\nCode " + std::to_string(error.Number());
}

std::string ComponentsParagraph(const std::vector<ComponentFacts>& components) {
  std::string files;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0)
      files += i + 1 == components.size() ? " and " : ", ";
    files += components[i].fileName;
  }
  return "\r\n\r\nComponents: copy " + files +
         " beside the program, in the folders named here; they need no registration. "
         "The Visual Basic 6 SP6 runtime is needed on the user's machine.";
}

} // namespace generation::texts
