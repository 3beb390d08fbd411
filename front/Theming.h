#pragma once
// What theming does to a program Visual Basic built, as warnings for --embed, --beside and
// --inspect alike: they never stop a delivery, they tell what to watch for once the program
// is themed.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "generation/ManifestSettings.h"
#include "readers/Inspection.h"
#include "readers/PeImage.h"
#include "readers/VbProgram.h"

namespace front {

/// The most user controls a warning names; --inspect lists every one.
inline constexpr std::size_t kNamedUserControls = 8;

/// Each warning for program, themed with the manifest's code page; none for a program that
/// theming does not trouble.
std::vector<std::string> ThemingWarnings(const readers::VbProgram& program,
                                         generation::CodePage codePage);

/// The inspection's warnings followed by what theming does to the program it read, for
/// --inspect, whose --strict counts them all.
void AddThemingWarnings(readers::Inspection& inspection);

/// What a built program tells of itself before a manifest goes into it or beside it.
struct ProgramTheming {
  /// Built by Visual Basic, whose project can carry the manifest: the rebuild note says so.
  bool visualBasic = false;
  std::vector<std::string> warnings;
};

/// pe, whose bytes image holds, read for what Visual Basic recorded in it. A program the
/// reader cannot read is still Visual Basic's when it imports the runtime.
ProgramTheming ThemingOf(const readers::PeImage& pe, std::string_view image,
                         generation::CodePage codePage);

} // namespace front
