#include "app/Globals.h"

#include <algorithm>
#include <cctype>

#include "app/AppTexts.h"
#include "util/BraskModule.h"

namespace Globals {

std::string RcExePath;
std::string ReadmeText;

namespace {

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The first source that names an existing file; "" when none does. stored receives the
// setting when it was read, for the dialog's initial folder.
std::string FromKnownPlaces(const Services& services, std::string& stored) {
  std::string vb6 = services.registry.ReadLocalMachineString(app::texts::kVb6SetupKey,
                                                             app::texts::kVb6ProductDir);
  if (!vb6.empty()) {
    if (vb6.back() != '\\')
      vb6 += '\\';
    vb6 += app::texts::kCompilerBelowVb6;
    if (services.files.FileExists(vb6))
      return vb6;
  }
  stored = services.settings.Get(app::texts::kAppTitle, app::texts::kSection,
                                 app::texts::kKeyRcExe, "");
  if (services.files.FileExists(stored))
    return stored;
  // Lets the tool work on machines without Visual Basic.
  const std::string bundled = services.files.AppFolder() + app::texts::kBundledCompiler;
  if (services.files.FileExists(bundled))
    return bundled;
  return std::string();
}

} // namespace

void LocateResourceCompiler(const Services& services) {
  std::string stored;
  std::string path = FromKnownPlaces(services, stored);
  while (path.empty()) {
    int filterIndex = 1;
    const std::string picked =
        services.dialog.Show(app::texts::kCompilerFilter, 0, stored,
                             app::texts::kCompilerDialogTitle, 0, false, filterIndex, "");
    if (picked.empty()) {
      services.boxes.Show({app::texts::kNoCompilerQuitting, app::Icon::Critical});
      services.program.End();
      return;
    }
    if (LowerCase(BraskModule::GetFileName(picked)) == "rc.exe")
      path = picked;
    else
      services.boxes.Show({app::texts::kInvalidFile, app::Icon::Exclamation});
  }
  RcExePath = path;
  services.settings.Save(app::texts::kAppTitle, app::texts::kSection, app::texts::kKeyRcExe,
                         RcExePath);
  services.program.ShowMainWindow();
}

} // namespace Globals
