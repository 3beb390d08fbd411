#include "app/Themefold.h"

#include "app/AppTexts.h"

namespace Themefold {

bool InitCommonControlsVB(CommonControlsLibrary& library) {
  tagInitCommonControlsEx iccex{};
  iccex.lngSize = sizeof iccex;
  iccex.lngICC = ICC_USEREX_CLASSES;
  return library.InitCommonControlsEx(iccex);
}

void Main(CommonControlsLibrary& library, const Globals::Services& services) {
  if (InitCommonControlsVB(library)) {
    Globals::LocateResourceCompiler(services);
    return;
  }
  services.boxes.Show({app::texts::kInitializationError, app::Icon::Critical});
  services.program.End();
}

} // namespace Themefold
