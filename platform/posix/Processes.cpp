// POSIX only: child processes, started from an argument vector and never through a shell.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/PosixError.h"
#include "platform/posix/Stopping.h"
#include "base/CommandLine.h"

extern char** environ;

namespace platform {
namespace {

// ShellExecute's numbers, so callers read one kind of status everywhere.
constexpr std::intptr_t kShellStarted = 42;
constexpr std::intptr_t kShellOutOfResources = 0;
constexpr std::intptr_t kShellFileNotFound = 2;
constexpr std::intptr_t kShellNoAssociation = 31;

class FileActions {
public:
  FileActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

private:
  posix_spawn_file_actions_t actions_;
};

std::vector<char*> ArgumentVector(std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

/// The first executable called name on PATH; "" when there is none.
std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  const std::string folders = path && *path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos)
      end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    std::string candidate = folder + '/' + name;
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return "";
}

} // namespace

// The program is looked up on PATH when it has no '/', as CreateProcess searches for a bare
// name; the current folder is not searched. glibc's posix_spawnp reports a file it cannot
// execute as an error instead of handing it to /bin/sh.
void RunHiddenAndWait(const std::string& commandLine, const std::string& workingFolder,
                      bool showOutput) {
  std::vector<std::string> args = commandline::Split(commandLine);
  if (args.empty() || args[0].empty())
    posix::ThrowErrno("Start", commandLine, ENOENT);
  std::vector<char*> argv = ArgumentVector(args);
  FileActions actions;
  // A folder that cannot be entered fails the start, as CreateProcess does.
  if (!workingFolder.empty())
    ::posix_spawn_file_actions_addchdir_np(actions.get(), workingFolder.c_str());
  // Windows shows nothing of a hidden child; here its output would land in our terminal.
  if (showOutput) {
    ::posix_spawn_file_actions_adddup2(actions.get(), STDERR_FILENO, STDOUT_FILENO);
  } else {
    ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);
  }
  // A stop request that comes while the child starts waits until its id is known, so the
  // handler can stop it; the child itself starts with the signals as they were.
  sigset_t stops, before;
  ::sigemptyset(&stops);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    ::sigaddset(&stops, signal);
  ::pthread_sigmask(SIG_BLOCK, &stops, &before);
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  ::posix_spawnattr_setsigmask(&attributes, &before);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  // On a failed start glibc has already reaped the child: nothing is left behind.
  const int started =
      ::posix_spawnp(&pid, argv[0], actions.get(), &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  if (started == 0)
    posix::runningChild.store(pid, std::memory_order_release);
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (started != 0)
    posix::ThrowErrno("Start", args[0], started);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  posix::runningChild.store(0, std::memory_order_release);
}

// xdg-open opens one document or address and takes no parameters, so parameters are not
// passed on. It runs in a grandchild in a session of its own: nobody waits for it, and it
// leaves no zombie. A pipe closed on exec tells whether it started.
std::intptr_t ShellOpen(const std::string& file, const std::string& directory, std::uintptr_t,
                        const std::string&, const std::string& operation) {
  if (!operation.empty() && operation != "open")
    return kShellNoAssociation;
  const std::string opener = FindOnPath("xdg-open");
  if (opener.empty())
    return kShellFileNotFound;
  std::vector<std::string> args{opener, file};
  std::vector<char*> argv = ArgumentVector(args);
  const char* folder = directory.empty() ? nullptr : directory.c_str();

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0)
    return kShellOutOfResources;
  posix::Fd reader(report[0]);
  posix::Fd writer(report[1]);
  // Only async-signal-safe calls between fork and exec.
  const pid_t middle = ::fork();
  if (middle == 0) {
    const pid_t opened = ::fork();
    if (opened == 0) {
      ::setsid();
      int error = 0;
      if (folder && ::chdir(folder) != 0) {
        error = errno;
      } else {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
          ::dup2(null, STDIN_FILENO);
          ::dup2(null, STDOUT_FILENO);
          ::dup2(null, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        error = errno;
      }
      [[maybe_unused]] const ssize_t n = ::write(writer.get(), &error, sizeof error);
      ::_exit(127);
    }
    ::_exit(opened < 0 ? 1 : 0);
  }
  writer.reset();
  if (middle < 0)
    return kShellOutOfResources;
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return kShellOutOfResources;
  int error = 0;
  ssize_t got;
  while ((got = ::read(reader.get(), &error, sizeof error)) < 0 && errno == EINTR) {
  }
  return got == 0 ? kShellStarted : kShellFileNotFound;
}

} // namespace platform
