#pragma once
// The first stage: C preprocessing of a script as Microsoft's rc does it. It hands out
// logical lines of script text with comments removed, directives obeyed and macros
// expanded; the tokenizer reads nothing else.
//
// Supported: object-like #define (function-like ones may be defined and tested, not
// used), #undef, #if/#ifdef/#ifndef/#elif/#else/#endif with integer expressions and
// `defined`, #include "..." and <...>, #pragma code_page, #error, #line. Text from
// included files named *.h or *.c is dropped and only their directives count, as rc does.

#include "rc/Token.h"

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace rc {

struct PreprocessorOptions {
  std::vector<std::pair<std::string, std::string>> defines;  ///< /d, in order
  std::vector<std::string> undefines;                        ///< /u
  std::vector<std::string> includeDirs;                      ///< /i
  bool useIncludeVariable = true;                            ///< not /x
  std::uint16_t codePage = 1252;                             ///< /c, or the default
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

  explicit Preprocessor(PreprocessorOptions options);

  /// Starts on the script; throws CompileError when it cannot be read.
  void Open(const std::string& scriptPath);

  /// The next line to tokenize; false once the script has ended.
  bool NextLine(ScriptLine& line);

  /// Where the script ended, for "unexpected end of file" messages.
  Location EndLocation() const { return end_; }

private:
  struct Macro {
    std::string body;
    bool functionLike = false;
  };
  struct Source {
    std::string path;
    const char* name = "";  // stable copy of path, for Locations
    std::string folder;
    std::string data;
    std::size_t pos = 0;
    std::uint32_t line = 0;  // lines consumed so far
    bool emits = true;       // false for *.h and *.c
    std::size_t conditionBase = 0;
    bool inComment = false;
    bool utf8 = false;       // was UTF-16: its strings are UTF-8 now, whatever the code page
  };
  struct Condition {
    bool active = false;       // this branch's lines count
    bool taken = false;        // some branch of this #if has been taken
    bool sawElse = false;
    bool parentActive = false;
    Location where;
  };

  bool ReadLogicalLine(Source& source, std::string& out, std::uint32_t& firstLine);
  void StripComments(Source& source, std::string& text, const Location& where);
  void Directive(std::string_view text, const Location& where);
  void Include(std::string_view rest, const Location& where);
  void Pragma(std::string_view rest, const Location& where);
  void PushSource(const std::string& path, std::string data, const Location* from);
  bool Active() const { return conditions_.empty() || conditions_.back().active; }
  long long Evaluate(std::string_view expression, const Location& where);
  std::string Expand(std::string_view text, const Location& where);
  void ExpandInto(std::string_view text, const Location& where, std::string& out, int depth);

  PreprocessorOptions options_;
  std::unordered_map<std::string, Macro> macros_;
  std::unordered_set<std::string> expanding_;
  std::vector<Source> sources_;
  std::vector<Condition> conditions_;
  std::deque<std::string> names_;  // file names that Locations point into
  std::uint16_t codePage_;
  std::size_t expansions_ = 0;
  Location end_;
};

} // namespace rc
