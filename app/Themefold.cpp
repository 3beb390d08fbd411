#include "app/Themefold.h"

#include "app/AppTexts.h"

namespace themefold {

bool InitCommonControlsVB(CommonControlsLibrary& library) {
  tagInitCommonControlsEx iccex{};
  iccex.lngSize = sizeof iccex;
  iccex.lngICC = ICC_USEREX_CLASSES;
  return library.InitCommonControlsEx(iccex);
}

void Main(CommonControlsLibrary& library, const globals::Services& services) {
  if (InitCommonControlsVB(library)) {
    globals::LocateResourceCompiler(services);
    return;
  }
  services.boxes.Show({app::texts::kInitializationError, app::Icon::Critical});
  services.program.End();
}

} // namespace themefold
