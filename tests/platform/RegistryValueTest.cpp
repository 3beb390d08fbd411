// Registry values as text: the conversion on every platform, and on Windows the whole
// reader against keys made in the registry for the test.
#include "support/TestSupport.h"

#include "platform/BraskDetail.h"

#ifdef _WIN32
#include "RegistryCleanup.h"
#endif

namespace {

using brask::detail::FormatRegistryValue;

constexpr unsigned long kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7;

/// A query as the platform leaves it: the data at the front of 2,048 spaces.
platform::RegistryQuery Query(unsigned long type, const std::string& data, long status = 0) {
  platform::RegistryQuery query;
  query.status = status;
  query.type = type;
  query.buffer = data + std::string(2048 - data.size(), ' ');
  query.dataSize = static_cast<unsigned long>(data.size());
  return query;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string text;
  for (const int b : bytes)
    text += static_cast<char>(b);
  return text;
}

TEST(RegistryValueTest, ConvertsByType) {
  const struct {
    const char* name;
    platform::RegistryQuery query;
    std::string expected;
  } rows[] = {
      {"failed query", Query(kSz, std::string("text\0", 5), 2), ""},
      {"data too large", Query(kBinary, "", 234), ""},
      {"dword 7", Query(kDword, Bytes({7, 0, 0, 0})), "007"},
      {"dword 0", Query(kDword, Bytes({0, 0, 0, 0})), "000"},
      {"dword 1234", Query(kDword, Bytes({0xD2, 0x04, 0, 0})), "1234"},
      {"dword max", Query(kDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF})), "4294967295"},
      {"binary", Query(kBinary, Bytes({0x01, 0xAB, 0x00})), "01AB00"},
      {"binary empty", Query(kBinary, ""), ""},
      {"binary with spaces", Query(kBinary, "  "), "2020"},
      {"sz folder", Query(kSz, std::string("C:\\VB98\\\0", 9)), "C:\\VB98\\"},
      {"sz empty", Query(kSz, std::string("\0", 1)), ""},
      {"sz no data", Query(kSz, ""), ""},
      {"sz spaces", Query(kSz, std::string("  lead and trail  \0", 19)), "lead and trail  "},
      {"sz without NUL", Query(kSz, "bare"), "bare"},
      {"expand sz", Query(kExpandSz, std::string("%WINDIR%\\x\0", 11)), "%WINDIR%\\x"},
      {"multi sz", Query(kMultiSz, std::string("first\0second\0\0", 14)), "first"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FormatRegistryValue(row.query), row.expected);
  }
}

#ifdef _WIN32

/// A key of its own under HKEY_CURRENT_USER, deleted afterwards.
class RegReadStringTest : public ::testing::Test {
protected:
  void SetUp() override {
    subKey_ = "Software\\ThemefoldTests\\Reg" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    testsupport::DeleteKeyTree(HKEY_CURRENT_USER, subKey_);
  }
  void Set(const char* name, DWORD type, const std::string& data) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }

  std::string subKey_;
  HKEY key_ = nullptr;
};

TEST_F(RegReadStringTest, ReadsEveryKindOfValue) {
  const struct {
    const char* name;
    DWORD type;
    std::string data;
    std::string expected;
  } rows[] = {
      {"dword7", REG_DWORD, Bytes({7, 0, 0, 0}), "007"},
      {"dword0", REG_DWORD, Bytes({0, 0, 0, 0}), "000"},
      {"dword1234", REG_DWORD, Bytes({0xD2, 0x04, 0, 0}), "1234"},
      {"dwordMax", REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), "4294967295"},
      {"binary", REG_BINARY, Bytes({0x01, 0xAB, 0x00}), "01AB00"},
      {"binaryEmpty", REG_BINARY, "", ""},
      {"binaryFull", REG_BINARY, std::string(2048, '\xFF'), std::string(4096, 'F')},
      {"binaryOver", REG_BINARY, std::string(2049, '\xFF'), ""},
      {"ProductDir", REG_SZ, std::string("C:\\Program Files\\VB98\\\0", 23),
       "C:\\Program Files\\VB98\\"},
      {"szEmpty", REG_SZ, std::string("\0", 1), ""},
      {"szOver", REG_SZ, std::string(3000, 'x') + '\0', ""},
      {"expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\rc.exe\0", 20), "%SystemRoot%\\rc.exe"},
      {"multi", REG_MULTI_SZ, std::string("first\0second\0\0", 14), "first"},
  };
  for (const auto& row : rows)
    Set(row.name, row.type, row.data);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(brask::RegReadString(brask::kHkeyCurrentUser, subKey_, row.name), row.expected);
    // The subkey goes to the platform as given, trailing backslash included.
    EXPECT_EQ(brask::RegReadString(brask::kHkeyCurrentUser, subKey_ + "\\", row.name),
              row.expected);
  }
}

TEST_F(RegReadStringTest, MissingKeyOrValueIsEmpty) {
  Set("present", REG_SZ, std::string("here\0", 5));
  const std::pair<std::string, std::string> rows[] = {
      {subKey_, "absent"},
      {subKey_ + "\\Missing", "present"},
      {"Software\\ThemefoldTests\\NoSuchKey\\", "present"},
  };
  for (const auto& [subKey, value] : rows) {
    SCOPED_TRACE(subKey + " / " + value);
    EXPECT_EQ(brask::RegReadString(brask::kHkeyCurrentUser, subKey, value), "");
  }
  EXPECT_EQ(brask::RegReadString(brask::kHkeyCurrentUser, subKey_, "present"), "here");
  // The platform's own spelling of the root, sign-extended on 64-bit Windows, works too.
  EXPECT_EQ(
      brask::RegReadString(reinterpret_cast<std::uintptr_t>(HKEY_CURRENT_USER), subKey_, "present"),
      "here");
}

#else

TEST(RegReadStringTest, NoRegistryMeansEveryValueIsMissing) {
  EXPECT_EQ(brask::RegReadString(brask::kHkeyLocalMachine,
                                 "Software\\Microsoft\\VisualStudio\\6.0\\Setup\\"
                                 "Microsoft Visual Basic\\",
                                 "ProductDir"),
            "");
}

#endif

} // namespace
