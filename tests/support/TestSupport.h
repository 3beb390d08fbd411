#pragma once
// Shared by every test program: files of the source tree, and a temporary folder per test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace testsupport {

/// A file of the source tree, found through THEMEFOLD_TEST_SOURCE (set by CTest). Under Wine
/// the Unix root is drive Z:.
inline std::filesystem::path SourceFile(const std::string& relative) {
  const char* root = std::getenv("THEMEFOLD_TEST_SOURCE");
  std::string base = root ? root : ".";
#ifdef _WIN32
  if (!base.empty() && base[0] == '/')
    base = "Z:" + base;
#endif
  return std::filesystem::path(base) / relative;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// A file of tests/golden: the bytes a text or file must have exactly.
inline std::string Golden(const std::string& name) {
  const std::string bytes = ReadBytes(SourceFile("tests/golden/" + name));
  EXPECT_FALSE(bytes.empty()) << "missing golden file " << name;
  return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

/// A fresh folder for each test, removed afterwards (read-only files included). Tests that
/// change the current directory get it restored.
class TempDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("themefold-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    savedCwd_ = std::filesystem::current_path();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::current_path(savedCwd_, ec);
    // Never throws: a path too long for the platform must not turn clean-up into a failure.
    std::error_code ignored;
    for (std::filesystem::recursive_directory_iterator it(dir_, ec), end; !ec && it != end;
         it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir_, ec);
  }
  /// Path of name inside the folder, as the program's own string type.
  std::string Path(const std::string& name = "") const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
  std::filesystem::path savedCwd_;
};

} // namespace testsupport
