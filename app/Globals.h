#pragma once
// Program-wide state and the resource compiler locator.

#include <string>

#include "app/Services.h"
#include "generation/Driver.h"

namespace globals {

/// Full path of the resource compiler; set once by LocateResourceCompiler.
extern std::string RcExePath;
/// The filled-in instructions of the latest successful generation.
extern std::string ReadmeText;

/// Everything start-up and the windows reach outside themselves.
struct Services {
  app::Registry& registry;
  app::Settings& settings;
  platform::FileOperations& files;
  app::FileDialog& dialog;
  app::MessageBoxes& boxes;
  app::Program& program;
};

/// Registry, stored setting, the compiler bundled beside the program, then the user.
/// Sets RcExePath, stores it and shows the main window; ends the program when the user
/// gives up.
void LocateResourceCompiler(const Services& services);

} // namespace globals
