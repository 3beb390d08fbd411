#pragma once
// File access of the compiler: whole files through <cstdio>, and the search rules for the
// files a script names. Paths stay narrow strings in the system's code page, as the
// generation passes them, so nothing here converts them.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace rc::files {

/// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> Read(const std::string& path);

bool Exists(const std::string& path);

/// "C:\x\a.rc" -> "C:\x\", "a.rc" -> "" (either separator).
std::string Folder(const std::string& path);

/// folder + name with a separator between when folder lacks one.
std::string Join(const std::string& folder, const std::string& name);

bool IsAbsolute(const std::string& path);

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
