#pragma once
// Files, processes and the stop handler's list as interfaces, so that the readers, the
// project and the generation run on the real system or on a fake alike. The System* classes
// are the real ones, on the functions of Platform.h and Stopping.h.
//
// Probes never throw; services throw SystemError. Nothing here changes the current
// directory.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/SystemError.h"

namespace platform {

/// Whether a new file must be on the disk when its creation returns.
enum class Keep {
  durable, ///< a file that lasts: a crash after a rename cannot leave it empty
  scratch, ///< a file that goes again within the run (the compiler's input)
};

/// A file open for reading by ranges: one file throughout, its length taken once.
class OpenFile {
public:
  virtual ~OpenFile() = default;
  virtual std::uint64_t Size() const = 0;
  /// count bytes from offset; fewer only where the file ends. Throws SystemError.
  virtual std::string ReadAt(std::uint64_t offset, std::size_t count) const = 0;
};

/// A file's bytes held whole for reading while the object lives.
class HeldBytes {
public:
  virtual ~HeldBytes() = default;
  virtual std::string_view Bytes() const = 0;
  /// False when the file was cut short meanwhile: Bytes() then no longer holds it.
  virtual bool Whole() const { return true; }
};

/// Bytes read into memory.
class HeldCopy final : public HeldBytes {
public:
  explicit HeldCopy(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string_view Bytes() const override { return bytes_; }

private:
  std::string bytes_;
};

/// A stretch of a new file that holds another file's bytes unchanged.
struct SameStretch {
  std::uint64_t from; ///< where it lies in the other file
  std::uint64_t to;   ///< and in the new one
  std::uint64_t size;
};

class FilePort {
public:
  virtual ~FilePort() = default;

  // ---- Probes ----
  /// True when a directory entry of that name exists, even a link that leads nowhere.
  virtual bool NameExists(const std::string& path) = 0;
  /// An existing file (hidden, read-only and system too); false for "" and for a folder that
  /// can be entered.
  virtual bool FileExists(const std::string& path) = 0;
  /// True when the folder exists and could be entered.
  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool IsLink(const std::string& path) = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  /// An existing file that is neither a link nor a device.
  virtual bool IsPlainFile(const std::string& path) = 0;
  virtual bool IsReadOnly(const std::string& path) = 0;
  /// The names in folder, without "." and ".."; none when it cannot be listed.
  virtual std::vector<std::string> FolderEntries(const std::string& folder) = 0;
  /// What separates folders in the paths the front ends pass.
  virtual char PathSeparator() = 0;
  /// The folder relative paths are taken from, without a final separator.
  virtual std::string CurrentDirectory() = 0;
  /// The one name of a file, its links and letter case resolved; "" when it has none.
  virtual std::string CanonicalPath(const std::string& path) = 0;
  /// Whether a new file could be created in folder now, asked without writing anything; false
  /// with the system's reason in why, which names no file.
  virtual bool CanCreateIn(const std::string& folder, std::string& why) = 0;

  // ---- Reading ----
  /// Every byte of a file of at most limit bytes; a larger one, a folder or a device throws.
  virtual std::string ReadBytes(const std::string& path, std::size_t limit) = 0;
  /// count bytes of a plain file from offset, fewer where it ends.
  virtual std::string ReadRange(const std::string& path, std::uint64_t offset,
                                std::size_t count) = 0;
  /// A regular file open for reading; a missing one, a folder or a device throws.
  virtual std::unique_ptr<OpenFile> Open(const std::string& path) = 0;
  /// ReadBytes held: the real files map the file instead of copying it. Windows cannot
  /// rename over or delete a file while it is held.
  virtual std::unique_ptr<HeldBytes> Hold(const std::string& path, std::size_t limit) {
    return std::make_unique<HeldCopy>(ReadBytes(path, limit));
  }
  /// Whether the file holds exactly the parts laid one after another, compared a window at a
  /// time: never held whole, nor joined.
  virtual bool SameContents(const std::string& path, const std::vector<std::string_view>& parts);
  /// What changes when the file is written or replaced, compared for equality only; here its
  /// bytes, the real files' identity, size and modification time.
  virtual std::string Stamp(const std::string& path) { return ReadBytes(path, std::string::npos); }

  // ---- Writing ----
  /// Creates path with the bytes only when nothing has the name (a link included); false
  /// when something has.
  virtual bool CreateNewFile(const std::string& path, const std::string& bytes, Keep keep) = 0;
  /// CreateNewFile of the parts laid one after another, where the system may copy the
  /// stretches, which follow one another in the new file, from the file source instead (as
  /// cp does): the parts are what the file holds all the same, and what it must be compared
  /// with.
  virtual bool CreateNewFileFrom(const std::string& path,
                                 const std::vector<std::string_view>& parts,
                                 const std::string& /*source*/,
                                 const std::vector<SameStretch>& /*same*/, Keep keep) {
    std::string bytes;
    for (const std::string_view part : parts)
      bytes += part;
    return CreateNewFile(path, bytes, keep);
  }
  /// Renames from to to, replacing a file there in one step.
  virtual void RenameOver(const std::string& from, const std::string& to) = 0;
  /// Renames from to to while nothing has that name; false when something has it.
  virtual bool RenameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  /// Clears read-only, hidden and system (POSIX: makes the file writable by its owner).
  virtual void SetNormalAttributes(const std::string& path) = 0;
  /// Gives to the permission bits, owner and group (Windows: the attributes) of from.
  virtual void CopyPermissions(const std::string& from, const std::string& to) = 0;
  /// Sets the file's modification time to now.
  virtual void TouchFile(const std::string& /*path*/) {}
  /// True when a running program holds the file, so that it cannot be replaced now.
  virtual bool InUse(const std::string& /*path*/) { return false; }
  /// Gives the file from the second name to; false when that cannot be done.
  virtual bool LinkFile(const std::string& /*from*/, const std::string& /*to*/) { return false; }
  /// How many names the file has: another one keeps the old bytes when this name is replaced.
  virtual unsigned LinkCount(const std::string& /*path*/) { return 1; }
  /// A new, empty folder of this run's own under the system's temporary folder, that only
  /// this user may enter; its path ends in the separator.
  virtual std::string MakePrivateFolder() = 0;
  /// Deletes an empty folder.
  virtual void RemoveFolder(const std::string& path) = 0;
};

class ProcessPort {
public:
  virtual ~ProcessPort() = default;
  /// Runs commandLine in workingFolder and blocks until it has ended; a program that cannot
  /// start throws base::SystemError with the system's reason.
  virtual void RunAndWait(const std::string& commandLine, const std::string& workingFolder) = 0;
  /// What names a run's temporary files and tells them from a killed run's.
  virtual unsigned long ProcessId() = 0;
  virtual bool ProcessRunning(unsigned long id) = 0;
  /// Tells a running process from an earlier one that had its id; "" when none runs.
  virtual std::string ProcessIdentity(unsigned long id) = 0;
  virtual std::uint64_t RandomBits() = 0;
};

/// The files and folders a stop request removes (platform/Stopping.h).
class TemporaryTracker {
public:
  virtual ~TemporaryTracker() = default;
  virtual void Track(const std::string& path) = 0;
  virtual void Untrack(const std::string& path) = 0;
};

// The real ones. Virtual bases, so that an interface that joins several ports takes its
// operations from these.

class SystemFiles : public virtual FilePort {
public:
  bool NameExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool IsLink(const std::string& path) override;
  bool IsFolder(const std::string& path) override;
  bool IsPlainFile(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  std::vector<std::string> FolderEntries(const std::string& folder) override;
  char PathSeparator() override;
  std::string CurrentDirectory() override;
  std::string CanonicalPath(const std::string& path) override;
  bool CanCreateIn(const std::string& folder, std::string& why) override;
  std::string ReadBytes(const std::string& path, std::size_t limit) override;
  std::string ReadRange(const std::string& path, std::uint64_t offset, std::size_t count) override;
  std::unique_ptr<OpenFile> Open(const std::string& path) override;
  std::unique_ptr<HeldBytes> Hold(const std::string& path, std::size_t limit) override;
  bool SameContents(const std::string& path, const std::vector<std::string_view>& parts) override;
  std::string Stamp(const std::string& path) override;
  bool CreateNewFile(const std::string& path, const std::string& bytes, Keep keep) override;
  bool CreateNewFileFrom(const std::string& path, const std::vector<std::string_view>& parts,
                         const std::string& source, const std::vector<SameStretch>& same,
                         Keep keep) override;
  void RenameOver(const std::string& from, const std::string& to) override;
  bool RenameNoReplace(const std::string& from, const std::string& to) override;
  void RemoveFile(const std::string& path) override;
  void SetNormalAttributes(const std::string& path) override;
  void CopyPermissions(const std::string& from, const std::string& to) override;
  void TouchFile(const std::string& path) override;
  bool InUse(const std::string& path) override;
  bool LinkFile(const std::string& from, const std::string& to) override;
  unsigned LinkCount(const std::string& path) override;
  std::string MakePrivateFolder() override;
  void RemoveFolder(const std::string& path) override;
};

class SystemProcesses : public virtual ProcessPort {
public:
  /// showOutput: the child's output goes to this program's standard error (a console front
  /// end whose standard output carries its results); else it is dropped.
  explicit SystemProcesses(bool showOutput = false) : showOutput_(showOutput) {}
  void RunAndWait(const std::string& commandLine, const std::string& workingFolder) override;
  unsigned long ProcessId() override;
  bool ProcessRunning(unsigned long id) override;
  std::string ProcessIdentity(unsigned long id) override;
  std::uint64_t RandomBits() override;

private:
  bool showOutput_;
};

class SystemTracker : public virtual TemporaryTracker {
public:
  void Track(const std::string& path) override;
  void Untrack(const std::string& path) override;
};

/// What a run reaches of the system: the three ports joined, and what only the generation
/// needs. The
/// real one is SystemFileOperations.
class FileOperations : public virtual FilePort,
                       public virtual ProcessPort,
                       public virtual TemporaryTracker {
public:
  /// The text less one final CR LF.
  virtual std::string ReadWholeFile(const std::string& path) = 0;
  /// The program's own folder, ending in its separator.
  virtual std::string AppFolder() = 0;
  /// The three values go into a UTF-8 manifest. codePage: what text that is not UTF-8 is
  /// taken as where the system has no ANSI code page (POSIX); Windows uses its own.
  virtual std::string AnsiToUtf8(const std::string& text, unsigned codePage) = 0;
};

/// The real files, processes and stop handler's list.
class SystemFileOperations : public FileOperations,
                             public SystemFiles,
                             public SystemProcesses,
                             public SystemTracker {
public:
  /// showOutput: the compiler's output goes to standard error (a console front end).
  explicit SystemFileOperations(bool showOutput = false) : SystemProcesses(showOutput) {}
  std::string ReadWholeFile(const std::string& path) override;
  std::string AppFolder() override;
  std::string AnsiToUtf8(const std::string& text, unsigned codePage) override;
};

/// The real files, for callers that are handed none.
FilePort& TheSystemFiles();

} // namespace platform
