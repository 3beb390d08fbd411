// libFuzzer target: any bytes as a program, and the same bytes as the manifest beside a
// program that carries none. A crash, hang, leak or undefined behaviour is a finding; a
// message is the expected answer to garbage.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "readers/Inspection.h"
#include "support/PeBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string plain = testsupport::BuildPe(readers::kMachineI386, false, {}).image;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const readers::Inspection& inspection :
       {readers::InspectImage("fuzz.exe", bytes, std::nullopt),
        readers::InspectImage("fuzz.exe", plain, bytes)}) {
    const std::string report = readers::ReportText(inspection);
    const std::string summary = readers::Summary(inspection);
    if (report.empty() || summary.empty() ||
        (inspection.state == readers::ProgramState::Unreadable && !inspection.problem))
      std::abort();
  }
  return 0;
}
