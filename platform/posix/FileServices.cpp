// POSIX only: the current directory, file status, permissions and deletion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

// chdir needs a folder and search permission on it.
bool CanEnterFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string CurrentDirectory() {
  std::string path(4096, '\0');
  while (::getcwd(path.data(), path.size()) == nullptr) {
    if (errno != ERANGE)
      return "";
    path.resize(path.size() * 2);
  }
  path.resize(path.find('\0'));
  return path;
}

bool HasAttributes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

// Hidden and system have no POSIX counterpart; write permission for the owner is what
// stands between the program and replacing the file.
// Opened without following a link, so nothing outside the folder becomes writable; without
// blocking, so a FIFO cannot hang the program.
void SetNormalAttributes(const std::string& path) {
  posix::Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 && errno == EACCES) {
    // Not even readable: checked by name instead.
    if (::lstat(path.c_str(), &st) != 0)
      posix::ThrowErrno("Set attributes of", path);
    if (S_ISLNK(st.st_mode))
      posix::ThrowErrno("Set attributes of", path, ELOOP);
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
      posix::ThrowErrno("Set attributes of", path);
    return;
  }
  if (fd.get() < 0)
    posix::ThrowErrno("Set attributes of", path);
  if (::fstat(fd.get(), &st) != 0 || ::fchmod(fd.get(), (st.st_mode & 07777) | S_IWUSR) != 0)
    posix::ThrowErrno("Set attributes of", path);
}

void CopyPermissions(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0)
    posix::ThrowErrno("Read the permissions of", from);
  // Only root may give a file away; anyone may keep their own group. Failing that, the
  // file stays the user's own, which is what they could have made it themselves.
  if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0 &&
      ::chown(to.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
    // Neither the owner nor the group can be kept.
  }
  if (::chmod(to.c_str(), st.st_mode & 07777) != 0)
    posix::ThrowErrno("Set the permissions of", to);
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0)
    posix::ThrowErrno("Delete", path);
}

// The permission bits, ACLs and a read-only mount, as creating a file would meet them.
bool CanCreateIn(const std::string& folder, std::string& why) {
  if (::access(folder.c_str(), W_OK | X_OK) == 0)
    return true;
  why = std::strerror(errno);
  return false;
}

std::string MakePrivateFolder() {
  const char* system = std::getenv("TMPDIR");
  std::string path = system && *system ? system : "/tmp";
  if (path.back() != '/')
    path += '/';
  path += "themefold-XXXXXX";
  if (!::mkdtemp(path.data()))
    posix::ThrowErrno("Create", path);
  return path + '/';
}

void RemoveFolder(const std::string& path) {
  if (::rmdir(path.c_str()) != 0)
    posix::ThrowErrno("Delete", path);
}

} // namespace platform
