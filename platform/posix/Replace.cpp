// POSIX only: replacement by rename, and what a folder holds.
#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

void RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    posix::ThrowErrno("Replace", to);
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPlainFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  const posix::Dir dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir.get())
    return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  return names;
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

bool ProcessRunning(unsigned long id) {
  // EPERM: it runs, under another user.
  if (id == 0 || (::kill(static_cast<pid_t>(id), 0) != 0 && errno != EPERM))
    return false;
  // A killed process whose parent has not reaped it yet runs no more: its state is Z.
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string line;
  if (!std::getline(stat, line))
    return true;
  const std::string::size_type name = line.rfind(')');
  return name == std::string::npos || line.compare(name, 3, ") Z") != 0;
}

} // namespace platform
