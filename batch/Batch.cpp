#include "batch/Batch.h"

#include "base/Path.h"
#include "batch/Reports.h"
#include "batch/Options.h"
#include "front/Compiler.h"
#include "front/Target.h"
#include "front/Theming.h"
#include "generation/DriverTexts.h"
#include "generation/Placeholders.h"
#include "project/FormCheck.h"
#include "project/ProjectRun.h"
#include "project/ProjectTexts.h"
#include "readers/Bytes.h"
#include "readers/ComponentReader.h"
#include "readers/FormTexts.h"
#include "readers/Inspection.h"
#include "readers/PeImage.h"
#include "readers/UsedComponents.h"

namespace batch {

namespace {

/// The statement of a question, without the question itself after its empty line.
std::string Statement(const std::string& question) {
  return generation::ReplaceAll(question.substr(0, question.find("\r\n\r\n")), "\r\n", " ");
}

/// Questions answered by the flags, reports and notes printed on standard error; a project's
/// changes are made unasked.
class FlagConversation : public front::Conversation {
public:
  FlagConversation(const Options& options, Console& console)
      : options_(options), console_(console) {}

  bool Ask(generation::Question question, const std::string& text) override {
    switch (question) {
    case generation::Question::VersionWarning:
      Say(console_.err, (options_.checkVersion ? "error: " : "warning: ") + Statement(text));
      return !options_.checkVersion;
    case generation::Question::OverwriteOutput:
    case generation::Question::OverwriteModule:
      if (options_.force)
        return true;
      Say(console_.err, Statement(text));
      Say(console_.err, "nothing changed; --force replaces existing files");
      return false;
    }
    return false;
  }

  void Tell(generation::Report, const std::string& text) override { Say(console_.err, text); }

  // The compiler's own output has gone to standard error; the window's pass over pending
  // events has no counterpart here.
  void CompilerFinished() override { console_.err.flush(); }

  void ShowInstructions(const std::string& text) override {
    // The line end the template reader took off, so that the output is the filled-in file.
    console_.out << text << "\r\n";
    console_.out.flush();
  }

  front::Confirmation Confirm(const project::Plan&, bool) override {
    return front::Confirmation::Unasked;
  }
  void Note(const std::string& text) override { Say(console_.err, text); }

private:
  const Options& options_;
  Console& console_;
};

int UsageError(Console& console, const std::string& error) {
  Say(console.err, error);
  console.err << "Try '" << kProgramName << " --help'.\n";
  return kUsage;
}

/// --com-used: the components the program places join the list, those not found are
/// warnings; false, said, when the program records none because Visual Basic did not build it.
bool AddUsedComponents(Options& options, const std::string& here, char separator, Console& console,
                       platform::FilePort& files, std::vector<std::string>& warnings) {
  const std::optional<readers::UsedComponents> used = readers::UsedComponentsOf(
      options.target, AbsolutePath(options.componentsFolder, here, separator), files);
  if (!used) {
    Say(console.err,
        readers::NoRecordedComponents(path::BaseName(options.target, path::StyleOf(separator))) +
            " with --com FILE");
    return false;
  }
  options.manifest.components.insert(options.manifest.components.end(), used->paths.begin(),
                                     used->paths.end());
  warnings = used->missing;
  return true;
}

/// Every component is read before anything is written: one that cannot be read stops the
/// run with a message naming it. False when one could not be read.
bool ReadComponentFacts(Options& options, const std::string& here, char separator, Console& console,
                        platform::FilePort& files,
                        std::vector<generation::ComponentFacts>& components,
                        std::vector<std::string>& warnings) {
  try {
    std::vector<std::string> notes;
    for (const std::string& project : options.projects)
      for (const std::string& path : readers::ProjectComponentPaths(
               AbsolutePath(project, here, separator), separator, notes, files))
        options.manifest.components.push_back(path);
    for (std::string& path : options.manifest.components)
      path = AbsolutePath(path, here, separator);
    if (options.componentsUsed &&
        !AddUsedComponents(options, here, separator, console, files, warnings))
      return false;
    const std::string target = options.target;
    const std::string programFolder = path::Folder(target, path::StyleOf(separator));
    const std::vector<readers::Component> read = readers::ReadComponents(
        options.manifest.components, programFolder, separator,
        [&console](const std::string& subKey) {
          return console.registry.ReadLocalMachineString(subKey, "");
        },
        readers::ProgramMachine(target, files), files);
    for (const readers::Component& component : read)
      notes.insert(notes.end(), component.notes.begin(), component.notes.end());
    for (const std::string& note : notes)
      Say(console.err, "note: " + note);
    components = readers::FactsOf(read);
    return true;
  } catch (const readers::FormatError& error) {
    Say(console.err, error.what());
    return false;
  }
}

/// --inspect: the report on standard output; nothing is written.
int Inspect(const std::string& target, bool strict, Console& console, platform::FilePort& files) {
  readers::Inspection inspection = readers::InspectProgram(target, files);
  front::AddThemingWarnings(inspection);
  switch (inspection.state) {
  case readers::ProgramState::Unreadable: {
    inspection.fileName = target;
    const std::string report = readers::ReportText(inspection);
    Say(console.err, report.substr(0, report.size() - 1));
    return kFileOperationFailed;
  }
  case readers::ProgramState::NoManifest:
    console.out << readers::ReportText(inspection);
    return kNoManifest;
  case readers::ProgramState::Manifest:
    break;
  }
  console.out << readers::ReportText(inspection);
  return strict && !inspection.warnings.empty() ? kFindings : kDone;
}

/// --check-forms: the findings and a summary on standard output; nothing is written.
int CheckForms(const Options& options, platform::FileOperations& files, Console& console) {
  const project::FormCheck check =
      project::CheckForms(files, options.target, options.projectCodePage,
                          options.manifest.codePage == generation::CodePage::Utf8);
  if (check.refusal) {
    Say(console.err, *check.refusal);
    return kUsage;
  }
  for (const std::string& finding : check.findings)
    console.out << finding << '\n';
  console.out << readers::formtexts::Summary(check.filesChecked, check.findings.size()) << '\n';
  console.out.flush();
  return check.findings.empty() ? kDone : kFindings;
}

/// The one place the request is filled from the options.
front::Request RequestFrom(const Options& options,
                           const std::vector<generation::ComponentFacts>& components,
                           const std::vector<std::string>& componentWarnings,
                           const std::string& compiler) {
  front::Request request;
  request.way = *WayOf(options.mode);
  request.target = options.target;
  request.version = options.version;
  request.description = options.description;
  request.versionGiven = options.versionGiven;
  request.descriptionGiven = options.descriptionGiven;
  request.manifest = options.manifest;
  request.components = components;
  request.compiler = compiler;
  request.dryRun = options.dryRun;
  request.generate.writeModule = !options.noModule;
  request.generate.moduleQuestionFirst = true;
  request.generate.instructions = !options.quiet;
  request.generate.templatePath = options.readmePath;
  request.projectCodePage = options.projectCodePage;
  request.keepOverlay = options.keepOverlay;
  request.stripSignature = options.stripSignature;
  request.remove = options.remove;
  request.componentsUsed = options.componentsUsed;
  request.componentWarnings = componentWarnings;
  return request;
}

/// Generate and Project: the target and the compiler checked, the compiler found and the
/// template too; kDone when the run may go on, else its exit code.
int Prepare(Options& options, platform::FileOperations& files, Console& console,
            std::string& compiler) {
  // The window's own rule for when "Generate..." may be pressed.
  if (!front::GenerateEnabledFor(options.target))
    return UsageError(console, "the target must name a .exe program: " + options.target);
  for (const std::string* path : {&options.target, &options.rcPath}) {
    const std::optional<std::string> reason = UnsafePathReason(*path, files.PathSeparator());
    if (reason)
      return UsageError(console, *reason);
  }
  front::CompilerPlaces places{console.registry, console.settings, files, console.bundledCompiler};
  compiler = options.rcPath;
  if (compiler.empty()) {
    compiler = front::LocateCompiler(places);
    if (compiler.empty()) {
      Say(console.err, "no resource compiler found in " + front::DescribeCompilerPlaces(places) +
                           "; name one with --rc PATH");
      return kUsage;
    }
  } else if (!files.FileExists(compiler)) {
    return UsageError(console, "no resource compiler at " + compiler);
  }
  // A template named on the command line is checked before anything is touched.
  if (!options.quiet && !options.readmePath.empty() && !files.FileExists(options.readmePath))
    return UsageError(console, "no instructions template at " + options.readmePath);
  if (!options.quiet && options.readmePath.empty())
    options.readmePath = LocateTemplate(files, console.dataFolder);
  return kDone;
}

/// One of the ways to deliver a manifest, its result printed.
int Deliver(Options options, platform::FileOperations& files, Console& console) {
  const char separator = files.PathSeparator();
  const std::string here = files.CurrentDirectory();
  options.target = AbsolutePath(options.target, here, separator);
  options.rcPath = AbsolutePath(options.rcPath, here, separator);
  options.readmePath = AbsolutePath(options.readmePath, here, separator);
  std::string compiler;
  if (options.mode == Mode::Generate || options.mode == Mode::Project)
    if (const int code = Prepare(options, files, console, compiler); code != kDone)
      return code;
  std::vector<generation::ComponentFacts> components;
  std::vector<std::string> warnings;
  if (!ReadComponentFacts(options, here, separator, console, files, components, warnings))
    return kUsage;
  FlagConversation conversation(options, console);
  front::Deliverer deliverer(files, conversation, OptionWording());
  return Report(options, deliverer.Deliver(RequestFrom(options, components, warnings, compiler)),
                console);
}

} // namespace

void Say(std::ostream& err, const std::string& text) {
  // CR LF becomes the stream's own line end.
  err << kProgramName << ": " << generation::ReplaceAll(text, "\r\n", "\n") << '\n';
}

std::string AbsolutePath(std::string path, const std::string& currentDirectory, char separator) {
  const path::Style style = path::StyleOf(separator);
  // Windows takes either separator; its own is the one the compiler's command line gets.
  if (style == path::Style::windows)
    path = path::InStyle(path, style);
  if (path.empty() || path::IsAbsolute(path, style))
    return path;
  return path::Join(currentDirectory.empty() ? std::string(1, separator) : currentDirectory, path,
                    style);
}

std::optional<std::string> UnsafePathReason(const std::string& path, char separator) {
  if (path.find('"') != std::string::npos)
    return "a double quote cannot be passed to the resource compiler: " + path;
  for (const char c : path)
    if (static_cast<unsigned char>(c) < 0x20)
      return "a line break or other control character cannot be passed to the resource "
             "compiler: " +
             generation::ReplaceAll(generation::ReplaceAll(path, "\n", "\\n"), "\r", "\\r");
  if (separator == '/' && path.find('\\') != std::string::npos)
    return "a backslash in a name is not supported: " + path;
  return std::nullopt;
}

int Run(const std::vector<std::string>& args, platform::FileOperations& files, Console& console) {
  const ParsedOptions parsed = ParseOptions(args);
  if (parsed.error)
    return UsageError(console, *parsed.error);
  const Options& options = parsed.options;
  switch (options.mode) {
  case Mode::Help:
    console.out << HelpText();
    return kDone;
  case Mode::ShowVersion:
    console.out << kProgramName << ' ' << console.programVersion << '\n';
    return kDone;
  case Mode::Inspect:
    return Inspect(options.target, options.strict, console, files);
  case Mode::CheckForms:
    return CheckForms(options, files, console);
  case Mode::Generate:
  case Mode::Project:
  case Mode::Embed:
  case Mode::Beside:
    break;
  }
  return Deliver(options, files, console);
}

int ExitCodeFor(front::Outcome outcome) {
  // clang-format off
  static constexpr std::pair<front::Outcome, ExitCode> kTable[] = {
      {front::Outcome::Done, kDone},
      {front::Outcome::Removed, kDone},
      {front::Outcome::Unchanged, kDone},
      {front::Outcome::DryRun, kDone},
      {front::Outcome::Declined, kUsage},
      {front::Outcome::Refused, kUsage},
      {front::Outcome::CompileFailed, kCompileFailed},
      {front::Outcome::FolderInaccessible, kFolderInaccessible},
      {front::Outcome::OutputExists, kOutputExists},
      {front::Outcome::Changed, kFileOperationFailed},
      {front::Outcome::Failed, kFileOperationFailed},
  };
  // clang-format on
  for (const auto& [from, code] : kTable)
    if (from == outcome)
      return code;
  return kFileOperationFailed;
}

} // namespace batch
