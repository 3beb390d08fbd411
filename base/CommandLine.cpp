#include "base/CommandLine.h"

namespace commandline {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n && IsBlank(line[i]))
    ++i;
  if (i == n)
    return args;

  // The program name knows no escapes: paths end in backslashes.
  std::string program;
  if (line[i] == '"') {
    for (++i; i < n && line[i] != '"'; ++i)
      program += line[i];
    if (i < n)
      ++i;
  } else {
    for (; i < n && !IsBlank(line[i]); ++i)
      program += line[i];
  }
  args.push_back(program);

  // quotes counts the quotes of the current run: odd means inside a quoted stretch, and a
  // third quote in a row stands for a literal one.
  std::string current;
  bool inArgument = false;
  int quotes = 0;
  std::size_t backslashes = 0;
  while (i < n && IsBlank(line[i]))
    ++i;
  while (i < n) {
    const char c = line[i];
    if (IsBlank(c) && quotes == 0) {
      if (inArgument)
        args.push_back(current);
      current.clear();
      inArgument = false;
      backslashes = 0;
      while (i < n && IsBlank(line[i]))
        ++i;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      current += c;
      ++backslashes;
      ++i;
      continue;
    }
    if (c == '"') {
      current.resize(current.size() - backslashes / 2);
      if (backslashes % 2 == 0) {
        ++quotes;
      } else {
        current.back() = '"';
      }
      backslashes = 0;
      for (++i; i < n && line[i] == '"'; ++i) {
        if (++quotes == 3) {
          current += '"';
          quotes = 0;
        }
      }
      if (quotes == 2)
        quotes = 0;
      continue;
    }
    current += c;
    backslashes = 0;
    ++i;
  }
  if (inArgument)
    args.push_back(current);
  return args;
}

} // namespace commandline
