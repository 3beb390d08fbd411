#include "base/BackupNames.h"

namespace base {

std::string BackupName(const std::string& path,
                       const std::function<bool(const std::string&)>& exists) {
  std::string name = path + ".bak";
  for (int number = 2; exists(name); ++number) {
    if (number > kMaxBackupNumber)
      return std::string();
    name = path + ".bak" + std::to_string(number);
  }
  return name;
}

bool IsBackupName(const std::string& path, const std::string& backup) {
  const std::string stem = path + ".bak";
  if (backup.size() < stem.size() || backup.compare(0, stem.size(), stem) != 0)
    return false;
  const std::string number = backup.substr(stem.size());
  if (number.empty())
    return true;
  if (number.size() > 3 || number[0] == '0' ||
      number.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int value = std::stoi(number);
  return value >= 2 && value <= kMaxBackupNumber;
}

} // namespace base
