#pragma once
// The words of the readers' refusals, for whoever shows one: --inspect and the windows, the
// delivery of a manifest into a program or beside it, a project's resource file.

#include <cstdlib>
#include <optional>
#include <string>

#include "generation/ManifestSettings.h"
#include "readers/Bytes.h"
#include "readers/Inspection.h"
#include "readers/ManifestMerge.h"
#include "readers/VbProgram.h"

namespace readers::texts {

/// After "cannot be merged: ".
inline std::string Words(const MergeRefusal& refusal) {
  switch (refusal.code) {
  case MergeProblem::NotWellFormed:
    return "it is not well-formed XML (" + refusal.Fact(0) + ")";
  case MergeProblem::NotAnAssembly:
    return "its root element is not <assembly> of " + std::string(generation::manifestns::kAsmV1);
  case MergeProblem::TooLarge:
    return TooLarge("it", std::strtoull(refusal.Fact(0).c_str(), nullptr, 10),
                    std::strtoull(refusal.Fact(1).c_str(), nullptr, 10));
  case MergeProblem::OutOfMemory:
    return kOutOfMemory;
  }
  return std::string();
}

/// After "cannot be read as a PE file: ".
inline std::string Words(const InspectionRefusal& refusal) {
  return refusal.code == InspectionProblem::OutOfMemory ? std::string(kOutOfMemory)
                                                        : refusal.Fact(0);
}
inline std::string Words(const std::optional<InspectionRefusal>& refusal) {
  return refusal ? Words(*refusal) : std::string();
}

/// After "is not read as a Visual Basic program: ".
inline std::string Words(const VbRefusal& refusal) {
  switch (refusal.code) {
  case VbProblem::NotVisualBasic:
    return "Visual Basic did not build it (" + refusal.Fact(0) + ")";
  case VbProblem::Damaged:
    return refusal.Fact(0) + " cannot be read: " + refusal.Fact(1);
  case VbProblem::TooLarge:
    return refusal.Fact(0) + " holds " + refusal.Fact(1) + "; at most " + refusal.Fact(2) +
           " are read";
  }
  return std::string();
}

} // namespace readers::texts
