#include "platform/Ports.h"

#include "base/Path.h"
#include "platform/BraskModule.h"
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

class SystemHeld final : public HeldBytes {
public:
  SystemHeld(const std::string& path, std::size_t limit) : file_(path, limit) {}
  std::string_view Bytes() const override { return file_.Bytes(); }
  bool Whole() const override { return file_.Whole(); }

private:
  MappedFile file_;
};

/// Throws InvalidName for a path the system would cut short at its NUL.
void RefuseNul(const char* operation, const std::string& path) {
  if (path::HasNul(path))
    throw InvalidName(operation, path);
}

} // namespace

// A path with a NUL never reaches the system, which would take it as the name before the
// NUL: probes answer as for a name nothing has, services throw InvalidName.

bool SystemFiles::NameExists(const std::string& path) {
  return !path::HasNul(path) && platform::NameExists(path);
}
bool SystemFiles::FileExists(const std::string& path) {
  return !path.empty() && !path::HasNul(path) && !CanEnterFolder(path) && HasAttributes(path);
}
bool SystemFiles::FolderExists(const std::string& path) {
  return !path::HasNul(path) && CanEnterFolder(path);
}
bool SystemFiles::IsLink(const std::string& path) {
  return !path::HasNul(path) && platform::IsLink(path);
}
bool SystemFiles::IsFolder(const std::string& path) {
  return !path::HasNul(path) && platform::IsFolder(path);
}
bool SystemFiles::IsPlainFile(const std::string& path) {
  return !path::HasNul(path) && platform::IsPlainFile(path);
}
bool SystemFiles::IsReadOnly(const std::string& path) {
  return !path::HasNul(path) && platform::IsReadOnly(path);
}
std::vector<std::string> SystemFiles::FolderEntries(const std::string& folder) {
  if (path::HasNul(folder))
    return {};
  return platform::FolderEntries(folder);
}
char SystemFiles::PathSeparator() { return platform::PathSeparator(); }
std::string SystemFiles::CurrentDirectory() { return platform::CurrentDirectory(); }
std::string SystemFiles::CanonicalPath(const std::string& path) {
  return platform::CanonicalPath(path);
}
bool SystemFiles::CanCreateIn(const std::string& folder, std::string& why) {
  return platform::CanCreateIn(folder, why);
}
std::string SystemFiles::ReadBytes(const std::string& path, std::size_t limit) {
  RefuseNul("Open", path);
  return ReadFileBytes(path, limit);
}
std::string SystemFiles::ReadRange(const std::string& path, std::uint64_t offset,
                                   std::size_t count) {
  RefuseNul("Open", path);
  return ReadableFile(path).ReadAt(offset, count);
}
std::unique_ptr<OpenFile> SystemFiles::Open(const std::string& path) {
  RefuseNul("Open", path);
  return std::make_unique<SystemOpenFile>(path);
}
std::unique_ptr<HeldBytes> SystemFiles::Hold(const std::string& path, std::size_t limit) {
  RefuseNul("Open", path);
  return std::make_unique<SystemHeld>(path, limit);
}
bool FilePort::SameContents(const std::string& path, const std::vector<std::string_view>& parts) {
  constexpr std::size_t kWindow = std::size_t{1} << 20;
  const std::unique_ptr<OpenFile> file = Open(path);
  const std::uint64_t total = PartsReader::Size(parts);
  if (file->Size() != total)
    return false;
  PartsReader reader(parts);
  for (std::uint64_t at = 0; at < total; at += kWindow) {
    const std::string read =
        file->ReadAt(at, static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, total - at)));
    std::string_view rest = read;
    bool same = true;
    reader.Next(read.size(), [&](std::string_view part) {
      same = same && rest.substr(0, part.size()) == part;
      rest.remove_prefix(std::min(rest.size(), part.size()));
    });
    if (!same)
      return false;
  }
  return true;
}
bool SystemFiles::SameContents(const std::string& path,
                               const std::vector<std::string_view>& parts) {
  RefuseNul("Open", path);
  return FileHolds(path, parts);
}
std::string SystemFiles::Stamp(const std::string& path) {
  RefuseNul("Read the time stamp of", path);
  return FileStamp(path);
}
bool SystemFiles::CreateNewFile(const std::string& path, const std::string& bytes, Keep keep) {
  RefuseNul("Create", path);
  return platform::CreateNewFile(path, bytes, keep == Keep::durable);
}
// A stretch of a few pages is written rather than copied: a call each costs more.
bool SystemFiles::CreateNewFileFrom(const std::string& path,
                                    const std::vector<std::string_view>& parts,
                                    const std::string& source, const std::vector<SameStretch>& same,
                                    Keep keep) {
  constexpr std::uint64_t kWorthCopying = 1 << 16;
  RefuseNul("Create", path);
  NewFile file;
  if (!file.Create(path))
    return false;
  const std::uint64_t total = PartsReader::Size(parts);
  PartsReader reader(parts);
  auto write = [&](std::uint64_t size) {
    reader.Next(size, [&file](std::string_view part) { file.Write(part); });
  };
  std::uint64_t at = 0;
  std::unique_ptr<ReadableFile> from;
  try {
    if (!same.empty() && !path::HasNul(source))
      from = std::make_unique<ReadableFile>(source);
  } catch (const base::SystemError&) {
    // Then every byte is written.
  }
  for (const SameStretch& s : same) {
    if (!from || s.size < kWorthCopying || s.to < at || s.to + s.size > total)
      continue;
    write(s.to - at);
    const std::uint64_t copied = file.Copy(from->Handle(), s.from, s.size);
    reader.Next(copied, [](std::string_view) {});
    at = s.to + copied;
  }
  write(total - at);
  file.Close(keep == Keep::durable);
  return true;
}
void SystemFiles::RenameOver(const std::string& from, const std::string& to) {
  RefuseNul("Replace", to);
  RefuseNul("Replace", from);
  platform::RenameOver(from, to);
}
bool SystemFiles::RenameNoReplace(const std::string& from, const std::string& to) {
  RefuseNul("Rename", to);
  RefuseNul("Rename", from);
  return platform::RenameNoReplace(from, to);
}
void SystemFiles::RemoveFile(const std::string& path) {
  RefuseNul("Delete", path);
  platform::RemoveFile(path);
}
void SystemFiles::SetNormalAttributes(const std::string& path) {
  RefuseNul("Set attributes of", path);
  platform::SetNormalAttributes(path);
}
void SystemFiles::CopyPermissions(const std::string& from, const std::string& to) {
  RefuseNul("Read the permissions of", from);
  RefuseNul("Set the permissions of", to);
  platform::CopyPermissions(from, to);
}
void SystemFiles::TouchFile(const std::string& path) {
  RefuseNul("Set the time stamp of", path);
  platform::TouchFile(path);
}
bool SystemFiles::InUse(const std::string& path) {
  return !path::HasNul(path) && platform::InUse(path);
}
bool SystemFiles::LinkFile(const std::string& from, const std::string& to) {
  return !path::HasNul(from) && !path::HasNul(to) && platform::LinkFile(from, to);
}
unsigned SystemFiles::LinkCount(const std::string& path) {
  return path::HasNul(path) ? 1 : platform::LinkCount(path);
}
std::string SystemFiles::MakePrivateFolder() { return platform::MakePrivateFolder(); }
void SystemFiles::RemoveFolder(const std::string& path) { platform::RemoveFolder(path); }

void SystemProcesses::RunAndWait(const std::string& commandLine, const std::string& workingFolder) {
  RefuseNul("Start", commandLine);
  RefuseNul("Start in", workingFolder);
  RunHiddenAndWait(commandLine, workingFolder, showOutput_);
}
unsigned long SystemProcesses::ProcessId() { return platform::ProcessId(); }
bool SystemProcesses::ProcessRunning(unsigned long id) { return platform::ProcessRunning(id); }
std::string SystemProcesses::ProcessIdentity(unsigned long id) {
  return platform::ProcessIdentity(id);
}
std::uint64_t SystemProcesses::RandomBits() { return platform::RandomBits(); }

void SystemTracker::Track(const std::string& path) { TrackTemporaryFile(path); }
void SystemTracker::Untrack(const std::string& path) { UntrackTemporaryFile(path); }

FilePort& TheSystemFiles() {
  static SystemFiles files;
  return files;
}

std::string SystemFileOperations::ReadWholeFile(const std::string& path) {
  return brask::ReadWholeFile(path);
}
std::string SystemFileOperations::AppFolder() { return brask::AppFolder(); }
std::string SystemFileOperations::AnsiToUtf8(const std::string& text, unsigned codePage) {
  return platform::AnsiToUtf8(text, codePage);
}

} // namespace platform
