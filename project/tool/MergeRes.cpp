// The merge on the build machine, for the Wine proof: merge-res EXISTING OURS OUTPUT writes
// EXISTING with the manifest of OURS merged in, as MergeManifest makes it.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "project/ProjectTexts.h"
#include "project/ResFile.h"

namespace {

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: merge-res EXISTING OURS OUTPUT\n";
    return 2;
  }
  const project::MergeResult merged = project::MergeManifest(ReadFile(argv[1]), ReadFile(argv[2]));
  if (merged.outcome == project::MergeOutcome::Refused) {
    std::cerr << argv[1] << ": " << project::texts::Words(merged.refusal) << "\n";
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << merged.bytes;
  out.close();
  return out ? 0 : 1;
}
