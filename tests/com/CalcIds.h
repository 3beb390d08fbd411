#pragma once
// The identities Calc.idl gives its library, interface and class, for C++.
#include <oaidl.h>

// {6b1f3c2e-8d4a-4e57-9a51-2f0c7e1d3a11}
inline constexpr IID IID_ICalc = {
    0x6b1f3c2e, 0x8d4a, 0x4e57, {0x9a, 0x51, 0x2f, 0x0c, 0x7e, 0x1d, 0x3a, 0x11}};
// {6b1f3c2e-8d4a-4e57-9a51-2f0c7e1d3a12}
inline constexpr CLSID CLSID_Calc = {
    0x6b1f3c2e, 0x8d4a, 0x4e57, {0x9a, 0x51, 0x2f, 0x0c, 0x7e, 0x1d, 0x3a, 0x12}};

struct ICalc : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Add(long a, long b, long* sum) = 0;
};
