// libFuzzer target: any bytes as a program, and the same bytes as the manifest beside a
// program that carries none. A crash, hang, leak or undefined behaviour is a finding; a
// message is the expected answer to garbage.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "readers/Report.h"
#include "readers/PeBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string plain = testsupport::BuildPe(inspect::kMachineI386, false, {}).image;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const inspect::Inspection& inspection :
       {inspect::InspectImage("fuzz.exe", bytes, std::nullopt),
        inspect::InspectImage("fuzz.exe", plain, bytes)}) {
    const std::string report = inspect::ReportText(inspection);
    const std::string summary = inspect::Summary(inspection);
    if (report.empty() || summary.empty() ||
        (inspection.state == inspect::ProgramState::Unreadable && inspection.problem.empty()))
      std::abort();
  }
  return 0;
}
