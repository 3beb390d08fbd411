#pragma once
// How a front end names what the user does, for the texts of front/ that tell the user to do
// it: the batch names its options, the window its controls. front/ spells neither.

#include <string>

namespace front {

struct Wording {
  /// After "set the project up instead": how, ending before the full stop.
  std::string setUpProject;
  /// After "embed it again after each build": how, ending before the full stop.
  std::string embedAfterBuild;
  /// After "a library's comes from its own resources": where that is asked for.
  std::string embedInstead;
};

} // namespace front
