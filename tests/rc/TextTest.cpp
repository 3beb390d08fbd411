// The pieces where a single wrong branch silently changes bytes: numbers and strings.
#include "RcTestSupport.h"

#include "rc/Diagnostics.h"
#include "rc/Lexer.h"
#include "rc/Text.h"

TEST(TextTest, Integers) {
  // clang-format off
  const std::pair<const char*, long long> rows[] = {
      {"0", 0},          {"42", 42},           {"42L", 42},       {"0x1F", 31},
      {"0X1fl", 31},     {"010", 8},           {"0o17", 15},      {"0b101", 5},
      {"4294967295", 4294967295LL},            {"0xFFFFFFFF", 4294967295LL},
      {"4294967296", -1}, {"0x100000000", -1}, {"0x", -1},        {"09", -1},
      {"12abc", -1},     {"L", -1},            {"1LL", -1},
  };
  // clang-format on
  for (const auto& [text, expected] : rows) {
    SCOPED_TRACE(text);
    std::uint32_t value = 0;
    bool ok = rc::ParseInteger(text, value);
    EXPECT_EQ(ok, expected >= 0);
    if (ok) {
      EXPECT_EQ(value, expected);
    }
  }
}

TEST(TextTest, StringEscapes) {
  using rc::text::Nulls;
  const struct {
    const char* token;
    std::uint16_t codePage;
    Nulls nulls;
    std::u16string expected;
  } rows[] = {
      {"\"plain\"", 1252, Nulls::kCutAtNull, u"plain"},
      {"\"a\"\"b\"", 1252, Nulls::kCutAtNull, u"a\"b"},
      {"\"\\t\\n\\r\\a\\\\\"", 1252, Nulls::kCutAtNull, u"\t\n\r\b\\"},
      {"\"\\x41\\x4a2\\101\\0\"", 1252, Nulls::kKeep, std::u16string(u"AJ2A\0", 5)},
      {"L\"\\x263A\\x41\"", 1252, Nulls::kCutAtNull, u"\u263A\u0041"},
      {"\"\\q\"", 1252, Nulls::kCutAtNull, u"\\q"}, // unknown escapes stay...
      {"L\"\\q\"", 1252, Nulls::kCutAtNull, u""},   // ...except in wide strings
      {"\"\\x80\x80\"", 1252, Nulls::kCutAtNull, u"\u20AC\u20AC"},
      {"\"\xc3\xa9\"", 65001, Nulls::kCutAtNull, u"\u00e9"},
      {"\"\xc3\"", 65001, Nulls::kCutAtNull, u"\uFFFD"},
      {"\"ab\\0cd\"", 1252, Nulls::kCutAtNull, u"ab"},
      {"\"ab\\0cd\\0\\0ef\"", 1252, Nulls::kCutAtDoubleNull, std::u16string(u"ab\0cd", 5)},
      {"\"ab\\0\"", 1252, Nulls::kCutAtDoubleNull, u"ab"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.token);
    rc::Token token;
    token.kind = rc::TokenKind::String;
    token.text = row.token;
    token.codePage = row.codePage;
    EXPECT_TRUE(rc::text::Decode(token, row.nulls).chars == row.expected);
  }
}

TEST(TextTest, StringsThatCannotBeWritten) {
  using rc::text::Nulls;
  const struct {
    const char* token;
    std::uint16_t codePage;
    Nulls nulls;
  } rows[] = {
      {"\"\\x41\\\"\"", 1252, Nulls::kCutAtNull}, // \" without a second quote
      {"\"\xc3\xa9\"", 0, Nulls::kCutAtNull},     // no code page for a non-ASCII byte
      {"\"\\xe9\"", 65001, Nulls::kCutAtNull},    // an escaped byte is no UTF-8
      {"\"\xe2\x82\xac\"", 65001, Nulls::kKeep},  // U+20AC in narrow user data
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.token);
    rc::Token token;
    token.kind = rc::TokenKind::String;
    token.text = row.token;
    token.codePage = row.codePage;
    EXPECT_THROW(rc::text::Decode(token, row.nulls), rc::CompileError);
  }
}
