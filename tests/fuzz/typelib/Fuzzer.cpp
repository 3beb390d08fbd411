// libFuzzer target: any bytes as a type library, or as a program or library holding one.
// A crash, hang, leak or undefined behaviour is a finding; a message is the expected answer
// to garbage.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "readers/Bytes.h"
#include "readers/TypeLib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (std::uint16_t index : {1, 2}) {
    try {
      const std::string listing = inspect::Listing(inspect::ReadTypeLib(bytes, index));
      if (listing.compare(0, 8, "library ") != 0)
        std::abort();
    } catch (const inspect::FormatError& error) {
      if (std::string(error.what()).empty())
        std::abort();
    }
  }
  return 0;
}
