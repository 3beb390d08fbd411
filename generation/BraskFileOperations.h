#pragma once
// The generation's file and process operations as the utility module performs them.

#include "generation/Driver.h"

namespace generation {

class BraskFileOperations : public FileOperations {
public:
  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void SetNormalAttributes(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void WriteTextFile(const std::string& path, const std::string& text) override;
  std::string ReadWholeFile(const std::string& path) override;
  void RunAndWait(const std::string& commandLine) override;
  std::string AppFolder() override;
  std::string AnsiToUtf8(const std::string& text) override;
  char PathSeparator() override;
};

} // namespace generation
