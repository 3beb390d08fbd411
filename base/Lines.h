#pragma once
// Text files read line by line, whichever line end an editor left.

#include <string>
#include <vector>

namespace textlines {

/// Where a line lies: its text [begin, end), then its CR LF or LF up to next (next == end on
/// a last line without one).
struct LineSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

/// Where each line of text lies. A final line end starts no further line.
inline std::vector<LineSpan> Spans(const std::string& text) {
  std::vector<LineSpan> lines;
  for (std::size_t begin = 0; begin < text.size(); begin = lines.back().next) {
    LineSpan line;
    line.begin = begin;
    const std::size_t feed = text.find('\n', begin);
    line.end = feed == std::string::npos ? text.size() : feed;
    line.next = feed == std::string::npos ? text.size() : feed + 1;
    if (line.end > begin && text[line.end - 1] == '\r')
      --line.end;
    lines.push_back(line);
  }
  return lines;
}

/// The lines of text without their line feed and one carriage return before it.
inline std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> lines;
  for (const LineSpan& span : Spans(text))
    lines.push_back(text.substr(span.begin, span.end - span.begin));
  return lines;
}

} // namespace textlines
