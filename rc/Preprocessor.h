#pragma once
// The first stage: C preprocessing of a script as Microsoft's rc does it. It hands out
// logical lines of script text with comments removed, directives obeyed and macros
// expanded; the tokenizer reads nothing else.
//
// Supported: #define (object-like and function-like, see Macros.h), #undef,
// #if/#ifdef/#ifndef/#elif/#else/#endif with integer expressions, `defined` and
// `__has_include`, #include "..." and <...>, #include_next, #pragma code_page,
// push_macro and pop_macro, #error, #line. Text from included files named *.h or *.c is
// dropped and only their directives count, as rc does.

#include "rc/Macros.h"
#include "rc/Token.h"

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace rc {

struct PreprocessorOptions {
  std::vector<std::pair<std::string, std::string>> defines; ///< /d, in order
  std::vector<std::string> undefines;                       ///< /u
  std::vector<std::string> includeDirs;                     ///< /i
  bool useIncludeVariable = true;                           ///< not /x
  std::vector<std::string> systemIncludeDirs;               ///< ours, searched last
  std::uint16_t codePage = 1252;                            ///< /c, or the default
};

/// One logical line of script text, ready for the tokenizer.
struct ScriptLine {
  std::string text;
  Location where;
  std::uint16_t codePage = 0;
};

class Preprocessor {
public:
  static constexpr int kMaxIncludeDepth = 32;
  static constexpr std::size_t kNotSearched = ~std::size_t{0};

  explicit Preprocessor(PreprocessorOptions options);

  /// Starts on the script; throws CompileError when it cannot be read.
  void Open(const std::string& scriptPath);

  /// The next line to tokenize; false once the script has ended.
  bool NextLine(ScriptLine& line);

  /// Where the script ended, for "unexpected end of file" messages.
  Location EndLocation() const { return end_; }

private:
  struct Source {
    std::string path;
    const char* name = ""; // what messages call it: its path, or the name of a #line
    std::string folder;
    std::string data;
    std::size_t pos = 0;
    std::uint32_t line = 0;               // lines consumed so far
    std::int64_t lineShift = 0;           // from #line: added to line numbers in messages
    std::size_t searchDir = kNotSearched; // which search folder it was found in
    bool emits = true;                    // false for *.h and *.c
    std::size_t conditionBase = 0;
    bool inComment = false;
    bool utf8 = false; // was UTF-16: its strings are UTF-8 now, whatever the code page
  };
  struct Condition {
    bool active = false; // this branch's lines count
    bool taken = false;  // some branch of this #if has been taken
    bool sawElse = false;
    bool parentActive = false;
    Location where;
  };

  bool ReadLogicalLine(Source& source, std::string& out, std::uint32_t& firstLine);
  void StripComments(Source& source, std::string& text, const Location& where);
  void Directive(std::string_view text, const Location& where);
  void Include(std::string_view rest, const Location& where, bool next);
  void Pragma(std::string_view rest, const Location& where);
  void Line(std::string_view rest, const Location& where);
  // Expands the line in lineBuffer_, joining the lines that a macro call runs on into.
  void ExpandText(Source& source, const Location& where, std::string& out);
  void PushSource(const std::string& path, std::string data, const Location* from);
  // Where #include finds a file (empty when nowhere); next: #include_next.
  std::string Locate(const std::string& name, bool quoted, bool next, std::size_t& searchDir);
  bool Active() const { return conditions_.empty() || conditions_.back().active; }
  long long Evaluate(std::string_view expression, const Location& where);
  Location Here(const Source& source, std::uint32_t line) const;

  PreprocessorOptions options_;
  Macros macros_;
  std::vector<std::string> searchDirs_; // /i, INCLUDE, then ours
  std::vector<Source> sources_;
  std::string lineBuffer_; // kept between lines: no allocation per line
  std::vector<Condition> conditions_;
  std::deque<std::string> names_; // file names that Locations point into
  std::uint16_t codePage_;
  Location end_;
};

} // namespace rc
