#include "app/frmMain.h"

#include "app/AppTexts.h"
#include "app/ComponentFiles.h"
#include "base/Path.h"
#include "front/EmbedRun.h"
#include "front/EmbedTexts.h"
#include "front/ProjectFlow.h"
#include "front/Target.h"
#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "base/BackupNames.h"
#include "project/FormCheck.h"
#include "project/ProjectRun.h"
#include "project/ProjectTexts.h"


namespace app {

namespace {

/// A message box grows past the screen rather than scroll.
constexpr std::size_t kFindingsInABox = 12;

/// What themes break in the project's forms, after the report of its changes; "" when
/// nothing does. Checked once the project starts as it will.
std::string FormsAfterReport(platform::FileOperations& files, const std::string& projectPath) {
  const project::FormCheck check = project::CheckForms(files, projectPath);
  return check.findings.empty() ? std::string()
                                : "\n\n" + project::FormCheckReport(check, kFindingsInABox);
}

} // namespace

using generation::Question;
using generation::Report;

Box BoxFor(Question question, const std::string& text) {
  switch (question) {
  case Question::OverwriteOutput:
    return {text, Icon::Exclamation, Buttons::OkCancel, 1};
  case Question::VersionWarning:
    return {text, Icon::Exclamation, Buttons::YesNo, 2};
  case Question::OverwriteModule:
    break;
  }
  return {text, Icon::Exclamation, Buttons::YesNo, 1};
}

Box BoxFor(Report report, const std::string& text) {
  switch (report) {
  case Report::FolderInaccessible:
  case Report::CompileFailed:
  case Report::OutputInTheWay:
    return {text, Icon::Exclamation, Buttons::Ok, 1};
  case Report::FileOperationFailed:
  case Report::ModuleWriteFailed:
    break;
  }
  return {text, Icon::Critical, Buttons::Ok, 1};
}

frmMain::frmMain(MainView& view, const globals::Services& services, Shell& shell,
                 ReadmeWindow& readme, OptionsWindow& options)
    : view_(view), services_(services), shell_(shell), readme_(readme), options_(options),
      driver_(services.files, *this) {}

void frmMain::Form_Load() {
  Settings& settings = services_.settings;
  view_.SetText(MainView::Field::Text1,
                settings.Get(texts::kAppTitle, texts::kSection, texts::kKeyApplication, ""));
  view_.SetText(MainView::Field::Text3,
                settings.Get(texts::kAppTitle, texts::kSection, texts::kKeyDescription, ""));
  view_.SetText(MainView::Field::Text4,
                settings.Get(texts::kAppTitle, texts::kSection, texts::kKeyVersion, ""));
  manifest_ = LoadManifestSettings(settings);
  view_.SetOptionsCaption(OptionsCaption(manifest_));
}

void frmMain::Text1_Change() {
  const std::string target = view_.Text(MainView::Field::Text1);
  view_.SetGenerateEnabled(front::GenerateEnabledFor(target));
  view_.SetEmbedEnabled(front::IsEmbeddablePath(target));
}

void frmMain::Command3_Click() {
  int filterIndex = 1;
  const std::string picked = services_.dialog.Show(texts::kExeFilter, view_.Handle(), "",
                                                   texts::kExeDialogTitle, 0, false,
                                                   filterIndex, "");
  if (!services_.files.FileExists(picked))
    return;
  view_.SetText(MainView::Field::Text1, picked);
  // A project brings its own version and description; the user may still change them.
  if (front::IsProjectPath(picked)) {
    std::string version, description;
    if (project::ReadProjectDefaults(services_.files, picked, version, description)) {
      view_.SetText(MainView::Field::Text4, version);
      view_.SetText(MainView::Field::Text3, description);
    }
  }
}

// Kept as soon as OK confirms them, not at unload as the three fields are: the user has
// finished with them here.
void frmMain::Command4_Click() {
  if (!options_.ShowModal(manifest_, view_.Text(MainView::Field::Text1)))
    return;
  SaveManifestSettings(services_.settings, manifest_);
  view_.SetOptionsCaption(OptionsCaption(manifest_));
}

bool frmMain::ReadComponents(const std::string& targetPath,
                             std::vector<generation::ComponentFacts>& components) {
  if (manifest_.components.empty())
    return true;
  const std::optional<std::string> problem =
      ReadComponentFacts(manifest_.components, targetPath, services_.registry,
                         services_.files.PathSeparator(), components);
  if (!problem)
    return true;
  services_.boxes.Show({*problem, Icon::Exclamation, Buttons::Ok, 1});
  return false;
}

void frmMain::Command1_Click() {
  const std::string exePath = view_.Text(MainView::Field::Text1);
  // A component that cannot be read stops the generation before anything is written.
  std::vector<generation::ComponentFacts> components;
  if (!ReadComponents(exePath, components))
    return;
  if (front::IsProjectPath(exePath)) {
    SetUpProject(exePath, components);
    return;
  }
  driver_.Run({exePath, view_.Text(MainView::Field::Text4), view_.Text(MainView::Field::Text3)},
              globals::RcExePath, manifest_, components);
}

namespace {

/// A project's run as the window holds it: the changes in a question, notes in a box.
class WindowProjectConversation : public front::ProjectConversation {
public:
  WindowProjectConversation(MessageBoxes& boxes, std::string folder)
      : boxes_(boxes), folder_(std::move(folder)) {}
  front::Confirmation Confirm(const project::Plan& plan, bool again) override {
    const std::string question =
        project::texts::Question(folder_, project::DescribeChanges(plan, folder_), again);
    return boxes_.Show({question, Icon::Exclamation, Buttons::OkCancel, 1}) == Answer::Ok
               ? front::Confirmation::Yes
               : front::Confirmation::No;
  }
  void Note(const std::string& text) override {
    boxes_.Show({text, Icon::Information, Buttons::Ok, 1});
  }

private:
  MessageBoxes& boxes_;
  std::string folder_;
};

} // namespace

void frmMain::SetUpProject(const std::string& projectPath,
                           const std::vector<generation::ComponentFacts>& components) {
  project::Request request;
  request.projectPath = projectPath;
  request.version = view_.Text(MainView::Field::Text4);
  request.description = view_.Text(MainView::Field::Text3);
  request.manifest = manifest_;
  request.components = components;
  request.rcExePath = globals::RcExePath;
  const std::string folder = path::Folder(projectPath, path::Style::windows);
  WindowProjectConversation user(services_.boxes, folder);
  const front::ProjectResult result = front::RunProject(services_.files, *this, user, request);
  switch (result.outcome) {
  case front::ProjectOutcome::CompileFailed:
    Tell(Report::CompileFailed, result.message);
    return;
  case front::ProjectOutcome::Refused:
  case front::ProjectOutcome::Changed:
    services_.boxes.Show({result.message, Icon::Exclamation, Buttons::Ok, 1});
    return;
  case front::ProjectOutcome::Failed:
    Tell(Report::FileOperationFailed, result.message);
    return;
  case front::ProjectOutcome::Declined:
    return;
  case front::ProjectOutcome::DryRun:
  case front::ProjectOutcome::NothingToDo:
  case front::ProjectOutcome::Done:
    break;
  }
  std::string changes = project::DescribeChanges(result.plan, folder);
  for (const std::string& backup : result.backups)
    changes += project::texts::Backup(project::NamedFrom(folder, backup)) + "\n";
  services_.boxes.Show({project::texts::Report(folder, project::NamedFrom(folder, projectPath),
                                               changes) +
                            FormsAfterReport(services_.files, projectPath),
                        Icon::Information, Buttons::Ok, 1});
}

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += (text.empty() ? "" : "\n") + line;
  return text;
}

} // namespace

// A dry run first: what it would do is the question, and a refusal that an option gets past
// is offered; only an OK writes, and that run checks everything again.
void frmMain::Command5_Click() {
  front::EmbedRequest request;
  request.programPath = view_.Text(MainView::Field::Text1);
  request.version = view_.Text(MainView::Field::Text4);
  request.description = view_.Text(MainView::Field::Text3);
  request.manifest = manifest_;
  MessageBoxes& boxes = services_.boxes;
  // Generate may go on with it; here the program itself would no longer start.
  if (!generation::IsManifestVersion(request.version)) {
    boxes.Show({front::embedtexts::BadVersion(false), Icon::Exclamation, Buttons::Ok, 1});
    return;
  }
  if (!ReadComponents(request.programPath, request.components))
    return;
  front::EmbedRunResult result;
  for (;;) {
    request.dryRun = true;
    result = front::EmbedInProgram(services_.files, request);
    if (result.outcome == front::EmbedOutcome::Refused && result.liftedBy != base::Setting::None) {
      if (boxes.Show({texts::EmbedLifted(result.liftedBy, result.message), Icon::Exclamation,
                      Buttons::YesNo, 2}) != Answer::Yes)
        return;
      front::Allow(request, result.liftedBy);
      continue;
    }
    if (result.outcome != front::EmbedOutcome::DryRun)
      break;
    if (!result.wouldWrite) {
      boxes.Show({result.message, Icon::Information, Buttons::Ok, 1});
      return;
    }
    const std::string backup =
        base::BackupName(request.programPath, [this](const std::string& candidate) {
          return services_.files.FileExists(candidate) || services_.files.IsLink(candidate);
        });
    if (boxes.Show({texts::EmbedQuestion(request.programPath, Joined(result.lines),
                                         path::BaseName(backup, path::Style::windows)),
                    Icon::Exclamation, Buttons::OkCancel, 1}) != Answer::Ok)
      return;
    request.dryRun = false;
    result = front::EmbedInProgram(services_.files, request);
    break;
  }
  const std::string report = Joined(front::EmbedReport(result, front::ReportFor::Window));
  switch (result.outcome) {
  case front::EmbedOutcome::Embedded:
  case front::EmbedOutcome::Unchanged:
  case front::EmbedOutcome::DryRun:
    boxes.Show({report, Icon::Information, Buttons::Ok, 1});
    return;
  case front::EmbedOutcome::Refused:
    boxes.Show({report, Icon::Exclamation, Buttons::Ok, 1});
    return;
  case front::EmbedOutcome::Failed:
    break;
  }
  boxes.Show({report, Icon::Critical, Buttons::Ok, 1});
}

void frmMain::Command2_Click() { view_.Close(); }

void frmMain::Label13_Click() { shell_.Open(texts::kMakerUrl, "", view_.Handle(), "", ""); }

void frmMain::Form_Unload() {
  Settings& settings = services_.settings;
  settings.Save(texts::kAppTitle, texts::kSection, texts::kKeyApplication,
                view_.Text(MainView::Field::Text1));
  settings.Save(texts::kAppTitle, texts::kSection, texts::kKeyDescription,
                view_.Text(MainView::Field::Text3));
  settings.Save(texts::kAppTitle, texts::kSection, texts::kKeyVersion,
                view_.Text(MainView::Field::Text4));
}

bool frmMain::WriteBas(const std::string& path) {
  return generation::WriteModule(path, services_.files, *this);
}

bool frmMain::Ask(Question question, const std::string& text) {
  const Box box = BoxFor(question, text);
  const Answer answer = services_.boxes.Show(box);
  return answer == Answer::Ok || answer == Answer::Yes;
}

void frmMain::Tell(Report report, const std::string& text) {
  services_.boxes.Show(BoxFor(report, text));
}

void frmMain::CompilerFinished() { view_.DoEvents(); }

void frmMain::ShowInstructions(const std::string& text) {
  globals::ReadmeText = text;
  readme_.ShowModal();
}

} // namespace app
