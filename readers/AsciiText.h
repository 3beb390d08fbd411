#pragma once
// ASCII case and white space, as manifests and project files compare their words.

#include <string>

namespace readers::ascii {

inline std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

inline std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

/// text without the spaces, tabs and line feeds around it.
inline std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\n");
  if (begin == std::string::npos)
    return std::string();
  return text.substr(begin, text.find_last_not_of(" \t\n") - begin + 1);
}

} // namespace readers::ascii
