// libFuzzer target: any bytes as a script, compiled with the corpus's files at hand
// (scripts/fuzz runs it from the corpus folder). A crash, hang, leak or undefined
// behaviour is a finding; an error message is the expected answer to garbage.
#include "rc/Compiler.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string work = [] {
    const char* dir = std::getenv("RC_FUZZ_WORK");
    return std::string(dir ? dir : "/tmp");
  }();
  rc::Options options;
  options.script = work + "/fuzz.rc";
  options.output = work + "/fuzz.res";
  // The bundled headers, from the corpus folder it runs in: #include <windows.h> works.
  options.bundledIncludeDirs = {"../../../rc/include"};
  std::FILE* f = std::fopen(options.script.c_str(), "wb");
  if (!f)
    std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  rc::Result result = rc::Compile(options);
  // Failure must never leave an output behind.
  if (!result.ok) {
    if (std::FILE* out = std::fopen(options.output.c_str(), "rb")) {
      std::fclose(out);
      std::abort();
    }
  }
  return 0;
}
