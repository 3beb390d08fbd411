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
  bool CreateNewTextFile(const std::string& path, const std::string& text) override;
  void RenameOver(const std::string& from, const std::string& to) override;
  std::string ReadWholeFile(const std::string& path) override;
  std::string ReadBytes(const std::string& path, std::size_t limit) override;
  std::string ReadRange(const std::string& path, std::uint64_t offset,
                        std::size_t count) override;
  bool CreateNewFile(const std::string& path, const std::string& bytes) override;
  bool CreateScratchTextFile(const std::string& path, const std::string& text) override;
  bool IsReadOnly(const std::string& path) override;
  void CopyPermissions(const std::string& from, const std::string& to) override;
  void TouchFile(const std::string& path) override;
  bool InUse(const std::string& path) override;
  bool LinkFile(const std::string& from, const std::string& to) override;
  void RunAndWait(const std::string& commandLine) override;
  std::string AppFolder() override;
  std::string AnsiToUtf8(const std::string& text, unsigned codePage) override;
  char PathSeparator() override;
  bool IsLink(const std::string& path) override;
  bool IsFolder(const std::string& path) override;
  bool IsPlainFile(const std::string& path) override;
  std::vector<std::string> FolderEntries(const std::string& folder) override;
  unsigned long ProcessId() override;
  bool ProcessRunning(unsigned long id) override;
  std::uint64_t RandomBits() override;
  void TrackTemporaryFile(const std::string& path, bool tracked) override;
};

} // namespace generation
