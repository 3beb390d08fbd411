// POSIX only: a child process whose output is shown on standard error.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "util/BraskModule.h"
#include "util/text/CommandLine.h"

extern char** environ;

namespace BraskModule {

// Started from an argument vector and never through a shell, like RunAndWait.
void RunAndWaitShowingOutput(const std::string& commandLine) {
  std::vector<std::string> args = commandline::Split(commandLine);
  if (args.empty() || args[0].empty())
    return;
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid = 0;
  const int started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (started != 0)
    return;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

} // namespace BraskModule
