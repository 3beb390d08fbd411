#include "app/TargetReport.h"

#include "front/Target.h"
#include "project/FormCheck.h"
#include "readers/Inspection.h"

namespace app {

std::string DescribeTarget(platform::FileOperations& files, const std::string& path) {
  if (front::IsProjectPath(path))
    return project::FormCheckReport(project::CheckForms(files, path));
  return readers::DescribeProgram(path, files);
}

} // namespace app
