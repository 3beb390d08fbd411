// Command lines taken apart by the Windows rules, on every platform.
#include "support/TestSupport.h"

#include "base/CommandLine.h"

namespace {

using Args = std::vector<std::string>;

struct Row {
  const char* line;
  Args expected;
};

TEST(CommandLineTest, SplitsAsWindowsProgramsSeeTheirArguments) {
  // clang-format off
  const Row rows[] = {
      {"", {}},
      {"  \t ", {}},
      {"prog", {"prog"}},
      {"  prog  a  ", {"prog", "a"}},
      {"prog a\tb", {"prog", "a", "b"}},
      // The program knows no escapes: a folder's trailing backslash stays.
      {R"("C:\Program Files\VB98\Wizards\RC.EXE" /r /fo "x.res" "x.rc")",
       {R"(C:\Program Files\VB98\Wizards\RC.EXE)", "/r", "/fo", "x.res", "x.rc"}},
      {R"("C:\dir\"a b)", {R"(C:\dir\)", "a", "b"}},
      {R"("unclosed program)", {"unclosed program"}},
      // clang-format on
      {R"(C:\a\b.exe x)", {R"(C:\a\b.exe)", "x"}},
      // Backslashes mean something only before a quote.
      {R"(p a\b\\c)", {"p", R"(a\b\\c)"}},
      {R"(p "a b\\" c)", {"p", R"(a b\)", "c"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p a\\\\"b c")", {"p", R"(a\\b c)"}},
      {R"(p "a\\\"b")", {"p", R"(a\"b)"}},
      {R"(p \\server\share\)", {"p", R"(\\server\share\)"}},
      // Quotes open and close anywhere; a doubled one inside quotes is literal.
      {R"(p "" x)", {"p", "", "x"}},
      {R"(p a"b c"d)", {"p", "ab cd"}},
      {R"(p "a""b")", {"p", R"(a"b)"}},
      {R"(p """a""")", {"p", R"("a")"}},
      {R"(p """")", {"p", R"(")"}},
      {R"(p "a b)", {"p", "a b"}},
      // What a shell would act on is plain text here.
      {R"x(p "$(touch x)" `id` a;b c&d e|f >g)x",
       {"p", "$(touch x)", "`id`", "a;b", "c&d", "e|f", ">g"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(commandline::Split(row.line), row.expected);
  }
}

} // namespace
