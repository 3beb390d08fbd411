#pragma once
// Windows command lines taken apart the way CommandLineToArgvW does it, so that a program
// started from an argument vector sees what a Windows program would see.

#include <string>
#include <vector>

namespace commandline {

/// The arguments of line, program first. The program is taken up to the first blank, or
/// between quotes with no escapes at all; the other arguments follow the quote and
/// backslash rules (2n backslashes + quote: n backslashes and a quote that opens or closes;
/// 2n+1: n backslashes and a literal quote; a doubled quote inside quotes: a literal quote).
/// Blanks before the program are skipped. An empty or blank line gives no arguments.
std::vector<std::string> Split(const std::string& line);

} // namespace commandline
