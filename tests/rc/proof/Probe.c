/* The probe: prints the path of the comctl32.dll it gets. With a Common Controls 6
   manifest the loader takes it from winsxs, without one from the system folder. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

int main(void) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  HMODULE comctl = LoadLibraryA("comctl32.dll");
  char path[MAX_PATH] = "";
  if (!comctl || !GetModuleFileNameA(comctl, path, MAX_PATH))
    return 2;
  InitCommonControlsEx(&icc);
  printf("%s\n", path);
  return 0;
}
