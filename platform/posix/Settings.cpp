// POSIX only: the per-user settings store, one file per application:
// $XDG_CONFIG_HOME/<application>/settings.ini, else ~/.config/<application>/settings.ini.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"
#include "base/SettingsFile.h"

namespace platform {
namespace {

/// The store's folder, or "" when there is no sensible one.
std::string StoreFolder(const std::string& application) {
  if (application.empty() || application == "." || application == ".." ||
      application.find('/') != std::string::npos || application.find('\0') != std::string::npos)
    return "";
  // A relative XDG_CONFIG_HOME is invalid and to be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
      return "";
    base = std::string(home) + "/.config";
  }
  return base + '/' + application;
}

enum class Load { Missing, Read, Unreadable, Corrupt };

Load LoadStore(const std::string& file, settingsfile::Document& document) {
  std::string text;
  try {
    const std::unique_ptr<ReadableFile> store = ReadableFile::OpenIfPresent(file);
    if (!store)
      return Load::Missing;
    text = store->ReadAll(std::numeric_limits<std::size_t>::max());
  } catch (const base::SystemError&) {
    return Load::Unreadable;
  }
  auto parsed = settingsfile::Parse(text);
  if (!parsed)
    return Load::Corrupt;
  document = std::move(*parsed);
  return Load::Read;
}

bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

/// Writes text beside file and renames it over file, so a crash or full disk leaves either
/// the old store or the new one, never half of one.
bool ReplaceAtomically(const std::string& file, const std::string& text) {
  std::string temporary = file + ".XXXXXX";
  posix::Fd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0)
    return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd.get()) == 0;
  ok = ::close(fd.release()) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), file.c_str()) == 0;
  if (!ok)
    ::unlink(temporary.c_str());
  return ok;
}

} // namespace

std::optional<std::string> ReadSetting(const std::string& application, const std::string& section,
                                       const std::string& key) {
  const std::string folder = StoreFolder(application);
  if (folder.empty())
    return std::nullopt;
  settingsfile::Document document;
  if (LoadStore(folder + "/settings.ini", document) != Load::Read)
    return std::nullopt;
  return settingsfile::Find(document, section, key);
}

bool WriteSetting(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& value) {
  const std::string folder = StoreFolder(application);
  if (folder.empty())
    return false;
  const std::string file = folder + "/settings.ini";
  settingsfile::Document document;
  switch (LoadStore(file, document)) {
  case Load::Missing:
  case Load::Read:
    break;
  case Load::Unreadable:
    // Writing now would drop every key we could not read.
    return false;
  case Load::Corrupt:
    // Kept for the user to look at; the store starts afresh.
    if (::rename(file.c_str(), (file + ".corrupt").c_str()) != 0)
      return false;
    break;
  }
  settingsfile::Set(document, section, key, value);
  return MakeFolders(folder) && ReplaceAtomically(file, settingsfile::Write(document));
}

} // namespace platform
