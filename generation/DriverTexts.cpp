#include "generation/DriverTexts.h"

namespace generation::texts {

std::string OverwriteOutput(const std::string& outputName) {
  return "File \"" + outputName + "\" already exist!\r\n\r\nOverwrite?";
}

std::string OverwriteModule(const std::string& path) {
  return "File\r\n\"" + path + "\"\r\nalready exist!\r\n\r\nOverwrite ?";
}

std::string ModuleWriteFailed(const std::string& path, const SystemError& error) {
  return "Error writing \"" + path + "\"\r\n" + error.Description() + "\r\nCode " +
         std::to_string(error.Number());
}

std::string FileOperationFailed(const SystemError& error) {
  return error.Operation() + " failed: \"" + error.Path() + "\"\r\n" + error.Description() +
         "\r\nCode " + std::to_string(error.Number());
}

} // namespace generation::texts
