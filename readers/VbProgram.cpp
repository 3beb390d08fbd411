#include "readers/VbProgram.h"

#include <algorithm>

#include "readers/Bytes.h"

namespace readers {

std::size_t VbProgram::CountOf(VbObjectKind wanted) const {
  return static_cast<std::size_t>(
      std::count_if(objects.begin(), objects.end(),
                    [&](const VbObject& object) { return object.kind == wanted; }));
}

VbReading ReadVbProgram(const PeImage&, const Source&) {
  return VbReading{std::nullopt, VbRefusal(VbProblem::NotVisualBasic)};
}

VbReading ReadVbProgram(std::string_view image) {
  const MemorySource source(image);
  try {
    return ReadVbProgram(PeImage(source), source);
  } catch (const FormatError& error) {
    return VbReading{std::nullopt, VbRefusal(VbProblem::NotVisualBasic, {error.what()})};
  }
}

} // namespace readers
