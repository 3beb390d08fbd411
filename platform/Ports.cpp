#include "platform/Ports.h"

#include "platform/Platform.h"
#include "platform/Stopping.h"

namespace platform {

namespace {

class SystemOpenFile final : public OpenFile {
public:
  explicit SystemOpenFile(const std::string& path) : file_(path) {}
  std::uint64_t Size() const override { return file_.Size(); }
  std::string ReadAt(std::uint64_t offset, std::size_t count) const override {
    return file_.ReadAt(offset, count);
  }

private:
  ReadableFile file_;
};

} // namespace

bool SystemFiles::NameExists(const std::string& path) { return platform::NameExists(path); }
bool SystemFiles::FileExists(const std::string& path) {
  return !path.empty() && !CanEnterFolder(path) && HasAttributes(path);
}
bool SystemFiles::FolderExists(const std::string& path) { return CanEnterFolder(path); }
bool SystemFiles::IsLink(const std::string& path) { return platform::IsLink(path); }
bool SystemFiles::IsFolder(const std::string& path) { return platform::IsFolder(path); }
bool SystemFiles::IsPlainFile(const std::string& path) { return platform::IsPlainFile(path); }
bool SystemFiles::IsReadOnly(const std::string& path) { return platform::IsReadOnly(path); }
std::vector<std::string> SystemFiles::FolderEntries(const std::string& folder) {
  return platform::FolderEntries(folder);
}
char SystemFiles::PathSeparator() { return platform::PathSeparator(); }
std::string SystemFiles::ReadBytes(const std::string& path, std::size_t limit) {
  return ReadFileBytes(path, limit);
}
std::string SystemFiles::ReadRange(const std::string& path, std::uint64_t offset,
                                   std::size_t count) {
  return ReadableFile(path).ReadAt(offset, count);
}
std::unique_ptr<OpenFile> SystemFiles::Open(const std::string& path) {
  return std::make_unique<SystemOpenFile>(path);
}
bool SystemFiles::CreateNewFile(const std::string& path, const std::string& bytes, Keep keep) {
  return platform::CreateNewFile(path, bytes, keep == Keep::durable);
}
void SystemFiles::RenameOver(const std::string& from, const std::string& to) {
  platform::RenameOver(from, to);
}
void SystemFiles::RemoveFile(const std::string& path) { platform::RemoveFile(path); }
void SystemFiles::SetNormalAttributes(const std::string& path) {
  platform::SetNormalAttributes(path);
}
void SystemFiles::CopyPermissions(const std::string& from, const std::string& to) {
  platform::CopyPermissions(from, to);
}
void SystemFiles::TouchFile(const std::string& path) { platform::TouchFile(path); }
bool SystemFiles::InUse(const std::string& path) { return platform::InUse(path); }
bool SystemFiles::LinkFile(const std::string& from, const std::string& to) {
  return platform::LinkFile(from, to);
}

void SystemProcesses::RunAndWait(const std::string& commandLine, const std::string& workingFolder) {
  RunHiddenAndWait(commandLine, workingFolder, showOutput_);
}
unsigned long SystemProcesses::ProcessId() { return platform::ProcessId(); }
bool SystemProcesses::ProcessRunning(unsigned long id) { return platform::ProcessRunning(id); }
std::uint64_t SystemProcesses::RandomBits() { return platform::RandomBits(); }

void SystemTracker::Track(const std::string& path) { TrackTemporaryFile(path); }
void SystemTracker::Untrack(const std::string& path) { UntrackTemporaryFile(path); }

FilePort& TheSystemFiles() {
  static SystemFiles files;
  return files;
}

} // namespace platform
