/* A library whose preferred base the probe occupies, so the loader must relocate it. The
   pointer below is stored as an address in the file: only the base relocations in .reloc
   make it point at its target once the library sits elsewhere. */
static int target = 42;
int* volatile pointer = &target;

__declspec(dllexport) int PointerHolds(void) { return pointer == &target && *pointer == 42; }
