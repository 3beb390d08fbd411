// POSIX only: the current directory, file status, permissions and deletion.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"

namespace platform {

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

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

// Hidden and system have no POSIX counterpart; write permission for the owner is what
// stands between the program and replacing the file.
void SetNormalAttributes(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    posix::ThrowErrno("Set attributes of", path);
  if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
    posix::ThrowErrno("Set attributes of", path);
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0)
    posix::ThrowErrno("Delete", path);
}

} // namespace platform
