// Microsoft's rc command line: switches with / or -, any letter case, values joined or
// separate; and the program itself started as the generation starts it.
#include "RcTestSupport.h"

#include "generation/ResourceScript.h"

#include <cstdlib>

using testsupport::ReadBytes;
using testsupport::WriteBytes;

TEST(CommandLineTest, Switches) {
  struct Row {
    std::vector<std::string> args;
    std::string script, output, defines, undefines, includes;
    unsigned language, codePage;
    bool nulls, noInclude, verbose, help;
  };
  // clang-format off
  const Row rows[] = {
      {{"/r", "/fo", "C:\\out dir\\a.res", "C:\\in dir\\a.rc"},
       "C:\\in dir\\a.rc", "C:\\out dir\\a.res", "", "", "", 0x409, 1252, false, false, false, false},
      {{"-R", "-FOx.res", "a.rc"}, "a.rc", "x.res", "", "", "", 0x409, 1252, false, false, false, false},
      {{"/Fo", "x.res", "/dA", "/D", "B=2", "/uC", "/U", "D", "a.rc"},
       "a.rc", "x.res", "A=1 B=2 ", "C D ", "", 0x409, 1252, false, false, false, false},
      {{"/i", "inc one", "-Iinc2", "/l", "407", "/c65001", "a.rc"},
       "a.rc", "", "", "", "inc one|inc2|", 0x407, 65001, false, false, false, false},
      {{"/l0x0c0a", "/C", "1252", "/n", "/x", "/v", "/nologo", "a.rc"},
       "a.rc", "", "", "", "", 0x0c0a, 1252, true, true, true, false},
      {{"/?"}, "", "", "", "", "", 0x409, 1252, false, false, false, true},
      {{"--", "-odd name.rc"}, "-odd name.rc", "", "", "", "", 0x409, 1252, false, false, false, false},
      {{"/fo/tmp/out.res", "/home/x/new.rc"}, "/home/x/new.rc", "/tmp/out.res", "", "", "", 0x409,
       1252, false, false, false, false},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    rc::Options o = rc::ParseCommandLine(row.args);
    std::string defines, undefines, includes;
    for (const auto& [name, value] : o.defines)
      defines += name + "=" + value + " ";
    for (const auto& name : o.undefines)
      undefines += name + " ";
    for (const auto& dir : o.includeDirs)
      includes += dir + "|";
    EXPECT_EQ(o.script, row.script);
    EXPECT_EQ(o.output, row.output);
    EXPECT_EQ(defines, row.defines);
    EXPECT_EQ(undefines, row.undefines);
    EXPECT_EQ(includes, row.includes);
    EXPECT_EQ(o.language, row.language);
    EXPECT_EQ(o.codePage, row.codePage);
    EXPECT_EQ(o.nullTerminateStrings, row.nulls);
    EXPECT_EQ(o.ignoreIncludeVariable, row.noInclude);
    EXPECT_EQ(o.verbose, row.verbose);
    EXPECT_EQ(o.help, row.help);
  }
}

TEST(CommandLineTest, BadSwitches) {
  // clang-format off
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"/q", "a.rc"}, "rc : error RC1106: invalid option: /q"},
      {{"/fo"}, "rc : error RC1106: option /fo needs a value"},
      {{"/r"}, "rc : error RC1106: no script given (rc /? shows the usage)"},
      {{"a.rc", "b.rc"}, "rc : error RC1106: more than one script given: 'a.rc' and 'b.rc'"},
      {{"/l", "zz", "a.rc"}, "rc : error RC1106: option /l: 'zz' is no hexadecimal language id"},
      {{"/l", "10000", "a.rc"}, "rc : error RC1106: option /l: '10000' is no hexadecimal language id"},
      {{"/c", "437", "a.rc"},
       "rc : error RC1106: option /c: code page '437' is not supported (1252 and 65001 are)"},
      {{"/d", "=1", "a.rc"}, "rc : error RC1106: option /d: '' is no macro name"},
  };
  // clang-format on
  for (const auto& [args, message] : rows) {
    SCOPED_TRACE(message);
    try {
      rc::ParseCommandLine(args);
      ADD_FAILURE() << "accepted";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(CommandLineTest, DefaultOutputName) {
  const std::pair<const char*, const char*> rows[] = {
      {"a.rc", "a.res"},
      {"C:\\x.y\\App_manifest.rc", "C:\\x.y\\App_manifest.res"},
      {"dir.v2/script", "dir.v2/script.res"},
      {"my.tool_manifest.rc", "my.tool_manifest.res"},
  };
  for (const auto& [script, output] : rows) {
    SCOPED_TRACE(script);
    EXPECT_EQ(rc::DefaultOutput(script), output);
  }
}

// Switches from the command line reach the script: /d, /u, /i, /l, /n.
class CommandLineFilesTest : public testsupport::TempDirTest {};

TEST_F(CommandLineFilesTest, SwitchesTakeEffect) {
  auto& f = *this;
  std::filesystem::create_directories(f.dir_ / "inc dir");
  WriteBytes(f.dir_ / "inc dir" / "data.bin", "DATA");
  WriteBytes(f.dir_ / "s.rc", "#ifdef FROM_D\n1 RCDATA { FROM_D }\n#endif\n"
                              "#ifdef RC_INVOKED\n2 RCDATA { 2 }\n#endif\n"
                              "3 RCDATA \"data.bin\"\nSTRINGTABLE { 1 \"s\" }\n");
  rc::Result result =
      rctest::CompileArgs({"/d", "FROM_D=0x41", "/u", "RC_INVOKED", "/i", f.Path("inc dir"), "/l",
                           "407", "/n", "/fo", f.Path("s.res"), f.Path("s.rc")});
  ASSERT_TRUE(result.ok) << result.diagnostics;
  const std::string res = ReadBytes(f.Path("s.res"));
  // Resources 1 (two bytes 41 00), 3 ("DATA") and one string bundle, all in German.
  EXPECT_NE(res.find(std::string("\xff\xff\x0a\x00\xff\xff\x01\x00", 8)), std::string::npos);
  EXPECT_EQ(res.find(std::string("\xff\xff\x0a\x00\xff\xff\x02\x00", 8)), std::string::npos);
  EXPECT_NE(res.find("DATA"), std::string::npos);
  EXPECT_NE(res.find(std::string("\x30\x00\x07\x04", 4)), std::string::npos);
  EXPECT_NE(res.find(std::string("\x02\x00s\x00\x00\x00", 6)), std::string::npos); // /n: "s\0"
}

#ifndef _WIN32
// The program started as the generation starts it: quoted paths with blanks, exit codes.
TEST_F(CommandLineFilesTest, ProgramExitCodesAndOutput) {
  auto& f = *this;
  std::filesystem::create_directories(f.dir_ / "a b");
  WriteBytes(f.dir_ / "a b" / "App.exe.manifest", "<assembly/>\r\n");
  WriteBytes(f.dir_ / "a b" / "App_manifest.rc",
             generation::BuildResourceScript("App.exe.manifest") + "\r\n");
  WriteBytes(f.dir_ / "a b" / "bad.rc", "1 ICON \"none.ico\"\n");
  WriteBytes(f.dir_ / "a b" / "win.rc", "#include <windows.h>\n1 RCDATA { WS_CHILD, IDOK }\n");
  const std::string folder = f.Path("a b") + "/";
  const std::string rcPath = THEMEFOLD_RC_PROGRAM;
  const struct {
    std::string command;
    int exitCode;
    const char* output; // expected to exist afterwards, or nullptr
  } rows[] = {
      {generation::BuildCompilerCommand(rcPath, folder, "App_manifest.res", "App_manifest.rc"), 0,
       "App_manifest.res"},
      {"\"" + rcPath + "\" \"" + folder + "App_manifest.rc\"", 0, "App_manifest.res"},
      {"\"" + rcPath + "\" -r \"-fo" + folder + "joined.res\" \"" + folder + "App_manifest.rc\"", 0,
       "joined.res"},
      {"\"" + rcPath + "\" /r /fo \"" + folder + "bad.res\" \"" + folder + "bad.rc\"", 1, nullptr},
      {"\"" + rcPath + "\" /?", 0, nullptr},
      // The headers beside the program, as they are shipped; /x leaves them out.
      {"\"" + rcPath + "\" /fo win.res win.rc", 0, "win.res"},
      {"\"" + rcPath + "\" /x /fo winx.res win.rc", 1, nullptr},
      {"\"" + rcPath + "\" /bogus x.rc", 2, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    std::filesystem::remove(f.dir_ / "a b" / "App_manifest.res");
    std::filesystem::current_path(f.dir_ / "a b");
    int status = std::system((row.command + " >/dev/null 2>&1").c_str());
    std::filesystem::current_path(f.savedCwd_);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), row.exitCode);
    if (row.output) {
      EXPECT_TRUE(std::filesystem::exists(f.dir_ / "a b" / row.output));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(f.dir_ / "a b" / "bad.res"));
}
#endif

// A user's /i folder comes before the bundled headers, and #include_next goes on from
// there to the bundled one.
TEST_F(CommandLineFilesTest, BundledHeadersComeAfterTheUsersFolders) {
  auto& f = *this;
  std::filesystem::create_directories(f.dir_ / "user");
  std::filesystem::create_directories(f.dir_ / "bundled");
  WriteBytes(f.dir_ / "user" / "windows.h",
             "#define FROM_USER 1\n"
             "#if __has_include_next(<windows.h>) && !__has_include_next(<extra.h>)\n"
             "#include_next <windows.h>\n#endif\n");
  WriteBytes(f.dir_ / "user" / "extra.h", ""); // beside the including file: not "next"
  WriteBytes(f.dir_ / "bundled" / "windows.h", "#define FROM_BUNDLED 2\n");
  WriteBytes(f.dir_ / "bundled" / "only.h", "#define ONLY_BUNDLED 3\n");
  WriteBytes(f.dir_ / "s.rc",
             "#include <windows.h>\n#include <only.h>\n"
             "1 RCDATA { FROM_USER, FROM_BUNDLED, ONLY_BUNDLED }\n"
             "#if __has_include(<only.h>) && !__has_include(<none.h>)\n2 RCDATA { 2 }\n#endif\n");
  WriteBytes(f.dir_ / "twin.rc", "1 RCDATA { 1, 2, 3 }\n2 RCDATA { 2 }\n");
  rc::Options options =
      rc::ParseCommandLine({"/i", f.Path("user"), "/fo", f.Path("s.res"), f.Path("s.rc")});
  options.bundledIncludeDirs = {f.Path("bundled")};
  rc::Result result = rc::Compile(options);
  ASSERT_TRUE(result.ok) << result.diagnostics;
  ASSERT_TRUE(rctest::CompileArgs({"/fo", f.Path("twin.res"), f.Path("twin.rc")}).ok);
  EXPECT_TRUE(ReadBytes(f.Path("s.res")) == ReadBytes(f.Path("twin.res")));
}
