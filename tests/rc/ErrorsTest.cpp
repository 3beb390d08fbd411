// Bad input: the exact message with file and line, and the /fo path left as it was: a
// .res from an earlier run keeps its bytes, and no temporary file stays beside it.
#include "RcTestSupport.h"

#include <cstdint>
#include <utility>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

struct Row {
  const char* name;
  std::string script;
  std::string expected; // the whole diagnostic
  std::vector<std::pair<const char*, std::string>> files = {};
};

class ErrorsTest : public testsupport::TempDirTest {
protected:
  // Compiles bad.rc from the test folder as the current directory, over a stale output.
  void Check(const Row& row) {
    SCOPED_TRACE(row.name);
    std::filesystem::current_path(dir_);
    WriteBytes(dir_ / "bad.rc", row.script);
    for (const auto& [name, bytes] : row.files)
      WriteBytes(dir_ / name, bytes);
    WriteBytes(dir_ / "bad.res", "stale output of an earlier run");
    rc::Result result = rctest::CompileArgs({"/r", "/fo", "bad.res", "bad.rc"});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.diagnostics, row.expected + "\n");
    EXPECT_EQ(ReadBytes(dir_ / "bad.res"), "stale output of an earlier run");
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    for (const auto& [name, bytes] : row.files)
      std::filesystem::remove(dir_ / name);
    std::filesystem::current_path(savedCwd_);
  }
};

// An icon file of count images, each the same bitmap header.
std::string IconFile(std::uint16_t count) {
  std::string file;
  auto u16 = [&](std::uint32_t v) {
    file += static_cast<char>(v & 0xff);
    file += static_cast<char>((v >> 8) & 0xff);
  };
  u16(0), u16(1), u16(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    u16(0x0101), u16(0), u16(1), u16(32);
    u16(40), u16(0), u16(6 + 16u * count), u16((6 + 16u * count) >> 16);
  }
  u16(40);
  return file + std::string(38, '\0');
}

} // namespace

TEST_F(ErrorsTest, FilesTheScriptNames) {
  // clang-format off
  const Row rows[] = {
      {"missing icon", "\n1 ICON \"missing.ico\"\n",
       "bad.rc(2) : error RC2135: file not found: missing.ico"},
      {"missing manifest", "1 24 App.exe.manifest\n",
       "bad.rc(1) : error RC2135: file not found: App.exe.manifest"},
      {"not an icon", "1 ICON \"x.ico\"\n",
       "bad.rc(1) : error RC2161: 'x.ico' is not a valid icon file: too short", {{"x.ico", "abc"}}},
      {"cursor file as icon", "1 ICON \"x.ico\"\n",
       "bad.rc(1) : error RC2161: 'x.ico' is not a valid icon file: type field is not 1",
       {{"x.ico", std::string("\0\0\2\0\0\0", 6)}}},
      {"image outside the file", "1 CURSOR \"x.cur\"\n",
       "bad.rc(1) : error RC2161: 'x.cur' is not a valid cursor file: image 1 lies outside the file",
       {{"x.cur", std::string("\0\0\2\0\1\0", 6) + std::string(8, '\0') +
                      std::string("\x10\0\0\0\x16\0\0\0", 8)}}},
      {"truncated directory", "1 ICON \"x.ico\"\n",
       "bad.rc(1) : error RC2161: 'x.ico' is not a valid icon file: directory is truncated",
       {{"x.ico", std::string("\0\0\1\0\5\0", 6)}}},
      // Each image takes the next id; 65535 is the last there is.
      {"image ids past 65535", "1 ICON \"max.ico\"\n2 ICON \"one.ico\"\n",
       "bad.rc(2) : error RC2027: 'one.ico': image id 65536 does not fit in 16 bits",
       {{"max.ico", IconFile(65535)}, {"one.ico", IconFile(1)}}},
      {"not a bitmap", "1 BITMAP \"x.bmp\"\n",
       "bad.rc(1) : error RC2161: 'x.bmp' is not a bitmap file", {{"x.bmp", "GIF89a and more bytes"}}},
      {"missing include", "#include \"nothere.h\"\n",
       "bad.rc(1) : error RC1015: cannot open include file 'nothere.h'"},
      {"include recursion", "#include \"self.rc\"\n",
       "self.rc(1) : error RC1014: #include nested too deeply (more than 32 levels): 'self.rc'",
       {{"self.rc", "#include \"self.rc\"\n"}}},
      {"error in an included file", "#include \"inc.rc\"\n",
       "inc.rc(2) : error RC2104: expected resource type (a number or a name), got '{'",
       {{"inc.rc", "1 RCDATA { 1 }\n2 { 3 }\n"}}},
  };
  // clang-format on
  for (const auto& row : rows)
    Check(row);
}

TEST_F(ErrorsTest, Tokens) {
  const Row rows[] = {
      {"unterminated string", "1 RCDATA { \"abc }\n",
       "bad.rc(1) : error RC2001: newline in string \"abc }"},
      {"number too large", "1 RCDATA { 4294967296 }\n",
       "bad.rc(1) : error RC2027: number '4294967296' is malformed or does not fit in 32 bits"},
      {"malformed number", "1 RCDATA { 12abc }\n",
       "bad.rc(1) : error RC2027: number '12abc' is malformed or does not fit in 32 bits"},
      {"binary garbage", std::string("1 RCDATA { \0\1\2\xff }\n", 19),
       "bad.rc(1) : error RC2018: unexpected byte 0x00"},
      {"stray character", "1 RCDATA { 1 } @\n", "bad.rc(1) : error RC2018: unexpected '@'"},
      {"a 10 MB unterminated string", "1 RCDATA { \"" + std::string(10u << 20, 'x') + "\n",
       "bad.rc(1) : error RC2001: newline in string \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx..."},
      {"a 10 MB name", std::string(10u << 20, 'A') + "\n",
       "bad.rc(1) : error RC1004: expected resource type (a number or a name), got end of file"},
      {"unterminated comment", "1 RCDATA { 1 }\n/* never closed\n\n",
       "bad.rc(3) : error RC1004: unexpected end of file in a comment"},
  };
  for (const auto& row : rows)
    Check(row);
}

TEST_F(ErrorsTest, Preprocessor) {
  std::string bomb;
  for (int i = 0; i < 40; ++i)
    bomb += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + " M" +
            std::to_string(i + 1) + "\n";
  bomb += "1 RCDATA { M0 }\n";
  std::string chain;
  for (int i = 0; i < 300; ++i)
    chain += "#define C" + std::to_string(i) + " C" + std::to_string(i + 1) + "\n";
  chain += "1 RCDATA { C0 }\n";
  std::string nested;
  for (int i = 0; i < 300; ++i)
    nested = "F(" + nested + ")";
  std::string doubling = "#define D0(x) x x\n";
  for (int i = 1; i <= 30; ++i)
    doubling += "#define D" + std::to_string(i) + "(x) D" + std::to_string(i - 1) + "(x) D" +
                std::to_string(i - 1) + "(x)\n";
  // clang-format off
  const Row rows[] = {
      {"unknown directive", "#foo bar\n", "bad.rc(1) : error RC1021: invalid preprocessor command 'foo'"},
      {"#error", "#if 1\n#error stop here\n#endif\n", "bad.rc(2) : error RC1189: #error stop here"},
      {"missing #endif", "#ifdef X\n1 RCDATA { 1 }\n",
       "bad.rc(2) : error RC1004: unexpected end of file: the #if of line 1 has no #endif"},
      {"#endif in an include closes nothing outside", "#if 1\n#include \"inc.h\"\n",
       "inc.h(1) : error RC1017: #endif without #if", {{"inc.h", "#endif\n"}}},
      {"#else without #if", "#else\n", "bad.rc(1) : error RC1017: #else without #if"},
      {"#elif after #else", "#if 0\n#else\n#elif 1\n#endif\n",
       "bad.rc(3) : error RC1017: #elif after #else"},
      {"division by zero", "#if 1 / 0\n#endif\n",
       "bad.rc(1) : error RC1017: division by zero in #if expression"},
      {"bad expression", "#if 1 +\n#endif\n", "bad.rc(1) : error RC1017: #if expression ends early"},
      {"#ifdef without a name", "#ifdef\n#endif\n", "bad.rc(1) : error RC1017: #ifdef expects a macro name"},
      {"function-like macro given too many arguments", "#define F(x) x\n1 RCDATA { F(1, 2) }\n",
       "bad.rc(2) : error RC1017: macro 'F' takes 1 argument, not 2"},
      {"function-like macro given too few arguments", "#define F(x, y) x\n1 RCDATA { F(1) }\n",
       "bad.rc(2) : error RC1017: macro 'F' takes 2 arguments, not 1"},
      {"arguments to the end of the file", "#define F(x) x\n1 RCDATA { F(1,\n2 }\n",
       "bad.rc(2) : error RC1004: unexpected end of file in the arguments of macro 'F'"},
      {"a directive in the arguments", "#define F(x) x\n1 RCDATA { F(1\n#endif\n) }\n",
       "bad.rc(3) : error RC1017: a directive inside the arguments of macro 'F'"},
      {"a call in an argument ends there",
       "#define F(x) x\n#define H F(\n#define G(x) x\n1 RCDATA { G(H) 1) }\n",
       "bad.rc(4) : error RC1017: the arguments of macro 'F' do not end"},
      {"parameter list", "#define F(x,) x\n", "bad.rc(1) : error RC1017: missing ')' in the parameters of macro 'F'"},
      {"arguments nested in arguments", "#define F(x) x\n1 RCDATA { " + nested + " }\n",
       "bad.rc(2) : error RC1017: macros nested too deeply"},
      {"a bomb of arguments", doubling + "1 RCDATA { D30(1) }\n",
       "bad.rc(32) : error RC1017: macro expansion too large"},
      {"#line renames messages", "#line 100 \"other.rc\"\n\n#error here\n",
       "other.rc(101) : error RC1189: #error here"},
      {"#line without a number", "#line x\n", "bad.rc(1) : error RC1017: #line expects a line number and an optional \"file\""},
      {"__has_include without a name", "#if __has_include(x)\n#endif\n",
       "bad.rc(1) : error RC1017: __has_include expects (\"file\") or (<file>)"},
      {"macro bomb", bomb, "bad.rc(41) : error RC1017: macro expansion too large"},
      {"a chain of 300 macros", chain, "bad.rc(301) : error RC1017: macros nested too deeply"},
      {"code page", "#pragma code_page(437)\n",
       "bad.rc(1) : error RC2170: code page 437 is not supported (1252 and 65001 are)"},
      {"deep #if parentheses", "#if " + std::string(100000, '(') + "1\n#endif\n",
       "bad.rc(1) : error RC1017: #if expression nested too deeply"},
  };
  // clang-format on
  for (const auto& row : rows)
    Check(row);
}

TEST_F(ErrorsTest, Statements) {
  // clang-format off
  const Row rows[] = {
      {"unterminated block", "STRINGTABLE\nBEGIN\n  1 \"a\"\n",
       "bad.rc(3) : error RC1004: expected END or '}', got end of file"},
      {"unterminated version block", "1 VERSIONINFO\nBEGIN\nBLOCK \"x\"\nBEGIN\nEND\n",
       "bad.rc(5) : error RC1004: expected BLOCK, VALUE, END or '}', got end of file"},
      {"name too large", "70000 RCDATA { 1 }\n",
       "bad.rc(1) : error RC2027: resource name 70000 does not fit in 16 bits"},
      {"version part too large", "1 VERSIONINFO\nFILEVERSION 1,70000\nBEGIN\nEND\n",
       "bad.rc(2) : error RC2027: in VERSIONINFO 1: FILEVERSION part 70000 does not fit in 16 bits"},
      {"short value too large", "1 RCDATA { 65536 }\n",
       "bad.rc(1) : error RC2027: in RCDATA 1: number 65536 does not fit in 16 bits"},
      {"version value too large", "1 VERSIONINFO\nBEGIN\nVALUE \"x\", 1, 70000\nEND\n",
       "bad.rc(3) : error RC2027: in VERSIONINFO 1: VALUE number 70000 does not fit in 16 bits"},
      {"string id too large", "STRINGTABLE { 65536 \"a\" }\n",
       "bad.rc(1) : error RC2027: in STRINGTABLE: id 65536 does not fit in 16 bits"},
      {"user type too large", "myname 70000 { 1 }\n",
       "bad.rc(1) : error RC2027: in resource MYNAME: resource type 70000 does not fit in 16 bits"},
      // Type 0 is the .res file's leading marker; an entry of that type reads back as one.
      {"user type 0", "E 0 {}\n",
       "bad.rc(1) : error RC2162: in resource E: resource type 0 is reserved"},
      {"mixed VALUE", "1 VERSIONINFO\nBEGIN\nVALUE \"x\", \"a\", 1\nEND\n",
       "bad.rc(3) : error RC2162: a VERSIONINFO VALUE cannot mix strings and numbers"},
      {"duplicate string", "STRINGTABLE { 1 \"a\" }\nSTRINGTABLE { 1 \"b\" }\n",
       "bad.rc(2) : error RC2151: STRINGTABLE id 1 is used twice"},
      {"language out of range", "LANGUAGE 65536, 1\n",
       "bad.rc(1) : error RC2162: LANGUAGE 65536, 1: the language takes 16 bits and the sublanguage 6"},
      {"sublanguage out of range", "LANGUAGE 9, 64\n",
       "bad.rc(1) : error RC2162: LANGUAGE 9, 64: the language takes 16 bits and the sublanguage 6"},
      {"dialog without its height", "1 DIALOG 0, 0, 10\nBEGIN\nEND\n",
       "bad.rc(2) : error RC2104: expected ',', got 'BEGIN'"},
      {"quoted name", "\"name\" RCDATA { 1 }\n",
       "bad.rc(1) : error RC2104: expected resource name (a number or a name), got '\"name\"'"},
      {"division by zero", "STRINGTABLE { 1 / 0 \"a\" }\n", "bad.rc(1) : error RC2162: division by zero"},
      {"deep VERSIONINFO blocks", "1 VERSIONINFO\nBEGIN\n" + [] {
         std::string blocks;
         for (int i = 0; i < 100; ++i)
           blocks += "BLOCK \"b\" BEGIN\n";
         return blocks;
       }(),
       "bad.rc(67) : error RC2104: VERSIONINFO blocks nested too deeply"},
      {"deep parentheses", "STRINGTABLE { " + std::string(100000, '(') + "1 \"a\" }\n",
       "bad.rc(1) : error RC2104: expression nested too deeply"},
      {"C-style escaped quote", "1 RCDATA { \"a\\\"b\" }\n",
       "bad.rc(1) : error RC2104: expected a number, '-', '~' or '(', got 'b'"},
  };
  // clang-format on
  for (const auto& row : rows)
    Check(row);
}

TEST_F(ErrorsTest, DialogsMenusAccelerators) {
  // clang-format off
  const Row rows[] = {
      {"unknown control", "1 DIALOG 0, 0, 10, 10\nBEGIN\n  LABEL \"x\", 1, 0, 0, 1, 1\nEND\n",
       "bad.rc(3) : error RC2104: expected a control statement, END or '}', got 'LABEL'"},
      {"missing comma in a control", "1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\" 1, 0, 0, 1, 1\nEND\n",
       "bad.rc(3) : error RC2104: expected ',', got '1'"},
      {"control without its size", "1 DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"x\", 1, 0, 0\nEND\n",
       "bad.rc(4) : error RC2104: expected ',', got 'END'"},
      {"control id too large for a DIALOG", "1 DIALOG 0, 0, 10, 10 { LTEXT \"x\", 70000, 0, 0, 1, 1 }\n",
       "bad.rc(1) : error RC2027: in DIALOG 1: control id 70000 does not fit in 16 bits"},
      {"negative control width", "101 DIALOGEX 0, 0, 10, 10 { EDITTEXT 1, 0, 0, -1, 1 }\n",
       "bad.rc(1) : error RC2162: in DIALOGEX 101: control width -1 cannot be negative"},
      {"dialog coordinate too large", "101 DIALOGEX 40000, 0, 10, 10 {}\n",
       "bad.rc(1) : error RC2027: in DIALOGEX 101: dialog x-coordinate 40000 does not fit in 16 "
       "bits with a sign"},
      {"DIALOG style that reads as DIALOGEX", "1 DIALOG 0, 0, 1, 1\nSTYLE 0xFFFF0000\n{}\n",
       "bad.rc(2) : error RC2162: in DIALOG 1: the high 16 bits of a DIALOG style cannot be 0xFFFF"},
      {"DIALOGEX font arguments in a DIALOG", "1 DIALOG 0, 0, 1, 1\nFONT 8, \"Tahoma\", 400\n{}\n",
       "bad.rc(2) : error RC2104: expected LANGUAGE, CHARACTERISTICS, VERSION, CAPTION, CLASS, "
       "EXSTYLE, FONT, MENU, STYLE, BEGIN or '{', got ','"},
      {"FONT with neither a comma nor a face after its size",
       "1 DIALOG 0, 0, 1, 1\nFONT 8 400\n{}\n", "bad.rc(2) : error RC2104: expected ',', got '400'"},
      {"font character set too large", "1 DIALOGEX 0, 0, 1, 1\nFONT 8, \"Tahoma\", 400, 0, 256\n{}\n",
       "bad.rc(2) : error RC2027: in DIALOGEX 1: font character set 256 does not fit in 8 bits"},
      {"help id in a DIALOG", "1 DIALOG 0, 0, 1, 1, 5\n{}\n",
       "bad.rc(1) : error RC2104: expected LANGUAGE, CHARACTERISTICS, VERSION, CAPTION, CLASS, "
       "EXSTYLE, FONT, MENU, STYLE, BEGIN or '{', got ','"},
      {"unquoted control class", "1 DIALOG 0, 0, 1, 1 { CONTROL \"\", 1, Button, 0, 0, 0, 1, 1 }\n",
       "bad.rc(1) : error RC2104: expected a string or a number for the control class, got 'Button'"},
      // A comma ends a control statement only before END, '}' or the next statement.
      {"word after a control's last comma", "1 DIALOG 0, 0, 1, 1 { LTEXT \"x\", 1, 0, 0, 1, 1, x }\n",
       "bad.rc(1) : error RC2104: expected a number, '-', '~' or '(', got 'x'"},
      {"argument past a control's help id",
       "1 DIALOGEX 0, 0, 1, 1 { CONTROL \"\", 1, 0x80, 0, 0, 0, 1, 1, 2, 3, 4 }\n",
       "bad.rc(1) : error RC2104: expected a control statement, END or '}', got '4'"},
      {"unterminated dialog", "1 DIALOG 0, 0, 1, 1\nBEGIN\n  LTEXT \"x\", 1, 0, 0, 1, 1\n",
       "bad.rc(3) : error RC1004: expected a control statement, END or '}', got end of file"},
      {"misspelt MENUITEM", "1 MENU\nBEGIN\n  MENUITM \"x\", 1\nEND\n",
       "bad.rc(3) : error RC2104: expected MENUITEM, POPUP, END or '}', got 'MENUITM'"},
      {"unknown menu option", "1 MENU { MENUITEM \"x\", 1, DISABLED }\n",
       "bad.rc(1) : error RC2104: expected CHECKED, GRAYED, HELP, INACTIVE, MENUBARBREAK or "
       "MENUBREAK, got 'DISABLED'"},
      {"misspelt SEPARATOR", "1 MENU { MENUITEM SEPERATOR }\n",
       "bad.rc(1) : error RC2104: expected SEPARATOR or a string, got 'SEPERATOR'"},
      {"MENUITEM without an id", "1 MENU { MENUITEM \"x\" }\n",
       "bad.rc(1) : error RC2104: expected ',', got '}'"},
      {"MENUITEM id too large", "1 MENU { MENUITEM \"x\", 70000 }\n",
       "bad.rc(1) : error RC2027: in MENU 1: MENUITEM id 70000 does not fit in 16 bits"},
      {"POPUP without its items", "1 MENU { POPUP \"x\" }\n",
       "bad.rc(1) : error RC2104: expected BEGIN or '{', got '}'"},
      {"SEPARATOR in a MENUEX", "1 MENUEX { MENUITEM SEPARATOR }\n",
       "bad.rc(1) : error RC2104: expected a string, got 'SEPARATOR'"},
      {"deep popups", "1 MENU\n" + [] {
         std::string popups;
         for (int i = 0; i < 100; ++i)
           popups += "{ POPUP \"p\"\n";
         return popups;
       }(),
       "bad.rc(66) : error RC2104: in MENU 1: POPUP menus nested too deeply"},
      {"two-character key", "1 ACCELERATORS { \"ab\", 1 }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 1: the key must be one character, "
       "or '^' and a letter"},
      {"control key with a digit", "1 ACCELERATORS { \"^1\", 1 }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 1: '^' must be followed by a letter"},
      {"number without ASCII or VIRTKEY", "1 ACCELERATORS { 65, 2 }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 2: a key given as a number needs "
       "ASCII or VIRTKEY"},
      {"SHIFT with an ASCII key", "1 ACCELERATORS { \"a\", 3, SHIFT }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 3: SHIFT and CONTROL apply to "
       "VIRTKEY keys only"},
      {"ASCII and VIRTKEY", "1 ACCELERATORS { 65, 4, ASCII, VIRTKEY }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 4: ASCII and VIRTKEY exclude each "
       "other"},
      {"VIRTKEY with a control key", "1 ACCELERATORS { \"^a\", 5, VIRTKEY }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 5: a VIRTKEY key cannot be given "
       "with '^'"},
      {"VIRTKEY punctuation", "1 ACCELERATORS { \"!\", 6, VIRTKEY }\n",
       "bad.rc(1) : error RC2162: in ACCELERATORS 1: accelerator 6: a VIRTKEY key must be a letter "
       "or a digit"},
      {"CTRL for CONTROL", "1 ACCELERATORS { \"a\", 7, VIRTKEY, CTRL }\n",
       "bad.rc(1) : error RC2104: expected ASCII, VIRTKEY, NOINVERT, ALT, SHIFT or CONTROL, got "
       "'CTRL'"},
      {"accelerator id too large", "1 ACCELERATORS { \"a\", 70000 }\n",
       "bad.rc(1) : error RC2027: in ACCELERATORS 1: accelerator id 70000 does not fit in 16 bits"},
  };
  // clang-format on
  for (const auto& row : rows)
    Check(row);
}

// A folder where the output cannot be created: an error, and nothing left behind.
TEST_F(ErrorsTest, UnwritableOutput) {
  WriteBytes(dir_ / "ok.rc", "1 RCDATA { 1 }\n");
  const std::string out = (dir_ / "no such folder" / "out.res").string();
  rc::Result result = rctest::CompileArgs({"/fo", out, (dir_ / "ok.rc").string()});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.diagnostics, "rc : error RC1109: cannot create '" + out + "'\n");
}

// An output path that names a folder: an error, and the folder stays.
TEST_F(ErrorsTest, OutputNamesAFolder) {
  WriteBytes(dir_ / "ok.rc", "1 RCDATA { 1 }\n");
  std::filesystem::create_directories(dir_ / "folder.res");
  rc::Result result = rctest::CompileArgs({"/fo", Path("folder.res"), Path("ok.rc")});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.diagnostics, "rc : error RC1109: cannot create '" + Path("folder.res") + "'\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.res"));
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

// A script that cannot be read: the output of an earlier run stays as it was.
TEST_F(ErrorsTest, MissingScript) {
  WriteBytes(dir_ / "old.res", "stale");
  rc::Result result = rctest::CompileArgs({"/fo", Path("old.res"), Path("nothere.rc")});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.diagnostics,
            "rc : error RC2135: cannot open script '" + Path("nothere.rc") + "'\n");
  EXPECT_EQ(ReadBytes(dir_ / "old.res"), "stale");
}
