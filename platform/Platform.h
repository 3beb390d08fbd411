#pragma once
// The operating system as this program needs it, and nothing more. Every function here is
// implemented once in platform/win32 and once in platform/posix; CMake picks the folder.
// The system's own headers (<windows.h>, POSIX) are included here and in the few places
// docs/architecture.md names: the windows, the console setup and the standalone compiler.
//
// Strings are bytes in the system's ANSI code page on Windows and UTF-8 on Linux.
// Failures that a caller must see are thrown as SystemError with the platform's number and
// description; everything else answers with a neutral value.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/SystemError.h"

namespace platform {

// ---- Files -------------------------------------------------------------------------

/// Full path of the running executable.
std::string ExecutablePath();

/// The separator that ends folders made by this program ('\\' on Windows, '/' on Linux).
char PathSeparator();

/// The whole file as bytes: opened read-only, length taken once, one read into a buffer of
/// that size, closed. What is not a regular file is refused, as ReadableFile does. Throws
/// SystemError; nothing stays open after a failure.
std::string ReadFileBytes(const std::string& path);

/// A regular file open for reading by ranges. The open never waits: a FIFO, a device or a
/// folder is refused ("not a regular file"; a folder keeps the system's own reason) where a
/// plain open or read would block for good or answer nonsense. Throws SystemError.
class ReadableFile {
public:
  explicit ReadableFile(const std::string& path) : ReadableFile(path, true) {}
  ~ReadableFile();
  /// The file, or nothing when no file has the name (a program not built yet, settings never
  /// saved): the usual case answers without an exception. Other failures throw as above.
  static std::unique_ptr<ReadableFile> OpenIfPresent(const std::string& path);
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  const std::string& Path() const { return path_; }
  /// The descriptor (Windows: the HANDLE), for the platform's own use.
  std::intptr_t Handle() const { return handle_; }
  /// The length taken once, at the open.
  std::uint64_t Size() const { return size_; }
  /// count bytes from offset; fewer only where the file ends. Throws SystemError.
  std::string ReadAt(std::uint64_t offset, std::size_t count) const;
  /// The whole file when it holds at most limit bytes; else SystemError saying both sizes.
  std::string ReadAll(std::size_t limit) const;

private:
  /// Opens path; when it does not exist, throws if required, else leaves handle_ at -1.
  ReadableFile(const std::string& path, bool required);

  std::string path_;
  std::intptr_t handle_ = -1; // a descriptor, or a HANDLE on Windows
  std::uint64_t size_ = 0;
};

/// ReadableFile(path).ReadAll(limit): a regular file of at most limit bytes, whole.
std::string ReadFileBytes(const std::string& path, std::size_t limit);

/// A regular file of at most limit bytes held whole for reading: mapped, so that its bytes
/// are neither copied nor zero-filled first, or read where it cannot be mapped. Opened and
/// refused as ReadableFile does. Windows keeps a mapped file from being cut short, renamed
/// over or deleted until the object goes. On POSIX another program may cut it short
/// meanwhile: the cut bytes then read as zeros and Whole() says so.
class MappedFile {
public:
  MappedFile(const std::string& path, std::size_t limit);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  std::string_view Bytes() const { return {data_, size_}; }
  /// False once a read found the file cut short under the mapping.
  bool Whole() const;

private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  /// The mapping's own, null when read_ holds the bytes: on POSIX the guard that notes a
  /// cut, on Windows the view.
  void* guard_ = nullptr;
  std::string read_; ///< where the file could not be mapped
};

/// Bytes given as views laid one after another (a file's, without joining them), taken in
/// order.
class PartsReader {
public:
  explicit PartsReader(const std::vector<std::string_view>& parts) : parts_(parts) {}
  static std::uint64_t Size(const std::vector<std::string_view>& parts) {
    std::uint64_t size = 0;
    for (const std::string_view part : parts)
      size += part.size();
    return size;
  }
  /// Calls each with the views of the next size bytes, fewer where the parts end.
  template <class Each> void Next(std::uint64_t size, Each each) {
    for (; size != 0 && part_ < parts_.size(); ++part_, at_ = 0) {
      const std::string_view part = parts_[part_];
      const std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(size, part.size() - at_));
      each(part.substr(at_, count));
      size -= count;
      at_ += count;
      if (at_ < part.size())
        return;
    }
  }

  /// Whether the next size bytes of the parts are those at window.
  bool Matches(const char* window, std::size_t size) {
    bool same = true;
    Next(size, [&](std::string_view part) {
      same = same && std::memcmp(window, part.data(), part.size()) == 0;
      window += part.size();
    });
    return same;
  }

private:
  const std::vector<std::string_view>& parts_;
  std::size_t part_ = 0;
  std::size_t at_ = 0; ///< in parts_[part_]
};

/// Whether the file at path holds exactly the parts, mapped a window at a time (read where it
/// cannot be): the file is never held whole, nor copied. Throws SystemError.
bool FileHolds(const std::string& path, const std::vector<std::string_view>& parts);

/// What changes when a file is written or replaced: its identity (device and inode, volume
/// and file index), size and modification time, as text to compare. Throws SystemError.
std::string FileStamp(const std::string& path);

/// path made absolute with "." and ".." gone and, where the file exists, links resolved
/// (Windows: the full path name); "" when the system cannot say. For telling whether two
/// names are one file.
std::string CanonicalPath(const std::string& path);

/// True when a directory entry of that name exists, even a link that leads nowhere or round
/// in a loop, so that opening it says why it cannot be read.
bool NameExists(const std::string& path);

/// What the system says of a name no call of it can take: a path holding a NUL, which every
/// call would cut short there (EINVAL on POSIX, ERROR_INVALID_NAME on Windows), the name
/// shown with its NUL made visible. Such a name is never handed to the system.
base::SystemError InvalidName(const std::string& operation, const std::string& name);

/// Creates path anew (emptying an existing file) and writes bytes, then closes it.
/// Throws SystemError; the handle is closed on every path.
void WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace platform

namespace platform {

// ---- File-system probes and services -----------------------------------------------

/// Makes path the current directory; false when the system refuses.
bool ChangeDirectory(const std::string& path);
/// True when ChangeDirectory(path) would succeed; the current directory stays.
bool CanEnterFolder(const std::string& path);
/// The process's current directory.
std::string CurrentDirectory();
/// True when the system returns attributes (Win32) or status (POSIX) for path.
bool HasAttributes(const std::string& path);
/// Win32: the read-only attribute. POSIX: no write permission for the owner (root's
/// access() would say writable either way).
bool IsReadOnly(const std::string& path);
/// Win32: FILE_ATTRIBUTE_NORMAL. POSIX: adds write permission for the owner. Throws.
void SetNormalAttributes(const std::string& path);
/// Deletes one file. Throws SystemError.
void RemoveFile(const std::string& path);
/// Whether a new file could be created in folder now, asked without writing anything: POSIX
/// access(); Win32 a write-protected CD or removable medium, then the folder's security
/// against this process's token. False with the system's reason in why.
bool CanCreateIn(const std::string& folder, std::string& why);
/// A new, empty folder under the system's temporary folder ($TMPDIR or /tmp; Win32
/// GetTempPath), that only this user may enter (POSIX: mode 0700; Win32: as the user's
/// temporary folder allows), its name never used before. Its path ends in the separator.
/// Throws SystemError.
std::string MakePrivateFolder();
/// Deletes an empty folder. Throws SystemError.
void RemoveFolder(const std::string& path);
/// Sets the file's modification time to now. Throws SystemError.
void TouchFile(const std::string& path);
/// True when a running program (or, on Windows, a process that shares it with nobody) holds
/// the file, so that it cannot be replaced now.
bool InUse(const std::string& path);
/// Gives the file from a second name, to, which must not exist; false when the file system
/// cannot (no hard links there) or refuses.
bool LinkFile(const std::string& from, const std::string& to);
/// How many names the file has (hard links); 1 when that cannot be told.
unsigned LinkCount(const std::string& path);
/// Gives to the permissions of from: POSIX its mode bits, and its owner and group where the
/// system allows it; Win32 its attributes. A file that replaces another keeps what the user
/// set. Throws SystemError when to cannot be changed.
void CopyPermissions(const std::string& from, const std::string& to);

// ---- Registry ------------------------------------------------------------------------

/// What one value query left behind: the platform's status, the value's type, the whole
/// buffer as the query left it (pre-filled with spaces) and the number of bytes it wrote.
struct RegistryQuery {
  long status = 2; // ERROR_FILE_NOT_FOUND: no registry
  unsigned long type = 0;
  std::string buffer;
  unsigned long dataSize = 0;
};

/// Opens subKey below rootKey, queries valueName into a buffer of bufferSize spaces, closes
/// the key on every path. Never throws.
RegistryQuery QueryRegistryValue(std::uintptr_t rootKey, const std::string& subKey,
                                 const std::string& valueName, std::size_t bufferSize);

// ---- Processes and shell ---------------------------------------------------------------

/// Starts commandLine hidden in workingFolder ("": the current directory) with the
/// environment inherited, waits without time-out and releases the child. A program that
/// cannot start throws SystemError with the system's reason.
/// The child's output is dropped, or with showOutput goes to this program's standard error.
void RunHiddenAndWait(const std::string& commandLine, const std::string& workingFolder = "",
                      bool showOutput = false);
/// Hands file to the program registered for it; the shell's status (above 32 on success).
std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        std::uintptr_t ownerWindow, const std::string& parameters,
                        const std::string& operation);

// ---- Common file dialog ------------------------------------------------------------------

/// The dialog's inputs in the form the platform takes them, and its outputs.
struct FileDialogRecord {
  std::uintptr_t ownerWindow = 0;
  std::string filterList; // items separated by NUL; the list ends in two NULs
  int filterIndex = 1;    // in and out
  std::string fileBuffer; // in: the default name, NUL-padded; out: the choice, NUL-terminated
  std::string fileTitleBuffer;
  std::string initialFolder;
  std::string title;
  std::uint32_t flags = 0;
  bool save = false;
};

/// Shows the Open (or Save) dialog modally; true when the user confirmed a choice.
bool RunFileDialog(FileDialogRecord& record);

// ---- Per-user settings store -------------------------------------------------------------

/// The stored value, or nothing when it is missing or the store cannot be read.
std::optional<std::string> ReadSetting(const std::string& application, const std::string& section,
                                       const std::string& key);
/// False when the store could not be written; it is then left as it was.
bool WriteSetting(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& value);

// ---- Text ----------------------------------------------------------------------------------

/// Text in the system's ANSI code page as UTF-8. POSIX has none: text that is UTF-8 already
/// (a command line, a file saved there) stays, other text is taken as the Windows code page
/// codePage (see base/CodePages.h).
std::string AnsiToUtf8(const std::string& text, unsigned codePage);

} // namespace platform

namespace platform {

// ---- Replacing files safely ----------------------------------------------------------------
// A file is written under a name of its own and renamed over the old one only once it is
// complete, so a failed, killed or interrupted run leaves every file whole. Creating one
// under a temporary name: platform/Stopping.h.

/// Gives the file from the name to, replacing whatever file had it in one step. Throws.
void RenameOver(const std::string& from, const std::string& to);
/// Gives the file from the name to only while nothing has that name, in one step where the
/// file system can; false when something has it. Throws on any other failure.
bool RenameNoReplace(const std::string& from, const std::string& to);
/// True when path itself is a symbolic link (POSIX) or a reparse point (Win32).
bool IsLink(const std::string& path);
/// True for an existing folder; unlike a probe, the current directory stays.
bool IsFolder(const std::string& path);
/// True for an existing regular file that is no link.
bool IsPlainFile(const std::string& path);
/// The names in folder, without "." and ".."; none when it cannot be listed.
std::vector<std::string> FolderEntries(const std::string& folder);
/// This process's id, and whether a process with the id is running.
unsigned long ProcessId();
bool ProcessRunning(unsigned long id);
/// What tells the running process id from another that had the same id before (its start
/// time and program name); "" when no process with the id runs.
std::string ProcessIdentity(unsigned long id);

} // namespace platform
