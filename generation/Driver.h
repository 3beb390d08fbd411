#pragma once
// One generation, from the three inputs to the instructions text, shared by every front end.
// The front end answers the questions and shows the reports (message boxes, or flags and
// console output); the files and the compiler are reached through FileOperations.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "generation/ComponentFacts.h"
#include "generation/Manifest.h"
#include "generation/ManifestSettings.h"
#include "base/SystemError.h"

namespace generation {

/// What a generation does to files and processes. The real one is BraskFileOperations;
/// the services throw SystemError, the probes never do.
class FileOperations {
public:
  virtual ~FileOperations() = default;
  /// True when the folder can be entered; it then is the current directory.
  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual void SetNormalAttributes(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  /// Creates path anew with text and CR LF.
  virtual void WriteTextFile(const std::string& path, const std::string& text) = 0;
  /// Creates path with text and CR LF only when nothing has the name (a link included);
  /// false when something has. The text is on the disk when it returns.
  virtual bool CreateNewTextFile(const std::string& path, const std::string& text) = 0;
  /// Renames from to to, replacing a file there in one step.
  virtual void RenameOver(const std::string& from, const std::string& to) = 0;
  /// The text less one final CR LF.
  virtual std::string ReadWholeFile(const std::string& path) = 0;
  /// Every byte of a file of at most limit bytes; a larger one, a folder or a device throws.
  virtual std::string ReadBytes(const std::string& path, std::size_t limit) = 0;
  /// count bytes of a plain file from offset, fewer where it ends.
  virtual std::string ReadRange(const std::string& path, std::uint64_t offset,
                                std::size_t count) = 0;
  /// CreateNewTextFile with the bytes exactly as given.
  virtual bool CreateNewFile(const std::string& path, const std::string& bytes) = 0;
  /// CreateNewTextFile for a file that goes again within the run (the compiler's input):
  /// it need not reach the disk before it is used.
  virtual bool CreateScratchTextFile(const std::string& path, const std::string& text) {
    return CreateNewTextFile(path, text);
  }
  virtual bool IsReadOnly(const std::string& path) = 0;
  /// Gives to the permission bits, owner and group (Windows: the attributes) of from.
  virtual void CopyPermissions(const std::string& /*from*/, const std::string& /*to*/) {}
  /// Sets the file's modification time to now.
  virtual void TouchFile(const std::string& /*path*/) {}
  /// True when a running program holds the file, so that it cannot be replaced now.
  virtual bool InUse(const std::string& /*path*/) { return false; }
  /// Gives the file from the second name to; false when that cannot be done.
  virtual bool LinkFile(const std::string& /*from*/, const std::string& /*to*/) { return false; }
  /// Blocks until the child has ended; a program that cannot start throws SystemError.
  virtual void RunAndWait(const std::string& commandLine) = 0;
  /// The program's own folder, ending in its separator.
  virtual std::string AppFolder() = 0;
  /// The three values go into a UTF-8 manifest. codePage: what text that is not UTF-8 is
  /// taken as where the system has no ANSI code page (POSIX); Windows uses its own.
  virtual std::string AnsiToUtf8(const std::string& text, unsigned codePage) = 0;
  /// What separates folders in the paths the front end passes.
  virtual char PathSeparator() { return '\\'; }

  // Probes that change no current directory.
  virtual bool IsLink(const std::string& path) = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  /// An existing file that is neither a link nor a device.
  virtual bool IsPlainFile(const std::string& path) = 0;
  virtual std::vector<std::string> FolderEntries(const std::string& folder) = 0;

  /// What names this run's temporary files and tells them from a killed run's.
  virtual unsigned long ProcessId() = 0;
  virtual bool ProcessRunning(unsigned long id) = 0;
  virtual std::uint64_t RandomBits() = 0;
  /// A temporary file to delete, or no longer, if the program is stopped.
  virtual void TrackTemporaryFile(const std::string& path, bool tracked) = 0;
};

enum class Question {
  OverwriteOutput, ///< OK/Cancel, OK the default
  VersionWarning,  ///< Yes/No, No the default
  OverwriteModule, ///< Yes/No, Yes the default
};

enum class Report {
  FolderInaccessible,  ///< warning
  CompileFailed,       ///< warning
  FileOperationFailed, ///< critical: a write, delete or read of the generation failed
  ModuleWriteFailed,   ///< critical: the module writer's own "Error writing" box
  OutputInTheWay,      ///< warning: a link or a folder has an output's name
};

/// The front end's side of a generation.
class Conversation {
public:
  virtual ~Conversation() = default;
  /// True to go on (OK or Yes); any other answer, Esc and closing the box included, is false.
  virtual bool Ask(Question question, const std::string& text) = 0;
  virtual void Tell(Report report, const std::string& text) = 0;
  /// Called once right after the compiler has ended (windows: one pass over pending events).
  virtual void CompilerFinished() = 0;
  /// The filled-in instructions; returns when the user has read them.
  virtual void ShowInstructions(const std::string& text) = 0;
};

struct Inputs {
  std::string targetPath;
  std::string version;
  std::string description;
};

enum class Outcome {
  Busy,               ///< a generation was already running: nothing done
  FolderInaccessible,
  VersionDeclined,
  OverwriteDeclined,
  OutputInTheWay,     ///< a link or a folder has an output's name: nothing touched
  CompileFailed,
  FileOperationFailed,
  Done,               ///< .res made, module step done, instructions shown
};

/// How a front end tunes a generation; the defaults are the window's behaviour.
struct DriverOptions {
  bool writeModule = true;
  /// Ask about an existing module before anything is touched rather than after the
  /// compiler, so that declining leaves the folder as it was.
  bool moduleQuestionFirst = false;
  /// False: no template is read and no instructions are shown.
  bool instructions = true;
  /// The instructions template; "" for readme.txt in the program's own folder.
  std::string templatePath;
};

/// The processorArchitecture of the program at path, from its PE header; X86 when it
/// cannot be read as one (not built yet, say).
std::string TargetArchitecture(FileOperations& files, const std::string& path);

/// Writes the start-up module to path, asking before it replaces a file unless ask is false
/// (the question was answered already). The new text goes to a file of its own that then
/// replaces the old one, so a failure leaves the old module whole. False only when writing
/// failed; the failure has then been told.
bool WriteModule(const std::string& path, FileOperations& files, Conversation& conversation,
                 bool ask = true);

class Driver {
public:
  Driver(FileOperations& files, Conversation& conversation, DriverOptions options = {})
      : files_(files), conversation_(conversation), options_(std::move(options)) {}

  /// One whole generation. A call made while one runs (a click queued during the compiler
  /// and dispatched in the pass over pending events) returns Busy at once.
  /// components: the facts of manifest.components, read by the front end beforehand.
  Outcome Run(const Inputs& inputs, const std::string& rcExePath,
              const ManifestSettings& manifest = {},
              const std::vector<ComponentFacts>& components = {});

private:
  Outcome Generate(const Inputs& inputs, const std::string& rcExePath,
                   const ManifestSettings& manifest,
                   const std::vector<ComponentFacts>& components);

  FileOperations& files_;
  Conversation& conversation_;
  DriverOptions options_;
  bool running_ = false;
};

} // namespace generation
