#include "batch/Batch.h"

#include "base/Path.h"
#include "batch/Embedding.h"
#include "batch/Options.h"
#include "front/Compiler.h"
#include "front/ProjectFlow.h"
#include "front/Target.h"
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
#include "platform/Platform.h"

namespace batch {

namespace {

/// The statement of a question, without the question itself after its empty line.
std::string Statement(const std::string& question) {
  return generation::ReplaceAll(question.substr(0, question.find("\r\n\r\n")), "\r\n", " ");
}

/// Questions answered by the flags, reports printed on standard error.
class FlagConversation : public generation::Conversation {
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

  void Tell(generation::Report report, const std::string& text) override {
    if (report == generation::Report::ModuleWriteFailed)
      moduleFailed_ = true;
    Say(console_.err, text);
  }

  // The compiler's own output has gone to standard error; the window's pass over pending
  // events has no counterpart here.
  void CompilerFinished() override { console_.err.flush(); }

  void ShowInstructions(const std::string& text) override {
    // The line end the template reader took off, so that the output is the filled-in file.
    console_.out << text << "\r\n";
    console_.out.flush();
  }

  bool ModuleFailed() const { return moduleFailed_; }

private:
  const Options& options_;
  Console& console_;
  bool moduleFailed_ = false;
};

int UsageError(Console& console, const std::string& error) {
  Say(console.err, error);
  console.err << "Try '" << kProgramName << " --help'.\n";
  return kUsage;
}

/// Every component is read before anything is written: one that cannot be read stops the
/// run with a message naming it. False when one could not be read.
bool ReadComponentFacts(Options& options, const std::string& here, char separator, Console& console,
                        platform::FilePort& files,
                        std::vector<generation::ComponentFacts>& components) {
  try {
    std::vector<std::string> notes;
    for (const std::string& project : options.projects)
      for (const std::string& path : readers::ProjectComponentPaths(
               AbsolutePath(project, here, separator), separator, notes, files))
        options.manifest.components.push_back(path);
    for (std::string& path : options.manifest.components)
      path = AbsolutePath(path, here, separator);
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
int CheckForms(const std::string& projectPath, unsigned codePage, platform::FileOperations& files,
               Console& console) {
  const project::FormCheck check = project::CheckForms(files, projectPath, codePage);
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

/// A project's run as the batch holds it: no question, every note on standard error.
class BatchProjectConversation : public front::ProjectConversation {
public:
  explicit BatchProjectConversation(Console& console) : console_(console) {}
  front::Confirmation Confirm(const project::Plan&, bool) override {
    return front::Confirmation::Unasked;
  }
  void Note(const std::string& text) override { Say(console_.err, text); }

private:
  Console& console_;
};

/// A project as the target: its changes printed, then made unless it is a dry run.
int RunProject(const Options& options, const std::string& compiler,
               const std::vector<generation::ComponentFacts>& components,
               platform::FileOperations& files, generation::Conversation& conversation,
               Console& console) {
  project::Request request;
  request.projectPath = options.project;
  if (options.versionGiven)
    request.version = options.version;
  if (options.descriptionGiven)
    request.description = options.description;
  request.manifest = options.manifest;
  request.components = components;
  request.rcExePath = compiler;
  request.dryRun = options.dryRun;
  request.codePage = options.projectCodePage;
  BatchProjectConversation user(console);
  const front::ProjectResult result = front::RunProject(files, conversation, user, request);
  switch (result.outcome) {
  case front::ProjectOutcome::CompileFailed:
    Say(console.err, result.message);
    return kCompileFailed;
  case front::ProjectOutcome::Refused:
    Say(console.err, result.message);
    return kUsage;
  case front::ProjectOutcome::Changed:
  case front::ProjectOutcome::Failed:
    Say(console.err, result.message);
    return kFileOperationFailed;
  case front::ProjectOutcome::Declined:
    Say(console.err, result.message);
    return kUsage;
  case front::ProjectOutcome::DryRun:
  case front::ProjectOutcome::NothingToDo:
  case front::ProjectOutcome::Done:
    break;
  }
  console.out << project::DescribeChanges(result.plan);
  if (result.outcome == front::ProjectOutcome::DryRun) {
    console.out << project::texts::kDryRun << '\n';
    return kDone;
  }
  for (const std::string& backup : result.backups)
    console.out << project::texts::Backup(backup) << '\n';
  console.out << project::texts::NextStep(result.plan.projectPath) << '\n';
  console.out.flush();
  return kDone;
}

} // namespace

void Say(std::ostream& err, const std::string& text) {
  // CR LF becomes the stream's own line end.
  err << kProgramName << ": " << generation::ReplaceAll(text, "\r\n", "\n") << '\n';
}

std::string AbsolutePath(std::string path, const std::string& currentDirectory,
                         char separator) {
  if (separator == '\\')
    for (char& c : path)
      if (c == '/')
        c = '\\';
  if (path.empty() || path::IsAbsolute(path, path::StyleOf(separator)))
    return path;
  std::string folder = currentDirectory;
  if (folder.empty() || folder.back() != separator)
    folder += separator;
  return folder + path;
}

std::optional<std::string> UnsafePathReason(const std::string& path, char separator) {
  if (path.find('"') != std::string::npos)
    return "a double quote cannot be passed to the resource compiler: " + path;
  for (const char c : path)
    if (static_cast<unsigned char>(c) < 0x20)
      return "a line break or other control character cannot be passed to the resource "
             "compiler: " + generation::ReplaceAll(generation::ReplaceAll(path, "\n", "\\n"),
                                                   "\r", "\\r");
  if (separator == '/' && path.find('\\') != std::string::npos)
    return "a backslash in a name is not supported: " + path;
  return std::nullopt;
}

int Run(const std::vector<std::string>& args, platform::FileOperations& files, Console& console) {
  const ParsedOptions parsed = ParseOptions(args);
  if (parsed.error)
    return UsageError(console, *parsed.error);
  Options options = parsed.options;
  if (options.help) {
    console.out << HelpText();
    return kDone;
  }
  if (options.showVersion) {
    console.out << kProgramName << ' ' << console.programVersion << '\n';
    return kDone;
  }
  if (options.inspect)
    return Inspect(options.target, options.strict, console, files);
  if (options.checkForms)
    return CheckForms(options.project, options.projectCodePage, files, console);

  const char separator = files.PathSeparator();
  const std::string here = platform::CurrentDirectory();
  const bool projectTarget = !options.project.empty();
  if (projectTarget)
    options.target = options.project = AbsolutePath(options.project, here, separator);
  options.target = AbsolutePath(options.target, here, separator);
  options.rcPath = AbsolutePath(options.rcPath, here, separator);
  options.readmePath = AbsolutePath(options.readmePath, here, separator);
  if (options.embed || options.beside) {
    std::vector<generation::ComponentFacts> components;
    if (!ReadComponentFacts(options, here, separator, console, files, components))
      return kUsage;
    return options.embed ? Embed(options, components, files, console)
                         : Beside(options, components, files, console);
  }
  // The window's own rule for when "Generate..." may be pressed.
  if (!front::GenerateEnabledFor(options.target))
    return UsageError(console, "the target must name a .exe program: " + options.target);
  for (const std::string* path : {&options.target, &options.rcPath}) {
    const std::optional<std::string> reason = UnsafePathReason(*path, separator);
    if (reason)
      return UsageError(console, *reason);
  }

  front::CompilerPlaces places{console.registry, console.settings, files, console.bundledCompiler};
  std::string compiler = options.rcPath;
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

  std::vector<generation::ComponentFacts> components;
  if (!ReadComponentFacts(options, here, separator, console, files, components))
    return kUsage;

  if (projectTarget) {
    FlagConversation conversation(options, console);
    return RunProject(options, compiler, components, files, conversation, console);
  }

  generation::DriverOptions driverOptions;
  driverOptions.writeModule = !options.noModule;
  driverOptions.moduleQuestionFirst = true;
  driverOptions.instructions = !options.quiet;
  driverOptions.templatePath = options.readmePath;
  FlagConversation conversation(options, console);
  generation::Driver driver(files, conversation, driverOptions);
  const generation::Outcome outcome = driver.Run(
      {options.target, options.version, options.description}, compiler, options.manifest,
      components);

  switch (outcome) {
  case generation::Outcome::Done:
    return conversation.ModuleFailed() ? kFileOperationFailed : kDone;
  case generation::Outcome::CompileFailed:
    return kCompileFailed;
  case generation::Outcome::VersionDeclined:
    return kUsage;
  case generation::Outcome::FolderInaccessible:
    return kFolderInaccessible;
  case generation::Outcome::OverwriteDeclined:
  case generation::Outcome::OutputInTheWay:
    return kOutputExists;
  case generation::Outcome::FileOperationFailed:
  case generation::Outcome::Busy:
    break;
  }
  return kFileOperationFailed;
}

} // namespace batch
