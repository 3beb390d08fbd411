// POSIX only: replacement by rename, and what a folder holds.
#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

void RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    posix::ThrowErrno("Replace", to);
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno == EEXIST)
    return false;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
    posix::ThrowErrno("Rename", to);
  // A file system without it: a hard link is refused just as atomically when the name is taken.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) != 0)
      posix::ThrowErrno("Rename", from);
    return true;
  }
  if (errno == EEXIST)
    return false;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
    posix::ThrowErrno("Rename", to);
  // Neither (FAT, some network shares): the name is checked just before, as close as it gets.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0)
    return false;
  RenameOver(from, to);
  return true;
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
  // EPERM: it runs, under another user. An id beyond pid_t would name a process group.
  if (id == 0 || id > 0x7FFFFFFFul || (::kill(static_cast<pid_t>(id), 0) != 0 && errno != EPERM))
    return false;
  // A killed process whose parent has not reaped it yet runs no more: its state is Z.
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string line;
  if (!std::getline(stat, line))
    return true;
  const std::string::size_type name = line.rfind(')');
  return name == std::string::npos || line.compare(name, 3, ") Z") != 0;
}

std::string ProcessIdentity(unsigned long id) {
  if (!ProcessRunning(id))
    return std::string();
  // The start in clock ticks since the boot, with the boot's time: an id used again after a
  // reboot or a wrap-around starts at another moment. The name tells our programs from others.
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string line;
  if (!std::getline(stat, line))
    return "running";
  const std::string::size_type open = line.find('('), close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open)
    return "running";
  const std::string name = line.substr(open + 1, close - open - 1);
  // Fields after the name: state is the 3rd of the line, starttime the 22nd.
  std::string field, start;
  std::size_t number = 2;
  for (std::string::size_type at = close + 2; at < line.size() && number < 22;) {
    const std::string::size_type end = std::min(line.find(' ', at), line.size());
    field = line.substr(at, end - at);
    ++number;
    at = end + 1;
  }
  start = number == 22 ? field : std::string();
  std::ifstream boot("/proc/stat");
  std::string bootTime;
  for (std::string entry; std::getline(boot, entry);)
    if (entry.compare(0, 6, "btime ") == 0)
      bootTime = entry.substr(6);
  return bootTime + "." + start + " " + name;
}

} // namespace platform
