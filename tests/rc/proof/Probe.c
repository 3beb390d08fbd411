/* The probe: prints the path of the comctl32.dll it gets, then the Windows version
   GetVersionEx reports. With a Common Controls 6 manifest the loader takes comctl32 from
   winsxs, without one from the system folder. Windows 8.1 and later report 6.2 to a program
   whose manifest does not declare them supported. Last, the ANSI code page the program
   runs in, which a manifest's activeCodePage chooses. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

int main(void) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  HMODULE comctl = LoadLibraryA("comctl32.dll");
  char path[MAX_PATH] = "";
  if (!comctl || !GetModuleFileNameA(comctl, path, MAX_PATH))
    return 2;
  OSVERSIONINFOA version = {sizeof version};
  InitCommonControlsEx(&icc);
  if (!GetVersionExA(&version))
    return 3;
  printf("%s\nversion %lu.%lu\ncode page %u\n", path, version.dwMajorVersion,
         version.dwMinorVersion, GetACP());
  return 0;
}
