// Creates Calc and adds 2 and 3. Prints what CoCreateInstance answered and the sum, so the
// proof can tell "not registered" from a call that went through.
#include <windows.h>
#include <ole2.h>

#include <cstdio>

#include "com/CalcIds.h"

int main() {
  CoInitialize(nullptr);
  ICalc* calc = nullptr;
  const HRESULT hr = CoCreateInstance(CLSID_Calc, nullptr, CLSCTX_INPROC_SERVER, IID_ICalc,
                                      reinterpret_cast<void**>(&calc));
  std::printf("CoCreateInstance 0x%08lx\n", static_cast<unsigned long>(hr));
  if (SUCCEEDED(hr)) {
    long sum = 0;
    const HRESULT added = calc->Add(2, 3, &sum);
    std::printf("Add 0x%08lx sum %ld\n", static_cast<unsigned long>(added), sum);
    calc->Release();
  }
  CoUninitialize();
  return SUCCEEDED(hr) ? 0 : 1;
}
