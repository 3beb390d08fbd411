#include "app/Globals.h"

#include "app/AppTexts.h"
#include "base/Ascii.h"
#include "base/Path.h"
#include "front/Compiler.h"
#include "front/Keys.h"

namespace globals {

std::string RcExePath;
std::string ReadmeText;

void LocateResourceCompiler(const Services& services) {
  std::string path = front::LocateCompiler(
      {services.registry, services.settings, services.files, front::keys::kBundledCompiler});
  // The dialog opens where the stored compiler was, when there is a setting.
  const std::string stored = path.empty() ? front::StoredCompiler(services.settings) : "";
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
    if (ascii::Lower(brask::GetFileName(picked)) == "rc.exe")
      path = picked;
    else
      services.boxes.Show({app::texts::kInvalidFile, app::Icon::Exclamation});
  }
  RcExePath = path;
  front::StoreCompiler(services.settings, RcExePath);
  services.program.ShowMainWindow();
}

} // namespace globals
