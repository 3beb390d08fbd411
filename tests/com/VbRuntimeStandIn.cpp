// Stands in for Visual Basic's runtime, MSVBVM60.DLL, which Wine does not have: the probe
// imports it as a program Visual Basic built does, and its entry point only returns, so
// that the probe goes on in C++.
#include <windows.h>

extern "C" __declspec(dllexport) void ThunRTMain(const void* /*vbHeader*/) {}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
