#include "app/frmReadme.h"

#include <exception>

#include "app/Globals.h"
#include "app/frmMain.h"

namespace app {

void frmReadme::Form_Load() {
  view_.SetTextLeft(0);
  view_.SetTextTop(0);
  view_.SetText(globals::ReadmeText);
  view_.SetIcon(main_.Icon());
}

void frmReadme::Form_Resize() {
  // Each step on its own: a dimension that cannot be set keeps its value, the other is
  // still set.
  try {
    if (view_.IsMinimised())
      return;
  } catch (const std::exception&) {
  }
  try {
    view_.SetTextWidth(view_.ClientWidth());
  } catch (const std::exception&) {
  }
  try {
    view_.SetTextHeight(view_.ClientHeight());
  } catch (const std::exception&) {
  }
}

} // namespace app
