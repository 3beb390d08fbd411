#include "project/Backups.h"

namespace project {

std::string BackupName(const std::string& path,
                       const std::function<bool(const std::string&)>& exists) {
  std::string name = path + ".bak";
  for (int number = 2; exists(name); ++number)
    name = path + ".bak" + std::to_string(number);
  return name;
}

} // namespace project
