// The macro rules of C, one behaviour per test, with the examples of the C standard
// among them: what a line becomes after its macros are expanded.
#include "rc/Diagnostics.h"
#include "rc/Macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MacroRow {
  const char* input;
  const char* expected;
};

// Defines each "NAME..." line, then expands every row against them.
void Check(const std::vector<const char*>& definitions, const std::vector<MacroRow>& rows) {
  rc::Macros macros;
  const rc::Location where{"t.rc", 1};
  for (const char* d : definitions)
    macros.Define(d, where);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    std::string out;
    macros.Expand(row.input, where, out);
    EXPECT_EQ(out, row.expected);
  }
}

} // namespace

TEST(MacrosTest, RescanningAndHideSets) {
  // The example of C99 6.10.3.5 paragraph 5 (on one line; calls here end on their line).
  Check({"x 3", "f(a) f(x * (a))", "x 2", "g f", "z z[0]", "h g(~", "m(a) a(w)", "w 0,1", "t(a) a",
         "p() int", "q(x) x", "r(x,y) x ## y", "str(x) # x"},
        {
            {"f(y+1) + f(f(z)) % t(t(g)(0) + t)(1);",
             "f(2 * (y+1)) + f(2 * (f(2 * (z[0])))) % f(2 * (0)) + t(1);"},
            {"g(x+(3,4)-w) | h 5) & m(f)^m(m);",
             "f(2 * (2+(3,4)-0,1)) | f(2 * (~ 5)) & f(2 * (0,1))^m(0,1);"},
            {"p() i[q()] = { q(1), r(2,3), r(4,), r(,5), r(,) };", "int i[] = { 1, 23, 4, 5, };"},
            {"str(hello) str()", "\"hello\" \"\""},
            {"untouched \"f(x) in a string\" 12f L\"z\"",
             "untouched \"f(x) in a string\" 12f L\"z\""},
            {"f", "f"}, // a function-like name without arguments is a name
        });
}

TEST(MacrosTest, StringizingAndPasting) {
  // C99 6.10.3.5 paragraph 7: '#' and '##' do not expand their operands; a second level
  // of macro does.
  Check({"hash_hash # ## #", "mkstr(a) # a", "in_between(a) mkstr(a)",
         "join(c, d) in_between(c hash_hash d)", "STR2(x) #x", "STR(x) STR2(x)", "V 1",
         "CAT(a, b) a##b", "WIDE(s) L##s", "LONG(n) n##L"},
        {
            {"join(x, y)", "\"x ## y\""},
            {"STR2(V) STR(V)", "\"V\" \"1\""},
            {"STR(  a   +   b  )", "\"a + b\""},
            {"STR(\"q\\n\")", "\"\\\"q\\\\n\\\"\""},
            {"CAT(V, 2) CAT(, V) CAT(V,)", "V2 1 1"},
            {"WIDE(\"text\") LONG(0x10)", "L\"text\" 0x10L"},
        });
}

TEST(MacrosTest, VariableArguments) {
  Check({"debug(...) fprintf(stderr, __VA_ARGS__)", "showlist(...) puts(#__VA_ARGS__)",
         "report(test, ...) ((test)?puts(#test): printf(__VA_ARGS__))",
         "gnu(fmt, args...) f(fmt, args)", "comma(fmt, ...) f(fmt, ## __VA_ARGS__)"},
        {
            {"debug(\"Flag\");", "fprintf(stderr, \"Flag\");"},
            {"debug(\"X = %d\\n\", x);", "fprintf(stderr, \"X = %d\\n\", x);"},
            {"showlist(The first, second, and third items.);",
             "puts(\"The first, second, and third items.\");"},
            {"report(x>y, \"x is %d but y is %d\", x, y);",
             "((x>y)?puts(\"x>y\"): printf(\"x is %d but y is %d\", x, y));"},
            {"gnu(1, 2, 3)", "f(1, 2, 3)"},
            {"comma(1) comma(1, 2)", "f(1) f(1, 2)"},
        });
}

TEST(MacrosTest, PushAndPop) {
  rc::Macros macros;
  const rc::Location where{"t.rc", 1};
  macros.Define("A 1", where);
  macros.Push("A");
  macros.Define("A 2", where);
  macros.Push("B"); // not defined: popping it undefines it again
  macros.Define("B 3", where);
  std::string out;
  macros.Expand("A B", where, out);
  macros.Pop("A");
  macros.Pop("B");
  macros.Pop("C"); // never pushed: nothing happens
  out += " | ";
  macros.Expand("A B", where, out);
  EXPECT_EQ(out, "2 3 | 1 B");
}

// Where blanks go decides what "#x" of an expansion says; these follow clang, which
// llvm-rc runs (both found by comparing random macro scripts with it).
TEST(MacrosTest, BlanksAroundEmptyExpansions) {
  Check({"E", "P(x, y) 3 y ## q", "F(x) x"},
        {
            {"- E()", "- ()"}, // an empty expansion leaves its blank to what follows
            {"P(z,)", "3 q"},  // an empty argument pasted keeps its blank
            {"a F(E)b", "a b"},
        });
}

// The budget of expansions and tokens holds for all lines together: lines that each stay
// far within it run it out between them, and the line that does so is named.
TEST(MacrosTest, BudgetSpansLines) {
  const struct {
    std::size_t expansions, tokens;
    int linesDone;
  } rows[] = {{1000, 120, 2}, {12, 1000, 2}, {1000, 1000, 20}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.expansions) + " " + std::to_string(row.tokens));
    rc::Macros macros(row.expansions, row.tokens);
    macros.Define("D x x x x x x x x x x", {"t.rc", 1});
    int line = 1;
    try {
      for (; line <= 20; ++line) {
        std::string out;
        macros.Expand("D D D D D", {"t.rc", static_cast<std::uint32_t>(line)}, out);
      }
    } catch (const rc::CompileError& e) {
      EXPECT_EQ(e.what(),
                "t.rc(" + std::to_string(line) + ") : error RC1017: macro expansion too large");
    }
    EXPECT_EQ(line - 1, row.linesDone);
  }
}
