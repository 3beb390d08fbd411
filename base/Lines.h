#pragma once
// Text files read line by line, whichever line end an editor left.

#include <string>
#include <vector>

namespace textlines {

/// The lines of text without their line feed and one carriage return before it. A final
/// line end starts no further line.
inline std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

} // namespace textlines
