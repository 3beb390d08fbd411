#pragma once
// Where the copy of a project's file goes before the file is changed.

#include <functional>
#include <string>

namespace project {

/// path + ".bak"; when that exists, ".bak2", ".bak3" and so on: an earlier backup is the
/// user's and is kept.
std::string BackupName(const std::string& path,
                       const std::function<bool(const std::string&)>& exists);

} // namespace project
