// A child for the process tests. Writes report.txt into its current directory: that
// directory, the variable THEMEFOLD_PROBE (or "<unset>"), then one line per argument.
#include <cstdlib>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  std::ofstream out("report.txt", std::ios::binary);
  const char* probe = std::getenv("THEMEFOLD_PROBE");
  out << std::filesystem::current_path().string() << '\n' << (probe ? probe : "<unset>") << '\n';
  for (int i = 1; i < argc; ++i)
    out << argv[i] << '\n';
  return out ? 0 : 1;
}
