#pragma once
// The one error of the compiler: a message with its place, formatted as Microsoft's rc
// does so that editors and build logs can jump to the line.

#include "rc/Token.h"

#include <stdexcept>
#include <string>

namespace rc {

/// Error numbers follow Microsoft's rc where it has one for the same fault.
enum class ErrorCode : int {
  kInvalidOption = 1106,     // bad command line
  kCannotOpenInclude = 1015, // #include file not found
  kIncludeTooDeep = 1014,    // #include nested past the limit
  kUnexpectedEof = 1004,     // a block, comment or #if left open
  kInvalidDirective = 1021,  // unknown preprocessor command
  kDirectiveSyntax = 1017,   // malformed #if expression or #define
  kErrorDirective = 1189,    // #error
  kNewlineInString = 2001,   // unterminated string
  kInvalidCharacter = 2018,  // a byte that starts no token
  kSyntax = 2104,            // unexpected token
  kNumberTooLarge = 2027,    // number does not fit
  kFileNotFound = 2135,      // a file the script names
  kBadFile = 2161,           // a file of the wrong format
  kDuplicateString = 2151,   // STRINGTABLE id used twice
  kBadValue = 2162,          // a value the .res format cannot hold
  kUnsupported = 2170,       // a statement this compiler does not implement
  kCannotWrite = 1109,       // output not writable
};

class CompileError : public std::runtime_error {
public:
  CompileError(ErrorCode code, const Location& where, const std::string& message);
  /// An error that belongs to no line of a script (command line, output file).
  CompileError(ErrorCode code, const std::string& message);

  ErrorCode Code() const { return code_; }

private:
  ErrorCode code_;
};

/// "control id 70000 does not fit in 16 bits": a value too wide for the field it goes in.
std::string DoesNotFit(std::string_view what, long long value, std::string_view field);

/// At most a few dozen characters of text for a message; a 10 MB token stays out of logs.
std::string Excerpt(std::string_view text);

} // namespace rc
