#pragma once
// The real files, processes and stop handler's list, with the program's own folder given and
// the compiler stood in for.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "generation/Driver.h"
#include "support/TestSupport.h"

namespace testsupport {

/// The stand-in compiler finds the manifest as rc does (by the bare name the script gives,
/// in the folder it runs in), records what it was given and writes output where the command
/// line says. With systemStarts the system runs the command line instead.
class StandInFiles : public platform::SystemFileOperations {
public:
  std::string appFolder;
  std::uint64_t fixedRandomBits = 0;   ///< 0: the system's
  bool compilerWorks = true;           ///< false: it writes nothing
  bool systemStarts = false;           ///< the system itself starts the compiler
  std::string output = "RES";          ///< what it writes: no .res at all by default
  std::vector<std::string> knownFiles; ///< exist in addition to the real ones
  std::vector<std::string> commandLines;
  std::string manifestName, manifestSeen, scriptSeen;
  /// Where the compiler ran, without the final separator that stat on Windows refuses.
  std::filesystem::path folderAtCompile;

  void RunAndWait(const std::string& commandLine, const std::string& folder) override {
    commandLines.push_back(commandLine);
    std::string trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
      trimmed.pop_back();
    folderAtCompile = trimmed;
    if (systemStarts)
      return platform::SystemProcesses::RunAndWait(commandLine, folder);
    const std::vector<std::string> args = commandline::Split(commandLine);
    if (args.size() != 5)
      return;
    scriptSeen = testsupport::ReadBytes(args[4]);
    const auto end = scriptSeen.rfind('"');
    if (end != std::string::npos && end > 0) {
      const auto start = scriptSeen.rfind('"', end - 1) + 1;
      manifestName = scriptSeen.substr(start, end - start);
      manifestSeen = testsupport::ReadBytes(std::filesystem::path(folder) / manifestName);
    }
    if (compilerWorks)
      testsupport::WriteBytes(args[3], output);
  }
  bool FileExists(const std::string& path) override {
    return std::find(knownFiles.begin(), knownFiles.end(), path) != knownFiles.end() ||
           platform::SystemFiles::FileExists(path);
  }
  std::string AppFolder() override { return appFolder; }
  std::uint64_t RandomBits() override {
    return fixedRandomBits ? fixedRandomBits : platform::SystemProcesses::RandomBits();
  }
};

/// The instructions template every real-file test gives the program.
inline constexpr const char* kReadmeTemplate = "Add %resfile% for %exename%.\r\n";

/// A target folder with a blank in its name ("my work"), the template in the test's folder
/// and the stand-in files taking that folder for the program's own.
class StandInTest : public TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    work = dir_ / "my work";
    std::filesystem::create_directories(work);
    files.appFolder = dir_.string() + files.PathSeparator();
    WriteBytes(dir_ / "readme.txt", kReadmeTemplate);
  }

  std::filesystem::path work;
  StandInFiles files;
};

} // namespace testsupport
