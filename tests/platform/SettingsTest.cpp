// The per-user settings store, where it really lives: the registry under Windows, a file in
// a temporary configuration folder elsewhere.
#include "support/TestSupport.h"

#include "platform/BraskModule.h"

#ifdef _WIN32
#include "RegistryCleanup.h"
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

class SettingsTest : public testsupport::TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
#ifdef _WIN32
    application_ = "ThemefoldTest" + std::to_string(GetCurrentProcessId());
#else
    const char* old = std::getenv("XDG_CONFIG_HOME");
    savedConfig_ = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    application_ = "Themefold";
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    testsupport::DeleteKeyTree(HKEY_CURRENT_USER,
                               "Software\\VB and VBA Program Settings\\" + application_);
#else
    if (savedConfig_)
      setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
#endif
    TempDirTest::TearDown();
  }
  std::string Get(const std::string& key, const std::string& defaultValue = "<default>") {
    return brask::GetSetting(application_, "General", key, defaultValue);
  }
  void Save(const std::string& key, const std::string& value) {
    brask::SaveSetting(application_, "General", key, value);
  }

  std::string application_;
#ifndef _WIN32
  std::optional<std::string> savedConfig_;
  fs::path StoreFile() const { return dir_ / "Themefold" / "settings.ini"; }
#endif
};

// clang-format off
const std::pair<const char*, std::string> kValues[] = {
    {"Application", "C:\\Program Files\\My App\\App.exe"},
    {"Description", "A = B [and] ;not a comment #either"},
    {"Version", ""},
    {"RC.EXE", "C:\\VB98\\Wizards\\RC.EXE\\"},
    {"Multi", "first line\r\nsecond line\nthird\\n"},
    {"Accents", "Gr\xC3\xBC\xC3\x9F" "e"},
    {"Spaces", "  padded  "},
};
// clang-format on

TEST_F(SettingsTest, EveryKeyRoundTrips) {
  for (const auto& [key, value] : kValues)
    Save(key, value);
  for (const auto& [key, value] : kValues) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Get(key), value); // also the empty one: stored, not absent
  }
  EXPECT_EQ(Get("Missing"), "<default>");
  EXPECT_EQ(Get("Missing", ""), "");
  EXPECT_EQ(brask::GetSetting(application_, "Other", "Version", "d"), "d");
  EXPECT_EQ(brask::GetSetting(application_ + "Other", "General", "Version", "d"), "d");
}

TEST_F(SettingsTest, OverwritingOneKeyKeepsTheOthers) {
  for (const auto& [key, value] : kValues)
    Save(key, value);
  Save("version", "2.0"); // names are not case-sensitive, as in the registry
  Save("Application", "");
  EXPECT_EQ(Get("Version"), "2.0");
  EXPECT_EQ(Get("Application"), "");
  EXPECT_EQ(Get("Description"), "A = B [and] ;not a comment #either");
  EXPECT_EQ(Get("RC.EXE"), "C:\\VB98\\Wizards\\RC.EXE\\");
}

TEST_F(SettingsTest, NothingStoredReadsAsDefaults) {
  EXPECT_EQ(Get("Application"), "<default>");
  EXPECT_EQ(Get("Application", ""), "");
}

#ifdef _WIN32

std::pair<DWORD, std::string> RawValue(const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return {0, "<no key>"};
  std::string data(4096, '\0');
  DWORD type = 0, size = static_cast<DWORD>(data.size());
  const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS)
    return {0, "<no value>"};
  data.resize(size);
  return {type, data};
}

TEST_F(SettingsTest, ValuesLiveWhereTheVisualBasicRuntimeKeepsThem) {
  const std::string subKey = "Software\\VB and VBA Program Settings\\" + application_ + "\\General";
  for (const auto& [key, value] : kValues)
    Save(key, value);
  for (const auto& [key, value] : kValues) {
    SCOPED_TRACE(key);
    EXPECT_EQ(RawValue(subKey, key), std::make_pair(static_cast<DWORD>(REG_SZ), value + '\0'));
  }
  // A value left by an earlier version of the program is found.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char old[] = "C:\\Old\\App.exe";
  RegSetValueExA(key, "Legacy", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), sizeof old);
  RegCloseKey(key);
  EXPECT_EQ(Get("Legacy"), old);
}

#else

TEST_F(SettingsTest, TheFileIsPlainText) {
  Save("Version", "1.0");
  Save("Description", "two\nlines \\ = [x]");
  brask::SaveSetting(application_, "Second", "K", "");
  EXPECT_EQ(testsupport::ReadBytes(StoreFile()), "[General]\n"
                                                 "Version=1.0\n"
                                                 "Description=two\\nlines \\\\ = [x]\n"
                                                 "\n"
                                                 "[Second]\n"
                                                 "K=\n");
  // Written through a temporary file that is gone afterwards.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(StoreFile().parent_path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

TEST_F(SettingsTest, CorruptStoreReadsAsDefaultsAndIsSetAside) {
  fs::create_directories(StoreFile().parent_path());
  const std::string junk = "Version=1.0 before any section\n[General]\nVersion=9\n";
  testsupport::WriteBytes(StoreFile(), junk);
  EXPECT_EQ(Get("Version"), "<default>");
  Save("Description", "fresh");
  EXPECT_EQ(Get("Description"), "fresh");
  EXPECT_EQ(Get("Version"), "<default>");
  EXPECT_EQ(testsupport::ReadBytes(StoreFile().string() + ".corrupt"), junk);
}

TEST_F(SettingsTest, StoreThatCannotBeUsedIsNeverFatal) {
  // The store's folder is a file: nothing can be read or written, nothing breaks.
  testsupport::WriteBytes(dir_ / "Themefold", "not a folder");
  Save("Version", "1.0");
  EXPECT_EQ(Get("Version"), "<default>");
  EXPECT_EQ(testsupport::ReadBytes(dir_ / "Themefold"), "not a folder");

  // The store is a folder: unreadable, so a write would lose its keys and is not made.
  fs::remove(dir_ / "Themefold");
  fs::create_directories(StoreFile());
  Save("Version", "1.0");
  EXPECT_EQ(Get("Version"), "<default>");
  EXPECT_TRUE(fs::is_directory(StoreFile()));

  // Applications that would reach outside the configuration folder have no store.
  const std::string names[] = {"", ".", "..", "../escape", "a/b"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    brask::SaveSetting(name, "General", "Version", "1.0");
    EXPECT_EQ(brask::GetSetting(name, "General", "Version", "d"), "d");
  }
  EXPECT_FALSE(fs::exists(dir_.parent_path() / "escape"));
}

TEST_F(SettingsTest, WithoutXdgConfigHomeTheStoreIsUnderHome) {
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  const std::pair<const char*, bool> configs[] = {
      {nullptr, true}, {"", true}, {"relative/dir", true}};
  for (const auto& [config, unused] : configs) {
    SCOPED_TRACE(config ? config : "<unset>");
    (void)unused;
    if (config)
      setenv("XDG_CONFIG_HOME", config, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", dir_.c_str(), 1);
    Save("Version", "home");
    EXPECT_EQ(testsupport::ReadBytes(dir_ / ".config" / "Themefold" / "settings.ini"),
              "[General]\nVersion=home\n");
    fs::remove_all(dir_ / ".config");
  }
  setenv("HOME", savedHome.c_str(), 1);
}

#endif

} // namespace
