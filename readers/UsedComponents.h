#pragma once
// The component files a built Visual Basic program places on its forms, looked for beside the
// program and in a folder the user names, for its registration-free entries. The program
// records a file's name as its author's disk spelt it; a disk that tells case apart may spell
// it otherwise.

#include <optional>
#include <string>
#include <vector>

#include "platform/Ports.h"
#include "readers/VbProgram.h"

namespace readers {

struct UsedComponents {
  std::vector<std::string> paths;   ///< each file found, once, in the program's order
  std::vector<std::string> missing; ///< a line for each file not found, with its class ids
};

/// Where each of components lies: beside programPath, else in folder ("" for none); a name
/// that differs from the disk's only in case is found. A file named again is looked for once.
UsedComponents FindUsedComponents(const std::vector<VbComponent>& components,
                                  const std::string& programPath, const std::string& folder,
                                  platform::FilePort& files);

/// FindUsedComponents for the components the program at programPath places; unset when it
/// is not a program Visual Basic built. One that cannot be read finds nothing: the way that
/// reads it next says why.
std::optional<UsedComponents> UsedComponentsOf(const std::string& programPath,
                                               const std::string& folder,
                                               platform::FilePort& files);

/// Why a program that Visual Basic did not build has no components to look for; the front
/// end adds how to name them one by one.
std::string NoRecordedComponents(const std::string& programName);

} // namespace readers
