#pragma once
// The resource compiler's usual places, in the window's order but without its dialog.

#include <string>

#include "app/Services.h"
#include "generation/Driver.h"

namespace batch {

struct CompilerPlaces {
  app::Registry& registry;
  app::Settings& settings;
  generation::FileOperations& files;
  /// The bundled compiler's file name beside the program.
  std::string bundledName;
};

/// The Visual Basic 6 installation, the stored setting, then the bundled compiler; the
/// first that names an existing file, or "" when none does. Nothing is stored: a build
/// script should not change the user's settings.
std::string LocateCompiler(const CompilerPlaces& places);

/// The places LocateCompiler looked at, for the message when it found nothing.
std::string DescribeCompilerPlaces(const CompilerPlaces& places);

/// The instructions template of an installed program, in dataFolder below the program's
/// folder; "" for the one beside the program, the generation's own default, which also
/// serves when neither exists (the generation then reports it missing).
std::string LocateTemplate(generation::FileOperations& files, const std::string& dataFolder);

/// Registry and settings as the utility module reads them.
class SystemRegistry : public app::Registry {
public:
  std::string ReadLocalMachineString(const std::string& subKey,
                                     const std::string& valueName) override;
};

class SystemSettings : public app::Settings {
public:
  std::string Get(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& defaultValue) override;
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override;
};

} // namespace batch
