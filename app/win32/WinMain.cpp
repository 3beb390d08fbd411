// Win32 only. The program's entry: Main runs start-up and shows the main window; the
// program then lives on that window's messages.
#include <windows.h>

#include "app/Themefold.h"
#include "app/win32/Services.h"
#include "app/win32/Window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace app::win32;
  front::SystemRegistry registry;
  front::SystemSettings settings;
  BraskFiles files;
  BraskFileDialog dialog(files);
  Win32MessageBoxes boxes;
  BraskShell shell;
  Win32Program program(nullptr, shell);
  const globals::Services services{registry, settings, files, dialog, boxes, program};
  program.SetServices(services);
  Comctl32 comctl32;

  themefold::Main(comctl32, services);
  if (!program.MainWindowShown())
    return 0;
  return RunMessageLoop();
}
