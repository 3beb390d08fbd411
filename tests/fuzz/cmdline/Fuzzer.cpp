// libFuzzer target: any bytes as a Windows command line. Besides not crashing, what the
// splitter gives must be stable: an argument never holds the blanks that separate
// arguments unless the line quoted them, and splitting never yields more arguments than
// the line has characters.
#include "base/CommandLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> args = commandline::Split(line);
  if (args.size() > line.size())
    std::abort();
  std::size_t characters = 0;
  for (const std::string& arg : args)
    characters += arg.size();
  if (characters > line.size())
    std::abort();
  if (line.find('"') == std::string::npos)
    for (const std::string& arg : args)
      if (arg.find_first_of(" \t") != std::string::npos)
        std::abort();
  return 0;
}
