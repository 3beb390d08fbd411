#pragma once
// Where the copy of a file goes before the file is changed or replaced: a project's files,
// a program and a manifest beside it alike.

#include <functional>
#include <string>

namespace base {

/// The highest number a backup's name takes.
inline constexpr int kMaxBackupNumber = 999;

/// path + ".bak"; when that exists, ".bak2", ".bak3" and so on up to kMaxBackupNumber: an
/// earlier backup is the user's and is kept. "" when every name is taken.
std::string BackupName(const std::string& path,
                       const std::function<bool(const std::string&)>& exists);

/// True when backup is a name BackupName gives path.
bool IsBackupName(const std::string& path, const std::string& backup);

} // namespace base
