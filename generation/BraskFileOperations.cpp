#include "generation/BraskFileOperations.h"

#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace generation {

bool BraskFileOperations::FolderExists(const std::string& path) {
  return BraskModule::FolderExists(path);
}
bool BraskFileOperations::FileExists(const std::string& path) {
  return BraskModule::FileExists(path);
}
void BraskFileOperations::SetNormalAttributes(const std::string& path) {
  BraskModule::SetNormalAttributes(path);
}
void BraskFileOperations::RemoveFile(const std::string& path) { BraskModule::RemoveFile(path); }
void BraskFileOperations::WriteTextFile(const std::string& path, const std::string& text) {
  BraskModule::WriteTextFile(path, text);
}
std::string BraskFileOperations::ReadWholeFile(const std::string& path) {
  return BraskModule::ReadWholeFile(path);
}
void BraskFileOperations::RunAndWait(const std::string& commandLine) {
  BraskModule::RunAndWait(commandLine);
}
std::string BraskFileOperations::AppFolder() { return BraskModule::AppFolder(); }
std::string BraskFileOperations::AnsiToUtf8(const std::string& text) {
  return BraskModule::AnsiToUtf8(text);
}
char BraskFileOperations::PathSeparator() { return platform::PathSeparator(); }

} // namespace generation
