#include "rc/Files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace rc::files {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

constexpr bool kSlashHost = std::filesystem::path::preferred_separator == '/';

thread_local LoadCache* activeCache = nullptr;

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

class DiskFileSystem : public FileSystem {
public:
  std::optional<std::string> Read(const std::string& path) override {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
      return std::nullopt;
    // Whole files in large reads: the C library's own buffer would only add copies.
    std::setvbuf(f.get(), nullptr, _IONBF, 0);
    std::string data;
    char buffer[65536];
    for (;;) {
      std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
      data.append(buffer, n);
      if (n < sizeof buffer)
        break;
    }
    if (std::ferror(f.get()))
      return std::nullopt;
    return data;
  }

  bool Exists(const std::string& path) override {
    // Opening rather than asking the file system: a folder of that name is no file.
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
      return false;
    // A folder opens on some C libraries; reading tells them apart.
    char c;
    std::fread(&c, 1, 1, f.get());
    return !std::ferror(f.get());
  }

  std::unique_ptr<OutputFile> Create(const std::string& path) override {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
      return nullptr;
    return std::make_unique<DiskOutput>(f);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  void Remove(const std::string& path) override { std::remove(path.c_str()); }
};

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

bool MemoryFileSystem::Exists(const std::string& path) {
  return files.count(MemoryKey(path)) != 0;
}

std::unique_ptr<OutputFile> MemoryFileSystem::Create(const std::string& path) {
  std::string key = MemoryKey(path);
  files[key].clear();
  return std::make_unique<MemoryOutput>(*this, std::move(key));
}

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

std::optional<std::string> Read(const std::string& path) { return Current().Read(path); }

bool Exists(const std::string& path) { return Current().Exists(path); }

std::string Folder(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) {
    if (path.size() >= 2 && path[1] == ':')
      return path.substr(0, 2);
    return "";
  }
  return path.substr(0, cut + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty())
    return name;
  if (IsSeparator(folder.back()) || (folder.size() == 2 && folder[1] == ':'))
    return folder + name;
  return folder + (kSlashHost ? '/' : '\\') + name;
}

bool IsAbsolute(const std::string& path) {
  if (!path.empty() && IsSeparator(path[0]))
    return true;
  return path.size() >= 2 && path[1] == ':';
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
  if (IsAbsolute(name))
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
    found = entries.emplace(std::move(key), Search(name, scriptFolder, includeDirs, useIncludeVariable)).first;
  return found->second;
}

std::string Find(const std::string& rawName, const std::string& scriptFolder,
                 const std::vector<std::string>& includeDirs, bool useIncludeVariable) {
  const std::string name = Normalize(rawName);
  if (name.empty())
    return "";
  if (IsAbsolute(name))
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
