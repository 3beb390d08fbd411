// The resources inside the built themefold.exe: what Windows and the windows read from it.

#include "gui/ProgramDriver.h"

#include "app/ControlIds.h"
#include "generation/Manifest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class ShippedResourcesTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string exe = (driver::ReleaseFolder() / "themefold.exe").string();
    module_ = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << exe;
  }
  void TearDown() override {
    if (module_)
      FreeLibrary(module_);
  }

  // The bytes of one resource; empty when it is missing.
  std::string Resource(LPCSTR type, int id) const {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
    if (!found)
      return {};
    const void* data = LockResource(LoadResource(module_, found));
    return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
  }

  // A shipped program's version block, as Explorer reads it.
  static std::string VersionBlock(const std::string& program = "themefold.exe") {
    const std::string exe = (driver::ReleaseFolder() / program).string();
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(exe.c_str(), &ignored), '\0');
    if (!block.empty() &&
        !GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()))
      block.clear();
    return block;
  }

  // One string of the US English, Unicode table; "<missing>" when absent.
  static std::string VersionString(std::string& block, const std::string& name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
      return "<missing>";
    return text;
  }

  HMODULE module_ = nullptr;
};

template <typename T> T At(const std::string& bytes, size_t offset) {
  T value{};
  if (offset + sizeof value <= bytes.size())
    std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

TEST_F(ShippedResourcesTest, EveryProgramCarriesTheGeneratedManifestForThisBuild) {
  // Every program runs as its user and declares every Windows version; the window also
  // scales itself with the system DPI.
  generation::ManifestSettings console;
  console.supportedOs = true;
  console.runLevel = generation::RunLevel::AsInvoker;
  generation::ManifestSettings window = console;
  window.dpi = generation::DpiAwareness::System;
  const std::pair<std::string, generation::ManifestSettings> programs[] = {
      {"themefold.exe", window}, {"rc.exe", console}, {"themefold-batch.exe", console}};
  for (const auto& [program, settings] : programs) {
    SCOPED_TRACE(program);
    const std::string exe = (driver::ReleaseFolder() / program).string();
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    const std::string manifest =
        found ? std::string(static_cast<const char*>(LockResource(LoadResource(module, found))),
                            SizeofResource(module, found))
              : std::string();
    FreeLibrary(module);
    // The same description as the version block's.
    std::string block = VersionBlock(program);
    const std::string expected =
        generation::BuildManifestText("1.0.0.20", program, VersionString(block, "FileDescription"),
                                      sizeof(void*) == 8 ? "amd64" : "X86", settings) +
        "\r\n";
    EXPECT_EQ(manifest, expected);
    EXPECT_EQ(expected.size() % 100, 0u);
  }
}

TEST_F(ShippedResourcesTest, IconGroupHoldsA32AndA16PixelImageIn16Colours) {
  const std::string group = Resource(RT_GROUP_ICON, IDI_THEMEFOLD);
  ASSERT_GE(group.size(), 6u + 2 * 14);
  EXPECT_EQ(At<WORD>(group, 2), 1); // icons
  ASSERT_EQ(At<WORD>(group, 4), 2); // images
  const int sizes[] = {32, 16};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(sizes[i]);
    const size_t entry = 6 + 14 * i;
    EXPECT_EQ(At<BYTE>(group, entry), sizes[i]);
    EXPECT_EQ(At<BYTE>(group, entry + 1), sizes[i]);
    EXPECT_EQ(At<BYTE>(group, entry + 2), 16); // colours
    EXPECT_EQ(At<WORD>(group, entry + 6), 4);  // bits per pixel
    const std::string image = Resource(RT_ICON, At<WORD>(group, entry + 12));
    EXPECT_EQ(At<LONG>(image, 4), sizes[i]);
    EXPECT_EQ(At<LONG>(image, 8), 2 * sizes[i]) << "colour image and AND mask";
    EXPECT_EQ(At<WORD>(image, 14), 4);
  }
}

TEST_F(ShippedResourcesTest, LogoIs200By71In24BitsOnTheButtonFace) {
  const std::string bitmap = Resource(RT_BITMAP, IDB_LOGO);
  ASSERT_GE(bitmap.size(), 40u);
  EXPECT_EQ(At<LONG>(bitmap, 4), 200);
  EXPECT_EQ(At<LONG>(bitmap, 8), 71);
  EXPECT_EQ(At<WORD>(bitmap, 14), 24);
  // Rows run bottom-up, pixels blue-green-red: the first pixel is the bottom-left corner.
  const size_t pixel = At<DWORD>(bitmap, 0);
  EXPECT_EQ(At<BYTE>(bitmap, pixel), 216);
  EXPECT_EQ(At<BYTE>(bitmap, pixel + 1), 233);
  EXPECT_EQ(At<BYTE>(bitmap, pixel + 2), 236);
}

TEST_F(ShippedResourcesTest, HandCursorIs32By32TwoColourWithItsHotSpotOnTheFingerTip) {
  const std::string group = Resource(RT_GROUP_CURSOR, IDC_HAND_LINK);
  ASSERT_GE(group.size(), 6u + 14);
  EXPECT_EQ(At<WORD>(group, 2), 2); // cursors
  ASSERT_EQ(At<WORD>(group, 4), 1);
  EXPECT_EQ(At<WORD>(group, 6), 32);
  EXPECT_EQ(At<WORD>(group, 8), 64); // colour image and mask
  EXPECT_EQ(At<WORD>(group, 12), 1);
  const std::string cursor = Resource(RT_CURSOR, At<WORD>(group, 18));
  EXPECT_EQ(At<WORD>(cursor, 0), 5); // hot spot x
  EXPECT_EQ(At<WORD>(cursor, 2), 0); // hot spot y
  EXPECT_EQ(At<LONG>(cursor, 4 + 4), 32);
  EXPECT_EQ(At<WORD>(cursor, 4 + 14), 1);
}

TEST_F(ShippedResourcesTest, EveryProgramHasAVersionBlock1_0_0_20InUsEnglishUnicode) {
  for (const std::string program : {"themefold.exe", "rc.exe", "themefold-batch.exe"}) {
    SCOPED_TRACE(program);
    std::string block = VersionBlock(program);
    ASSERT_FALSE(block.empty());

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 20u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 20u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::pair<const char*, const char*> strings[] = {
        {"FileVersion", "1.00.0020"},
        {"ProductVersion", "1.00.0020"},
        {"ProductName", "Themefold Maker"},
        {"OriginalFilename", program.c_str()},
    };
    for (const auto& [name, value] : strings) {
      SCOPED_TRACE(name);
      EXPECT_EQ(VersionString(block, name), value);
    }
    EXPECT_NE(VersionString(block, "FileDescription"), "<missing>");
  }
}

} // namespace
