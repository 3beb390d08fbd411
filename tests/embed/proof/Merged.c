/* A program whose resource section holds, after its tree, data its code reads, as when a
   linker merges data into .rsrc: GNU ld puts .rsrc$z after the compiled resources. It prints
   that data and whether the loader finds its manifest. Built without the C runtime, so
   without .bss, which an image aligned below a page cannot carry (its sections' addresses
   must be their file offsets). */
#include <windows.h>

static const char after[] __attribute__((section(".rsrc$z"), used)) = "data after the tree: 42";

static void Say(const char* text, DWORD size) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, size, &written, NULL);
}

void mainCRTStartup(void) {
  Say(after, sizeof after - 1);
  if (FindResourceA(NULL, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
    Say("\nmanifest 1 found\n", 18);
  else
    Say("\nno manifest 1\n", 15);
  ExitProcess(0);
}
