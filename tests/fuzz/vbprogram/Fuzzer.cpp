// libFuzzer target: any bytes as a built Visual Basic program. A crash, hang, leak or undefined
// behaviour is a finding; a refusal with its words is the expected answer to garbage.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "readers/ReaderTexts.h"
#include "readers/VbProgram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const readers::VbReading reading = readers::ReadVbProgram(bytes);
  if (reading.program.has_value() == reading.problem.has_value())
    std::abort();
  if (reading.problem && readers::texts::Words(*reading.problem).empty())
    std::abort();
  if (reading.program && reading.program->runtime.empty())
    std::abort();
  return 0;
}
