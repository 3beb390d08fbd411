#include "app/frmMain.h"

#include "app/AppTexts.h"
#include "app/ComponentFiles.h"
#include "app/EmbedWords.h"
#include "base/Path.h"
#include "front/EmbedTexts.h"
#include "front/Target.h"
#include "generation/DriverTexts.h"
#include "generation/Manifest.h"
#include "base/BackupNames.h"
#include "project/FormCheck.h"
#include "project/ProjectRun.h"
#include "project/ProjectTexts.h"
#include "readers/UsedComponents.h"

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
      deliverer_(services.files, *this, texts::ControlWording()) {}

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
  const std::string picked = services_.dialog.Show(
      texts::kExeFilter, view_.Handle(), "", texts::kExeDialogTitle, 0, false, filterIndex, "");
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

bool frmMain::ReadComponents(front::Request& request) {
  std::vector<std::string> paths = manifest_.components;
  std::optional<std::string> problem;
  if (request.componentsUsed) {
    const std::optional<readers::UsedComponents> used =
        readers::UsedComponentsOf(request.target, "", services_.files);
    if (used) {
      paths.insert(paths.end(), used->paths.begin(), used->paths.end());
      request.componentWarnings = used->missing;
    } else {
      problem = readers::NoRecordedComponents(path::BaseName(
                    request.target, path::StyleOf(services_.files.PathSeparator()))) +
                texts::kNameComponentsInOptions;
    }
  }
  if (!problem && paths.empty())
    return true;
  if (!problem)
    problem = ReadComponentFacts(paths, request.target, services_.registry,
                                 services_.files.PathSeparator(), request.components);
  if (!problem)
    return true;
  services_.boxes.Show({*problem, Icon::Exclamation, Buttons::Ok, 1});
  return false;
}

front::Request frmMain::RequestFor(front::Way way) const {
  front::Request request;
  request.way = way;
  request.target = view_.Text(MainView::Field::Text1);
  request.version = view_.Text(MainView::Field::Text4);
  request.description = view_.Text(MainView::Field::Text3);
  request.manifest = manifest_;
  request.compiler = globals::RcExePath;
  request.componentsUsed = way == front::Way::Embed && view_.ComponentsChecked();
  return request;
}

void frmMain::Command1_Click() {
  front::Request request =
      RequestFor(front::IsProjectPath(view_.Text(MainView::Field::Text1)) ? front::Way::Project
                                                                          : front::Way::Generate);
  // A component that cannot be read stops the generation before anything is written.
  if (!ReadComponents(request))
    return;
  if (request.way == front::Way::Project) {
    SetUpProject(request);
    return;
  }
  deliverer_.Deliver(request);
}

std::string frmMain::FolderOf(const std::string& projectPath) {
  return path::Folder(projectPath, path::StyleOf(services_.files.PathSeparator()));
}

front::Confirmation frmMain::Confirm(const project::Plan& plan, bool again) {
  const std::string folder = FolderOf(plan.projectPath);
  const std::string question =
      project::texts::Question(folder, project::DescribeChanges(plan, folder), again);
  return services_.boxes.Show({question, Icon::Exclamation, Buttons::OkCancel, 1}) == Answer::Ok
             ? front::Confirmation::Yes
             : front::Confirmation::No;
}

void frmMain::Note(const std::string& text) {
  services_.boxes.Show({text, Icon::Information, Buttons::Ok, 1});
}

void frmMain::SetUpProject(const front::Request& request) {
  const std::string& projectPath = request.target;
  const std::string folder = FolderOf(projectPath);
  const front::Result result = deliverer_.Deliver(request);
  switch (result.outcome) {
  case front::Outcome::CompileFailed:
    Tell(Report::CompileFailed, result.message);
    return;
  case front::Outcome::Refused:
  case front::Outcome::Changed:
    services_.boxes.Show({result.message, Icon::Exclamation, Buttons::Ok, 1});
    return;
  case front::Outcome::Failed:
    Tell(Report::FileOperationFailed, result.message);
    return;
  case front::Outcome::Declined:
    return;
  case front::Outcome::DryRun:
  case front::Outcome::Unchanged:
  case front::Outcome::Done:
  case front::Outcome::Removed:
  case front::Outcome::FolderInaccessible:
  case front::Outcome::OutputExists:
    break;
  }
  std::string changes = project::DescribeChanges(result.plan, folder);
  for (const std::string& backup : result.backups)
    changes += project::texts::Backup(project::NamedFrom(folder, backup)) + "\n";
  for (const std::string& warning : result.warnings)
    changes += "\n" + warning + "\n";
  services_.boxes.Show(
      {project::texts::Report(folder, project::NamedFrom(folder, projectPath), changes) +
           FormsAfterReport(services_.files, projectPath),
       Icon::Information, Buttons::Ok, 1});
}

// A dry run first: what it would do is the question, and a refusal that an option gets past
// is offered; only an OK writes, and that run checks everything again.
void frmMain::Command5_Click() {
  front::Request request = RequestFor(front::Way::Embed);
  MessageBoxes& boxes = services_.boxes;
  // Generate may go on with it; here the program itself would no longer start.
  if (!generation::IsManifestVersion(request.version)) {
    boxes.Show({front::embedtexts::BadVersion(false), Icon::Exclamation, Buttons::Ok, 1});
    return;
  }
  if (!ReadComponents(request))
    return;
  const path::Style style = path::StyleOf(services_.files.PathSeparator());
  const std::string name = path::BaseName(request.target, style);
  front::Result result;
  for (;;) {
    request.dryRun = true;
    result = deliverer_.Deliver(request);
    if (result.outcome == front::Outcome::Refused && result.liftedBy != base::Setting::None) {
      if (boxes.Show({texts::EmbedLifted(result.liftedBy, result.message), Icon::Exclamation,
                      Buttons::YesNo, 2}) != Answer::Yes)
        return;
      front::Allow(request, result.liftedBy);
      continue;
    }
    if (result.outcome != front::Outcome::DryRun)
      break;
    if (!result.wouldWrite) {
      boxes.Show({EmbedReportText(name, result, manifest_), Icon::Information, Buttons::Ok, 1});
      return;
    }
    const std::string backup =
        base::BackupName(request.target, [this](const std::string& candidate) {
          return services_.files.FileExists(candidate) || services_.files.IsLink(candidate);
        });
    if (boxes.Show(
            {EmbedQuestionText(request.target, manifest_, result, path::BaseName(backup, style)),
             Icon::Exclamation, Buttons::OkCancel, 1}) != Answer::Ok)
      return;
    request.dryRun = false;
    result = deliverer_.Deliver(request);
    break;
  }
  const std::string report = EmbedReportText(name, result, manifest_);
  const bool refused = result.outcome == front::Outcome::Refused;
  const bool failed = result.outcome == front::Outcome::Failed;
  boxes.Show({report,
              refused  ? Icon::Exclamation
              : failed ? Icon::Critical
                       : Icon::Information,
              Buttons::Ok, 1});
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
