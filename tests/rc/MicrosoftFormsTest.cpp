// Forms that llvm-rc refuses (or gets wrong) and Microsoft's rc accepts: the bytes each
// gives, worked out by hand from the documented layouts of the templates.
#include "RcTestSupport.h"

#include <cstdint>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class MicrosoftFormsTest : public testsupport::TempDirTest {};

std::string Hex(const std::string& spaced) {
  std::string out;
  for (std::size_t i = 0; i < spaced.size(); ++i) {
    if (spaced[i] == ' ')
      continue;
    out += static_cast<char>(std::stoi(spaced.substr(i, 2), nullptr, 16));
    ++i;
  }
  return out;
}

std::uint32_t U32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

} // namespace

TEST_F(MicrosoftFormsTest, ResourceData) {
  const struct {
    const char* name;
    const char* script;
    std::uint16_t type;
    const char* data;
  } rows[] = {
      {"MENUITEM without the comma before its id", "1 MENU { MENUITEM \"&Open\" 7 }", 4,
       "00000000 8000 0700 2600 4f00 7000 6500 6e00 0000"},
      {"ALT with an ASCII key", "1 ACCELERATORS { \"?\", 104, ASCII, ALT }", 9,
       "9000 3f00 6800 0000"},
      {"a dialog's MENU by number", "1 DIALOG 0, 0, 10, 20\nMENU 5\nBEGIN\nEND", 5,
       "00008880 00000000 0000 0000 0000 0a00 1400 ffff 0500 0000 0000"},
      {"a dialog's MENU by name", "1 DIALOG 0, 0, 10, 20\nMENU mainMenu\nBEGIN\nEND", 5,
       "00008880 00000000 0000 0000 0000 0a00 1400 "
       "4d00 4100 4900 4e00 4d00 4500 4e00 5500 0000 0000 0000"},
      {"CONTROL with a class ordinal",
       "1 DIALOG 0, 0, 1, 1 { CONTROL \"t\", 3, 0x80, 0, 1, 2, 3, 4 }", 5,
       "00008880 00000000 0100 0000 0000 0100 0100 0000 0000 0000 "
       "00000050 00000000 0100 0200 0300 0400 0300 ffff 8000 7400 0000 0000"},
      {"a control keyword in lower case keeps its default style",
       "1 DIALOG 0, 0, 1, 1 { ltext \"a\", 1, 1, 2, 3, 4 }", 5,
       "00008880 00000000 0100 0000 0000 0100 0100 0000 0000 0000 "
       "00000250 00000000 0100 0200 0300 0400 0100 ffff 8200 6100 0000 0000"},
      // Items start on a DWORD and so does a popup's help ID; "F" leaves the help ID
      // two bytes short of one.
      {"MENUEX",
       "1 MENUEX\nBEGIN\n  POPUP \"F\", 10, 0, 0, 99\n  BEGIN\n"
       "    MENUITEM \"O\", 11, 0x8, 0x3\n    MENUITEM \"\", , 0x800\n  END\n"
       "  MENUITEM \"Ab\", 12\nEND",
       4,
       "0100 0400 00000000 "
       "00000000 00000000 0a000000 0100 4600 0000 0000 63000000 "
       "08000000 03000000 0b000000 0000 4f00 0000 0000 "
       "00080000 00000000 00000000 8000 0000 "
       "00000000 00000000 0c000000 8000 4100 6200 0000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteBytes(dir_ / "ms.rc", std::string(row.script) + "\n");
    rc::Result result = rctest::CompileArgs({"/fo", Path("ms.res"), Path("ms.rc")});
    ASSERT_TRUE(result.ok) << result.diagnostics;
    const std::string res = ReadBytes(Path("ms.res"));
    // The empty entry, then the resource: sizes, type, name, and the data.
    ASSERT_GE(res.size(), 64u);
    const std::uint32_t size = U32(res, 32), headerSize = U32(res, 36);
    EXPECT_EQ(U32(res, 40), 0xffffu | (std::uint32_t{row.type} << 16));
    ASSERT_EQ(res.size(), 32 + headerSize + ((size + 3) & ~3u));
    EXPECT_EQ(res.substr(32 + headerSize, size), Hex(row.data));
  }
}

// rc takes FONT's face without the comma before it: the same resource as with it.
TEST_F(MicrosoftFormsTest, FontWithoutItsComma) {
  const struct {
    const char* dialog;
    const char* afterFace;
  } rows[] = {
      {"1 DIALOG 0, 0, 10, 20", ""},
      {"1 DIALOGEX 0, 0, 10, 20", ", 700, 1, 0x1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dialog);
    const char* const between[2] = {", ", " "}; // size and face, with the comma and without
    std::string res[2];
    for (int i = 0; i < 2; ++i) {
      WriteBytes(dir_ / "ms.rc", std::string(row.dialog) + "\nFONT 8" + between[i] +
                                     "\"MS Shell Dlg\"" + row.afterFace +
                                     "\n{ LTEXT \"a\", 1, 1, 2, 3, 4 }\n");
      rc::Result result = rctest::CompileArgs({"/fo", Path("ms.res"), Path("ms.rc")});
      ASSERT_TRUE(result.ok) << result.diagnostics;
      res[i] = ReadBytes(Path("ms.res"));
    }
    EXPECT_TRUE(res[0] == res[1]);
  }
}

// rc takes a comma after a control statement's last argument, before END, '}' or the next
// statement: the same resource as without it. '%' marks where the comma goes.
TEST_F(MicrosoftFormsTest, ControlEndingInAComma) {
  const char* const rows[] = {
      "1 DIALOG 0, 0, 10, 20\n{\n  CONTROL \"a\", 1, \"Button\", 0x3, 1, 2, 3, 4%\n"
      "  LTEXT \"b\", 2, 1, 2, 3, 4%\n}\n",
      "1 DIALOG 0, 0, 10, 20\nBEGIN\n  LTEXT \"b\", 2, 1, 2, 3, 4, 0x1%\nEND\n",
      "1 DIALOG 0, 0, 10, 20 { CONTROL \"a\", 1, 0x80, 0, 1, 2, 3, 4% }\n",
      "1 DIALOGEX 0, 0, 10, 20\n{\n  CONTROL \"a\", 1, \"Button\", 0x3, 1, 2, 3, 4, 0x200%\n"
      "  CONTROL \"c\", 3, 0x80, 0, 1, 2, 3, 4, 0x200, 7%\n  PUSHBUTTON \"d\", 4, 1, 2, 3, 4%\n}\n",
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    std::string res[2];
    for (int i = 0; i < 2; ++i) {
      std::string script = row;
      for (std::size_t at; (at = script.find('%')) != std::string::npos;)
        script.replace(at, 1, i == 0 ? "" : ",");
      WriteBytes(dir_ / "ms.rc", script);
      rc::Result result = rctest::CompileArgs({"/fo", Path("ms.res"), Path("ms.rc")});
      ASSERT_TRUE(result.ok) << result.diagnostics;
      res[i] = ReadBytes(Path("ms.res"));
    }
    EXPECT_TRUE(res[0] == res[1]);
  }
}
