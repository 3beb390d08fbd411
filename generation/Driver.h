#pragma once
// One generation, from the three inputs to the instructions text, shared by every front end.
// The front end answers the questions and shows the reports (message boxes, or flags and
// console output); the files and the compiler are reached through platform::FileOperations.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "generation/ComponentFacts.h"
#include "generation/Manifest.h"
#include "generation/ManifestSettings.h"
#include "base/SystemError.h"
#include "platform/Ports.h"

namespace generation {

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
  Busy, ///< a generation was already running: nothing done
  FolderInaccessible,
  VersionDeclined,
  OverwriteDeclined,
  OutputInTheWay, ///< a link or a folder has an output's name: nothing touched
  CompileFailed,
  FileOperationFailed,
  Done, ///< .res made, module step done, instructions shown
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
std::string TargetArchitecture(platform::FilePort& files, const std::string& path);

/// Writes the start-up module to path, asking before it replaces a file unless ask is false
/// (the question was answered already). The new text goes to a file of its own that then
/// replaces the old one, so a failure leaves the old module whole. False only when writing
/// failed; the failure has then been told.
bool WriteModule(const std::string& path, platform::FileOperations& files,
                 Conversation& conversation, bool ask = true);

class Driver {
public:
  Driver(platform::FileOperations& files, Conversation& conversation, DriverOptions options = {})
      : files_(files), conversation_(conversation), options_(std::move(options)) {}

  /// One whole generation. A call made while one runs (a click queued during the compiler
  /// and dispatched in the pass over pending events) returns Busy at once.
  /// components: the facts of manifest.components, read by the front end beforehand.
  Outcome Run(const Inputs& inputs, const std::string& rcExePath,
              const ManifestSettings& manifest = {},
              const std::vector<ComponentFacts>& components = {});

private:
  Outcome Generate(const Inputs& inputs, const std::string& rcExePath,
                   const ManifestSettings& manifest, const std::vector<ComponentFacts>& components);

  platform::FileOperations& files_;
  Conversation& conversation_;
  DriverOptions options_;
  bool running_ = false;
};

} // namespace generation
