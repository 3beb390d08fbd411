#pragma once
// Files made under temporary names, and stopping at once: exclusive creation, the names,
// and what a stop request removes. The tool and the resource compiler both use it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// ---- Temporary names ---------------------------------------------------------------------

/// 64 bits nobody can guess: the system's randomness mixed with the time, the process and a
/// count, since mingw's random_device may be a fixed sequence (and others may throw).
std::uint64_t RandomBits();

/// "~themefold-<process id>-<16 hex digits>": the start of every temporary name of one run
/// of the tool. The id lets a later run tell a killed run's files from a running one's.
std::string TemporaryStem(unsigned long processId, std::uint64_t random);

/// The process id in a name that starts with a stem, or 0 for any other name.
unsigned long TemporaryOwner(const std::string& name);

/// A name beside path for the file that will replace it: path + ".~" + 16 random hex
/// digits + ".tmp" (the compiler's output).
std::string TemporaryNameBeside(const std::string& path);

// ---- Exclusive creation --------------------------------------------------------------------

/// A file this process created, open for writing. Shared for deletion on Windows, so that a
/// stop request removes it while it is still open. Closed (and kept) when it goes.
class NewFile {
public:
  NewFile() = default;
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  /// Creates path only when nothing has that name, not even a dangling link: nothing is
  /// ever created at a link's target. False when the name is taken; throws SystemError on
  /// any other failure.
  bool Create(const std::string& path);
  /// Every byte, or throws SystemError.
  void Write(std::string_view bytes);
  /// Appends size bytes of the open file source (a descriptor; Windows: a HANDLE) from
  /// offset, copied by the system file to file as cp does; how many it copied, fewer where
  /// it cannot (another file system, an old kernel; Windows copies none). Throws
  /// SystemError when writing fails.
  std::uint64_t Copy(std::intptr_t source, std::uint64_t offset, std::uint64_t size);
  /// With durable, the bytes are on the disk first: a crash after a rename cannot leave an
  /// empty file. Throws SystemError.
  void Close(bool durable);

private:
  std::string path_;
  std::intptr_t handle_ = -1;
};

/// Creates path as NewFile::Create does, writes bytes (durably unless durable is false: a
/// scratch file that goes again within the run need not reach the disk) and closes it. False
/// when the name is taken; throws SystemError on any other failure (a partial file then
/// stays, for the caller to remove).
bool CreateNewFile(const std::string& path, const std::string& bytes, bool durable = true);

// ---- Stopping at once ----------------------------------------------------------------------
// What a stop request guarantees, once StopOnRequest has been called:
// - Stop requests: SIGINT, SIGTERM and SIGHUP on POSIX (one ignored by whoever started the
//   program stays ignored; a second request waits for the first); on Windows the console's
//   Ctrl-C (taken as SIGINT), Ctrl-Break (21, SIGBREAK), close (SIGHUP) and log-off or
//   shut-down (SIGTERM) events. SIGKILL, a crash and a power cut are not stop requests.
// - The handler stops the child RunHiddenAndWait waits for (POSIX sends it SIGTERM; on
//   Windows it shares the console and had the event too, and is killed after half a second),
//   waits up to half a second for it, deletes every tracked file that exists, then every
//   tracked folder that is empty by then, writes the message to the standard error and ends
//   the program with 128 + the signal.
// - Tracked are at most 16 paths at a time, each under 4,096 bytes: a name from before or
//   while its file is created until it has its lasting name or is gone. One tracked before
//   its file exists carries 64 random bits, so the file of that name can be nobody else's.
// - May be left: a path that could not be tracked; on Windows a file another process holds
//   open without sharing it for deletion; a killed child's own temporary file (its name
//   starts with our stem, so a later run removes it: TemporaryOwner); and everything after
//   what is no stop request.
// - Ordering: the handler reads only lock-free std::atomic values (the child, each slot's
//   in-use flag, one lock) and the slots' paths. A path is written before its slot's flag
//   is set with release order; the handler loads the flag with acquire order. Tracking,
//   untracking and a HoldStopRequests span take the lock (acquire; release when done); the
//   handler takes it and never gives it back. So on Windows, where the handler runs on a
//   thread of its own, it never sees half a path, a file created and tracked under a hold
//   is either not yet created or already tracked, and nothing is tracked after it has
//   looked. On POSIX a hold also blocks the stop signals in its thread, so the handler never
//   waits for the very thread it interrupted.

/// Tracks the file (or folder, its path without the final separator) at path for the
/// handler; at most 16 at a time, paths of 4,096 bytes or more are not tracked.
void TrackTemporaryFile(const std::string& path);
void UntrackTemporaryFile(const std::string& path);

/// With true, stop requests wait (nested holds count) until the matching false: a file and
/// its tracking come as one.
void HoldStopRequests(bool hold);

/// Installs the handler. message, when given, writes the text for a signal into a buffer
/// without allocating and returns its length.
void StopOnRequest(std::size_t (*message)(int signal, char* buffer, std::size_t size));

} // namespace platform
