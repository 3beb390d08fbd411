#pragma once
// Where the resource compiler is looked for, in one order for the window and the batch:
// the Visual Basic 6 installation, the stored setting, then the compiler bundled beside
// the program.

#include <string>

#include "front/Services.h"
#include "generation/Driver.h"

namespace front {

struct CompilerPlaces {
  Registry& registry;
  Settings& settings;
  platform::FileOperations& files;
  /// The bundled compiler's file name beside the program.
  std::string bundledName;
};

/// The first place that names an existing file, or "" when none does. Nothing is stored.
std::string LocateCompiler(const CompilerPlaces& places);

/// The places LocateCompiler looked at, for the message when it found nothing.
std::string DescribeCompilerPlaces(const CompilerPlaces& places);

/// The stored setting, "" when there is none; and storing a compiler found or picked.
std::string StoredCompiler(Settings& settings);
void StoreCompiler(Settings& settings, const std::string& path);

} // namespace front
