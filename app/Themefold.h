#pragma once
// Start-up: the same code the generated module hands to users.

#include <cstdint>

#include "app/Globals.h"

namespace themefold {

/// INITCOMMONCONTROLSEX under the module's own name.
struct tagInitCommonControlsEx {
  std::int32_t lngSize;
  std::int32_t lngICC;
};

inline constexpr std::int32_t ICC_USEREX_CLASSES = 0x200;

class CommonControlsLibrary {
public:
  virtual ~CommonControlsLibrary() = default;
  /// Calls InitCommonControlsEx; false only when the library or its entry point is missing.
  /// The function's own result is not looked at.
  virtual bool InitCommonControlsEx(const tagInitCommonControlsEx& iccex) = 0;
};

bool InitCommonControlsVB(CommonControlsLibrary& library);

/// The program's entry procedure: Common Controls, then the compiler locator, which shows
/// the main window. Returns while that window is open.
void Main(CommonControlsLibrary& library, const globals::Services& services);

} // namespace themefold
