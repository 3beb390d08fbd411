#pragma once
// File access of the compiler: whole files through a small file system (the disk, or
// memory for the fuzzer), and the search rules for the files a script names. Paths stay
// narrow strings in the system's code page, as the generation passes them, so nothing here
// converts them.

#include "rc/Diagnostics.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rc::files {

/// A file being written: appended to, then closed.
class OutputFile {
public:
  virtual ~OutputFile() = default;
  /// False once anything failed; later writes are then no use.
  virtual bool Write(std::string_view bytes) = 0;
  /// Flushes and closes; false if any write or the close failed.
  virtual bool Close() = 0;
};

/// The most a file the compiler reads may hold; a larger one is refused, not read.
constexpr std::uint64_t kMaxInputSize = std::uint64_t{256} << 20;

/// A file that is there but must not be read: not a regular file, larger than
/// kMaxInputSize, or the compilation's own output. The caller adds the place.
struct Refused {
  ErrorCode code;
  std::string message;
};

/// What is at a path.
enum class Kind { kNone, kFile, kFolder, kDevice, kOther }; // kDevice: a character device

struct Info {
  Kind kind = Kind::kNone;
  /// Equal for two paths that name one file, however spelt (device and inode, or volume
  /// and file index); empty when nothing is there.
  std::string identity;
};

/// Everything the compiler does with files.
class FileSystem {
public:
  virtual ~FileSystem() = default;
  /// The whole file, or nothing when it cannot be opened or read (a folder is no file).
  /// Throws Refused for anything but a regular file, without blocking on it, and for a
  /// file larger than kMaxInputSize.
  virtual std::optional<std::string> Read(const std::string& path) = 0;
  /// Whether a file (not a folder) is there to be read.
  virtual bool Exists(const std::string& path) = 0;
  virtual Info Inspect(const std::string& path) = 0;
  /// A new, empty file, created only if nothing had the name (a link is not followed);
  /// null when it cannot be, with taken set when the name was in use.
  virtual std::unique_ptr<OutputFile> CreateNew(const std::string& path, bool& taken) = 0;
  /// A character device opened for writing in place; null when it cannot be.
  virtual std::unique_ptr<OutputFile> OpenDevice(const std::string& path) = 0;
  /// Gives the file at from the name to, replacing what had it; false when it cannot.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual void Remove(const std::string& path) = 0;
};

/// Real files through <cstdio>.
FileSystem& Disk();

/// Files held in memory, named by their paths with '/' for either separator.
class MemoryFileSystem : public FileSystem {
public:
  std::map<std::string, std::string> files; ///< path -> contents

  std::optional<std::string> Read(const std::string& path) override;
  bool Exists(const std::string& path) override;
  Info Inspect(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateNew(const std::string& path, bool& taken) override;
  std::unique_ptr<OutputFile> OpenDevice(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;
};

/// While one exists (on this thread), the functions here use its file system instead of
/// the disk. The compiler holds one for each compilation.
class UseFileSystem {
public:
  explicit UseFileSystem(FileSystem& fs);
  ~UseFileSystem();
  UseFileSystem(const UseFileSystem&) = delete;
  UseFileSystem& operator=(const UseFileSystem&) = delete;

private:
  FileSystem* outer_;
};

/// The file system in use on this thread: the disk unless a UseFileSystem says otherwise.
FileSystem& Current();

/// Current().Read(path), refusing the output that a ProtectOutput names.
std::optional<std::string> Read(const std::string& path);

/// While one exists (on this thread), Read refuses the file at output, however its path
/// is spelt: a compilation must not read what it is about to replace. Nothing is
/// protected when no file is at output yet.
class ProtectOutput {
public:
  explicit ProtectOutput(const std::string& output);
  ~ProtectOutput();
  ProtectOutput(const ProtectOutput&) = delete;
  ProtectOutput& operator=(const ProtectOutput&) = delete;

private:
  friend std::optional<std::string> Read(const std::string&);
  ProtectOutput* outer_;
  std::string output_;
  std::string identity_;
};

/// Current().Exists(path).
bool Exists(const std::string& path);

/// folder + name with a separator between when folder lacks one.
std::string Join(const std::string& folder, const std::string& name);

/// The name as the script wrote it, made usable here: a doubled backslash is one
/// separator (Microsoft's rc reads "res\\app.ico" so), and on hosts whose separator is
/// '/', backslashes become '/'.
std::string Normalize(const std::string& name);

/// Where a file named by the script is found: as given when absolute; else the current
/// directory, the script's folder, each /i folder, then the INCLUDE folders. Empty when
/// none has it.
std::string Find(const std::string& name, const std::string& scriptFolder,
                 const std::vector<std::string>& includeDirs, bool useIncludeVariable);

struct Found {
  std::string path;
  std::string data;
};

/// Find and Read in one: the first readable file in the same order.
std::optional<Found> Load(const std::string& name, const std::string& scriptFolder,
                          const std::vector<std::string>& includeDirs, bool useIncludeVariable);

/// While one exists (on this thread), Load answers a repeated request from memory: a
/// script that names one icon a thousand times has it read once. The compiler keeps one
/// for each compilation, so files changed between compilations are read afresh.
class LoadCache {
public:
  LoadCache();
  ~LoadCache();
  LoadCache(const LoadCache&) = delete;
  LoadCache& operator=(const LoadCache&) = delete;

private:
  friend std::optional<Found> Load(const std::string&, const std::string&,
                                   const std::vector<std::string>&, bool);
  LoadCache* outer_;
  std::unordered_map<std::string, std::optional<Found>> entries_;
};

/// The folders of the INCLUDE environment variable.
std::vector<std::string> IncludeVariable();

} // namespace rc::files
