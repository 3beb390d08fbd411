// POSIX only: fork and exec with pipes, so that a file-size limit cannot cut the captured
// output short.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "batch/Runner.h"

extern char** environ;

namespace batchtest {

namespace {

std::vector<std::string> Environment(const Launch& launch) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry; ++entry) {
    bool replaced = false;
    for (const auto& [name, value] : launch.environment)
      replaced = replaced || std::strncmp(*entry, (name + "=").c_str(), name.size() + 1) == 0;
    if (!replaced)
      entries.emplace_back(*entry);
  }
  for (const auto& [name, value] : launch.environment)
    entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts)
    pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

} // namespace

Result RunProgram(const Launch& launch) {
  std::vector<std::string> args{launch.program};
  args.insert(args.end(), launch.args.begin(), launch.args.end());
  std::vector<std::string> environment = Environment(launch);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(environment);
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec.
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    if (::chdir(launch.folder.c_str()) != 0)
      ::_exit(126);
    if (launch.fileSizeLimit >= 0) {
      const rlimit limit{static_cast<rlim_t>(launch.fileSizeLimit),
                         static_cast<rlim_t>(launch.fileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  Result result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0 && errno != EINTR)
      break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string BuildPath(const std::string& path) { return path; }

bool CanLimitFileSize() { return true; }

bool CanRunShellScripts() { return true; }

} // namespace batchtest
