#pragma once
// ASCII case and white space, the same under every locale: file names, keywords and the
// words of manifests and projects compare this way.

#include <string>
#include <string_view>

namespace ascii {

constexpr char ToLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char ToUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string Lower(std::string text) {
  for (char& c : text)
    c = ToLower(c);
  return text;
}

inline std::string Upper(std::string text) {
  for (char& c : text)
    c = ToUpper(c);
  return text;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ToLower(a[i]) != ToLower(b[i]))
      return false;
  return true;
}

/// text without the spaces, tabs and line feeds around it.
inline std::string Trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\n");
  if (begin == std::string::npos)
    return std::string();
  return text.substr(begin, text.find_last_not_of(" \t\n") - begin + 1);
}

} // namespace ascii
