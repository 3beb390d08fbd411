#include "generation/BraskFileOperations.h"

#include "platform/Platform.h"
#include "platform/Stopping.h"
#include "util/BraskModule.h"

namespace generation {

bool BraskFileOperations::FolderExists(const std::string& path) {
  return brask::FolderExists(path);
}
bool BraskFileOperations::FileExists(const std::string& path) {
  return brask::FileExists(path);
}
void BraskFileOperations::SetNormalAttributes(const std::string& path) {
  brask::SetNormalAttributes(path);
}
void BraskFileOperations::RemoveFile(const std::string& path) { brask::RemoveFile(path); }
void BraskFileOperations::WriteTextFile(const std::string& path, const std::string& text) {
  brask::WriteTextFile(path, text);
}
bool BraskFileOperations::CreateNewTextFile(const std::string& path, const std::string& text) {
  return platform::CreateNewFile(path, text + "\r\n");
}
void BraskFileOperations::RenameOver(const std::string& from, const std::string& to) {
  platform::RenameOver(from, to);
}
std::string BraskFileOperations::ReadWholeFile(const std::string& path) {
  return brask::ReadWholeFile(path);
}
std::string BraskFileOperations::ReadBytes(const std::string& path, std::size_t limit) {
  return platform::ReadFileBytes(path, limit);
}
std::string BraskFileOperations::ReadRange(const std::string& path, std::uint64_t offset,
                                          std::size_t count) {
  return platform::ReadableFile(path).ReadAt(offset, count);
}
bool BraskFileOperations::CreateNewFile(const std::string& path, const std::string& bytes) {
  return platform::CreateNewFile(path, bytes);
}
bool BraskFileOperations::CreateScratchTextFile(const std::string& path,
                                                const std::string& text) {
  return platform::CreateNewFile(path, text + "\r\n", false);
}
bool BraskFileOperations::IsReadOnly(const std::string& path) {
  return platform::IsReadOnly(path);
}
void BraskFileOperations::CopyPermissions(const std::string& from, const std::string& to) {
  platform::CopyPermissions(from, to);
}
void BraskFileOperations::TouchFile(const std::string& path) { platform::TouchFile(path); }
bool BraskFileOperations::InUse(const std::string& path) { return platform::InUse(path); }
bool BraskFileOperations::LinkFile(const std::string& from, const std::string& to) {
  return platform::LinkFile(from, to);
}
void BraskFileOperations::RunAndWait(const std::string& commandLine) {
  brask::RunAndWait(commandLine);
}
std::string BraskFileOperations::AppFolder() { return brask::AppFolder(); }
std::string BraskFileOperations::AnsiToUtf8(const std::string& text, unsigned codePage) {
  return brask::AnsiToUtf8(text, codePage);
}
char BraskFileOperations::PathSeparator() { return platform::PathSeparator(); }
bool BraskFileOperations::IsLink(const std::string& path) { return platform::IsLink(path); }
bool BraskFileOperations::IsFolder(const std::string& path) { return platform::IsFolder(path); }
bool BraskFileOperations::IsPlainFile(const std::string& path) {
  return platform::IsPlainFile(path);
}
std::vector<std::string> BraskFileOperations::FolderEntries(const std::string& folder) {
  return platform::FolderEntries(folder);
}
unsigned long BraskFileOperations::ProcessId() { return platform::ProcessId(); }
bool BraskFileOperations::ProcessRunning(unsigned long id) {
  return platform::ProcessRunning(id);
}
std::uint64_t BraskFileOperations::RandomBits() { return platform::RandomBits(); }
void BraskFileOperations::TrackTemporaryFile(const std::string& path, bool tracked) {
  if (tracked)
    platform::TrackTemporaryFile(path);
  else
    platform::UntrackTemporaryFile(path);
}

} // namespace generation
