// themefold-batch: the window's generation for build scripts, driven by flags.
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "batch/Batch.h"
#include "batch/ConsoleSetup.h"
#include "generation/Driver.h"

int main(int argc, char** argv) {
  batch::PrepareConsole();
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // The compiler's output goes to standard error: standard output carries the instructions.
  platform::SystemFileOperations files(true);
  front::SystemRegistry registry;
  front::SystemSettings settings;
  batch::Console console{std::cout,
                         std::cerr,
                         registry,
                         settings,
                         THEMEFOLD_BUNDLED_COMPILER,
                         THEMEFOLD_VERSION,
                         THEMEFOLD_DATA_FOLDER};
  int code = batch::kFileOperationFailed;
  try {
    code = batch::Run(args, files, console);
  } catch (const std::bad_alloc&) {
    // The readers cap what they read; this is the last line, never an abort.
    std::cerr << "themefold-batch: out of memory\n";
  }
  // A full disk or a closed pipe must not pass for success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "themefold-batch: cannot write to standard output\n";
    if (code == batch::kDone || code == batch::kNoManifest)
      code = batch::kFileOperationFailed;
  }
  return code;
}
