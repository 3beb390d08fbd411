#include "rc/Files.h"

#include "base/Path.h"
#include "base/SystemError.h"
#include "platform/Stopping.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rc::files {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

constexpr bool kSlashHost = std::filesystem::path::preferred_separator == '/';

thread_local LoadCache* activeCache = nullptr;
thread_local ProtectOutput* activeProtection = nullptr;

[[noreturn]] void RefuseSpecial(const std::string& path) {
  throw Refused{ErrorCode::kBadFile, "'" + path + "' is not a regular file"};
}

[[noreturn]] void RefuseLarge(const std::string& path) {
  throw Refused{ErrorCode::kBadFile,
                "'" + path + "' is larger than " + std::to_string(kMaxInputSize >> 20) + " MiB"};
}

class DiskOutput : public OutputFile {
public:
  explicit DiskOutput(std::FILE* file) : file_(file) {}
  ~DiskOutput() override {
    if (file_)
      std::fclose(file_);
  }
  bool Write(std::string_view bytes) override {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
      failed_ = true;
    return !failed_;
  }
  bool Close() override {
    if (std::fflush(file_) != 0)
      failed_ = true;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
  }

private:
  std::FILE* file_;
  bool failed_ = false;
};

// A file of the platform's exclusive creation; its errors become a failed write.
class NewOutput : public OutputFile {
public:
  platform::NewFile file;
  bool Write(std::string_view bytes) override {
    try {
      if (!failed_)
        file.Write(bytes);
    } catch (const base::SystemError&) {
      failed_ = true;
    }
    return !failed_;
  }
  bool Close() override {
    try {
      file.Close(false);
    } catch (const base::SystemError&) {
      failed_ = true;
    }
    return !failed_;
  }

private:
  bool failed_ = false;
};

std::unique_ptr<OutputFile> CreateOnDisk(const std::string& path, bool& taken) {
  auto out = std::make_unique<NewOutput>();
  try {
    taken = !out->file.Create(path);
  } catch (const base::SystemError&) {
    taken = false;
    return nullptr;
  }
  return taken ? nullptr : std::move(out);
}

#ifdef _WIN32

struct Handle {
  HANDLE h;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  }
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A stream over a handle of ours; the handle is closed either way.
std::unique_ptr<OutputFile> StreamOver(HANDLE h) {
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (!f) {
    _close(fd);
    return nullptr;
  }
  return std::make_unique<DiskOutput>(f);
}

class DiskFileSystem : public FileSystem {
public:
  std::optional<std::string> Read(const std::string& path) override {
    // A folder does not open without FILE_FLAG_BACKUP_SEMANTICS: it is no file here.
    Handle file{CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE)
      return std::nullopt;
    // Consoles, pipes and devices could wait for ever on a read.
    if (GetFileType(file.h) != FILE_TYPE_DISK)
      RefuseSpecial(path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.h, &size))
      return std::nullopt;
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxInputSize)
      RefuseLarge(path);
    std::string data;
    data.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(file.h, buffer, sizeof buffer, &n, nullptr))
        return std::nullopt;
      if (n == 0)
        return data;
      if (data.size() + n > kMaxInputSize)
        RefuseLarge(path); // grew while being read
      data.append(buffer, n);
    }
  }

  bool Exists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  Info Inspect(const std::string& path) override {
    Handle file{CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
      const DWORD attributes = GetFileAttributesA(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES)
        return {};
      return {attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::kFolder : Kind::kFile, ""};
    }
    switch (GetFileType(file.h)) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_CHAR:
      return {Kind::kDevice, ""};
    default:
      return {Kind::kOther, ""};
    }
    BY_HANDLE_FILE_INFORMATION about;
    if (!GetFileInformationByHandle(file.h, &about))
      return {Kind::kFile, ""};
    if (about.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      return {Kind::kFolder, ""};
    return {Kind::kFile, std::to_string(about.dwVolumeSerialNumber) + ":" +
                             std::to_string(about.nFileIndexHigh) + ":" +
                             std::to_string(about.nFileIndexLow)};
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path, bool& taken) override {
    return CreateOnDisk(path, taken);
  }

  std::unique_ptr<OutputFile> OpenDevice(const std::string& path) override {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return nullptr;
    if (GetFileType(h) != FILE_TYPE_CHAR) {
      CloseHandle(h);
      return nullptr;
    }
    return StreamOver(h);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }

  void Remove(const std::string& path) override { DeleteFileA(path.c_str()); }
};

#else

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0)
      close(fd);
  }
};

Kind KindOf(mode_t mode) {
  if (S_ISREG(mode))
    return Kind::kFile;
  if (S_ISDIR(mode))
    return Kind::kFolder;
  return S_ISCHR(mode) ? Kind::kDevice : Kind::kOther;
}

// A stream over a descriptor of ours; the descriptor is closed either way.
std::unique_ptr<OutputFile> StreamOver(int fd) {
  std::FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<DiskOutput>(f);
}

class DiskFileSystem : public FileSystem {
public:
  std::optional<std::string> Read(const std::string& path) override {
    // Looked at before it is opened: opening a pipe could wait for a writer, and opening
    // a device may do something. Checked again once open, in case it was swapped.
    struct stat about;
    if (stat(path.c_str(), &about) != 0 || S_ISDIR(about.st_mode))
      return std::nullopt;
    if (!S_ISREG(about.st_mode))
      RefuseSpecial(path);
    Descriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0 || fstat(file.fd, &about) != 0 || S_ISDIR(about.st_mode))
      return std::nullopt;
    if (!S_ISREG(about.st_mode))
      RefuseSpecial(path);
    if (static_cast<std::uint64_t>(about.st_size) > kMaxInputSize)
      RefuseLarge(path);
    // Whole files in large reads: a stream's own buffer would only add copies.
    std::string data;
    data.reserve(static_cast<std::size_t>(about.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = read(file.fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0)
        return std::nullopt;
      if (n == 0)
        return data;
      if (data.size() + static_cast<std::size_t>(n) > kMaxInputSize)
        RefuseLarge(path); // grew while being read
      data.append(buffer, static_cast<std::size_t>(n));
    }
  }

  bool Exists(const std::string& path) override {
    struct stat about;
    return stat(path.c_str(), &about) == 0 && !S_ISDIR(about.st_mode) &&
           access(path.c_str(), R_OK) == 0;
  }

  Info Inspect(const std::string& path) override {
    struct stat about;
    if (stat(path.c_str(), &about) != 0)
      return {};
    return {KindOf(about.st_mode),
            std::to_string(about.st_dev) + ":" + std::to_string(about.st_ino)};
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path, bool& taken) override {
    return CreateOnDisk(path, taken);
  }

  std::unique_ptr<OutputFile> OpenDevice(const std::string& path) override {
    // Without O_NONBLOCK a pipe swapped in since it was looked at would wait for a reader.
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
      return nullptr;
    struct stat about;
    if (fstat(fd, &about) != 0 || !S_ISCHR(about.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
      close(fd);
      return nullptr;
    }
    return StreamOver(fd);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) == 0;
  }

  void Remove(const std::string& path) override { unlink(path.c_str()); }
};

#endif

class MemoryOutput : public OutputFile {
public:
  MemoryOutput(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(std::string_view bytes) override {
    data_.append(bytes);
    return true;
  }
  bool Close() override {
    fs_.files[path_] = std::move(data_);
    return true;
  }

private:
  MemoryFileSystem& fs_;
  std::string path_;
  std::string data_;
};

thread_local FileSystem* activeFileSystem = nullptr;

// Either separator names the same file, as on Windows.
std::string MemoryKey(std::string path) {
  for (char& c : path)
    if (c == '\\')
      c = '/';
  return path;
}

} // namespace

LoadCache::LoadCache() : outer_(activeCache) { activeCache = this; }

LoadCache::~LoadCache() { activeCache = outer_; }

FileSystem& Disk() {
  static DiskFileSystem disk;
  return disk;
}

std::optional<std::string> MemoryFileSystem::Read(const std::string& path) {
  auto found = files.find(MemoryKey(path));
  if (found == files.end())
    return std::nullopt;
  return found->second;
}

bool MemoryFileSystem::Exists(const std::string& path) { return files.count(MemoryKey(path)) != 0; }

Info MemoryFileSystem::Inspect(const std::string& path) {
  // "./a.rc" and "a.rc" name one file here too.
  std::string key = MemoryKey(std::filesystem::path(path).lexically_normal().generic_string());
  if (files.count(key) == 0)
    return {};
  return {Kind::kFile, std::move(key)};
}

std::unique_ptr<OutputFile> MemoryFileSystem::CreateNew(const std::string& path, bool& taken) {
  std::string key = MemoryKey(path);
  taken = files.count(key) != 0;
  if (taken)
    return nullptr;
  files[key].clear();
  return std::make_unique<MemoryOutput>(*this, std::move(key));
}

std::unique_ptr<OutputFile> MemoryFileSystem::OpenDevice(const std::string&) { return nullptr; }

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  auto found = files.find(MemoryKey(from));
  if (found == files.end())
    return false;
  std::string data = std::move(found->second);
  files.erase(found);
  files[MemoryKey(to)] = std::move(data);
  return true;
}

void MemoryFileSystem::Remove(const std::string& path) { files.erase(MemoryKey(path)); }

UseFileSystem::UseFileSystem(FileSystem& fs) : outer_(activeFileSystem) { activeFileSystem = &fs; }

UseFileSystem::~UseFileSystem() { activeFileSystem = outer_; }

FileSystem& Current() { return activeFileSystem ? *activeFileSystem : Disk(); }

std::optional<std::string> Read(const std::string& path) {
  FileSystem& fs = Current();
  if (const ProtectOutput* protect = activeProtection)
    if (!protect->identity_.empty() && fs.Inspect(path).identity == protect->identity_)
      throw Refused{ErrorCode::kCannotWrite,
                    "output '" + protect->output_ + "' is also an input of this compilation"};
  return fs.Read(path);
}

ProtectOutput::ProtectOutput(const std::string& output)
    : outer_(activeProtection), output_(output), identity_(Current().Inspect(output).identity) {
  activeProtection = this;
}

ProtectOutput::~ProtectOutput() { activeProtection = outer_; }

bool Exists(const std::string& path) { return Current().Exists(path); }

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty())
    return name;
  if (IsSeparator(folder.back()) || (folder.size() == 2 && folder[1] == ':'))
    return folder + name;
  return folder + (kSlashHost ? '/' : '\\') + name;
}

std::string Normalize(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '\\' && i + 1 < name.size() && name[i + 1] == '\\' && i != 0)
      ++i;
    if (c == '\\' && kSlashHost)
      c = '/';
    out += c;
  }
  return out;
}

std::vector<std::string> IncludeVariable() {
  std::vector<std::string> dirs;
  const char* value = std::getenv("INCLUDE");
  if (!value)
    return dirs;
  const char separator = kSlashHost ? ':' : ';';
  std::string current;
  for (const char* p = value;; ++p) {
    if (*p == separator || *p == '\0') {
      if (!current.empty())
        dirs.push_back(current);
      current.clear();
      if (*p == '\0')
        break;
    } else {
      current += *p;
    }
  }
  return dirs;
}

namespace {

std::optional<Found> Search(const std::string& rawName, const std::string& scriptFolder,
                            const std::vector<std::string>& includeDirs, bool useIncludeVariable) {
  // Reading each candidate at once rather than probing first: one open per file, and
  // a folder of the name fails the read as it should.
  const std::string name = Normalize(rawName);
  if (name.empty())
    return std::nullopt;
  auto attempt = [](const std::string& path) -> std::optional<Found> {
    if (auto data = Read(path))
      return Found{path, std::move(*data)};
    return std::nullopt;
  };
  if (path::IsAbsolute(name, path::Style::windows))
    return attempt(name);
  if (auto found = attempt(name))
    return found;
  if (!scriptFolder.empty())
    if (auto found = attempt(Join(scriptFolder, name)))
      return found;
  for (const auto& dir : includeDirs)
    if (auto found = attempt(Join(Normalize(dir), name)))
      return found;
  if (useIncludeVariable)
    for (const auto& dir : IncludeVariable())
      if (auto found = attempt(Join(dir, name)))
        return found;
  return std::nullopt;
}

} // namespace

std::optional<Found> Load(const std::string& name, const std::string& scriptFolder,
                          const std::vector<std::string>& includeDirs, bool useIncludeVariable) {
  if (!activeCache)
    return Search(name, scriptFolder, includeDirs, useIncludeVariable);
  auto& entries = activeCache->entries_;
  std::string key = name + '\n' + scriptFolder;
  auto found = entries.find(key);
  if (found == entries.end())
    found =
        entries.emplace(std::move(key), Search(name, scriptFolder, includeDirs, useIncludeVariable))
            .first;
  return found->second;
}

std::string Find(const std::string& rawName, const std::string& scriptFolder,
                 const std::vector<std::string>& includeDirs, bool useIncludeVariable) {
  std::string name = Normalize(rawName);
  if (name.empty())
    return "";
  if (path::IsAbsolute(name, path::Style::windows))
    return Exists(name) ? name : "";
  // The generation relies on the current directory coming first.
  if (Exists(name))
    return name;
  if (!scriptFolder.empty()) {
    std::string candidate = Join(scriptFolder, name);
    if (Exists(candidate))
      return candidate;
  }
  for (const auto& dir : includeDirs) {
    std::string candidate = Join(Normalize(dir), name);
    if (Exists(candidate))
      return candidate;
  }
  if (useIncludeVariable) {
    for (const auto& dir : IncludeVariable()) {
      std::string candidate = Join(dir, name);
      if (Exists(candidate))
        return candidate;
    }
  }
  return "";
}

} // namespace rc::files
