// The stop handler itself, in a child process: POSIX signals (the console's events cannot be
// sent to one program alone).
#include "support/TestSupport.h"

#include "platform/Stopping.h"

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

class StoppingTest : public testsupport::TempDirTest {};

// A request that comes while a file is created waits for its tracking, then removes it and
// the tracked folder it is in; one no longer tracked stays. Tracking inside the hold nests in
// it.
TEST_F(StoppingTest, RequestDuringAHoldRemovesTheFileCreatedUnderIt) {
  const struct {
    int signal;
    bool untrack;
  } rows[] = {{SIGINT, false}, {SIGTERM, false}, {SIGHUP, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    const std::string folder = Path("private");
    const std::string path = folder + "/out.res.~0123456789abcdef.tmp";
    std::filesystem::create_directory(folder);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::signal(row.signal, SIG_DFL); // as from a terminal
      platform::StopOnRequest(nullptr);
      platform::TrackTemporaryFile(folder);
      platform::HoldStopRequests(true);
      platform::NewFile file;
      if (!file.Create(path))
        ::_exit(1);
      ::raise(row.signal);
      platform::TrackTemporaryFile(path);
      if (row.untrack) {
        platform::UntrackTemporaryFile(path);
        platform::UntrackTemporaryFile(folder);
      }
      platform::HoldStopRequests(false);
      ::_exit(2); // the request has ended the program before this
    }
    int status = 0;
    pid_t ended = 0;
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         ended == 0 && std::chrono::steady_clock::now() < until;)
      if ((ended = ::waitpid(pid, &status, WNOHANG)) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
      ADD_FAILURE() << "the child hangs";
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + row.signal);
    EXPECT_EQ(std::filesystem::exists(path), row.untrack);
    EXPECT_EQ(std::filesystem::exists(folder), row.untrack);
    std::filesystem::remove_all(folder);
  }
}

} // namespace
#endif
