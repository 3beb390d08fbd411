#include "base/Path.h"

#include <vector>

namespace path {

namespace {

bool HasDrive(const std::string& path) {
  if (path.size() < 2 || path[1] != ':')
    return false;
  const char c = path[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/// Where the last of separators stands in path; npos for none. Every cut at a separator
/// is found here.
std::size_t LastSeparator(const std::string& path, const char* separators) {
  return path.find_last_of(separators);
}

const char* Separators(Style style) { return style == Style::windows ? "\\/" : "/"; }

bool IsControl(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

} // namespace

Style StyleOf(char separator) { return separator == '\\' ? Style::windows : Style::posix; }

char Separator(Style style) { return style == Style::windows ? '\\' : '/'; }

bool IsSeparator(char c, Style style) { return c == '/' || (style == Style::windows && c == '\\'); }

bool IsAbsolute(const std::string& path, Style style) {
  if (!path.empty() && IsSeparator(path[0], style))
    return true;
  return style == Style::windows && HasDrive(path);
}

std::string BaseName(const std::string& path, Style style) {
  const std::size_t cut = LastSeparator(path, Separators(style));
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::vector<std::string> Parts(const std::string& path, Style style) {
  std::vector<std::string> parts(1);
  for (const char c : path)
    if (IsSeparator(c, style))
      parts.emplace_back();
    else
      parts.back() += c;
  return parts;
}

std::string Folder(const std::string& path, Style style) {
  const std::size_t cut = LastSeparator(path, Separators(style));
  if (cut != std::string::npos)
    return path.substr(0, cut + 1);
  return style == Style::windows && HasDrive(path) ? path.substr(0, 2) : std::string();
}

std::string Join(const std::string& folder, const std::string& name, Style style) {
  if (folder.empty())
    return name;
  if (IsSeparator(folder.back(), style))
    return folder + name;
  return folder + Separator(style) + name;
}

std::string Lexical(const std::string& path, Style style) {
  const char separator = Separator(style);
  std::string root;
  std::size_t at = 0;
  if (style == Style::windows && HasDrive(path)) {
    root = path.substr(0, 2);
    at = 2;
  }
  std::size_t leading = 0;
  while (at < path.size() && IsSeparator(path[at], style)) {
    ++at;
    ++leading;
  }
  // \\server\share keeps its two separators.
  if (leading > 0)
    root += std::string(style == Style::windows && root.empty() && leading >= 2 ? 2 : 1, separator);
  std::vector<std::string> parts;
  while (at < path.size()) {
    std::size_t end = at;
    while (end < path.size() && !IsSeparator(path[end], style))
      ++end;
    const std::string part = path.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".")
      continue;
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..")
        parts.pop_back();
      else if (root.empty())
        parts.push_back(part);
      continue;
    }
    parts.push_back(part);
  }
  std::string text = root;
  for (std::size_t i = 0; i < parts.size(); ++i)
    text += (i == 0 ? "" : std::string(1, separator)) + parts[i];
  return text.empty() ? "." : text;
}

std::string InStyle(std::string path, Style style) {
  for (char& c : path)
    if (IsSeparator(c, Style::windows))
      c = Separator(style);
  return path;
}

std::string FromWindowsName(const std::string& folder, const std::string& name, Style style) {
  return InStyle(IsAbsolute(name, Style::windows) ? name : Join(folder, name, Style::windows),
                 style);
}

bool HasControlCharacter(const std::string& name) {
  for (char c : name)
    if (IsControl(c))
      return true;
  return false;
}

bool HasNul(const std::string& name) { return name.find('\0') != std::string::npos; }

std::string Visible(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (!IsControl(c))
      shown += c;
    else if (byte == 0)
      shown += "<NUL>";
    else
      shown += std::string("<0x") + kHex[byte >> 4] + kHex[byte & 0xF] + ">";
  }
  return shown;
}

} // namespace path

namespace brask {

std::string GetFileName(const std::string& path) {
  if (path.empty() || path::IsSeparator(path.back(), path::Style::windows))
    return path;
  // A backslash anywhere wins over a later forward slash.
  const std::string folder = GetPathPart(path);
  return folder.size() < path.size() ? path.substr(folder.size())
                                     : path::BaseName(path, path::Style::posix);
}

std::string GetPathPart(const std::string& path) {
  const std::size_t cut = path::LastSeparator(path, "\\");
  return cut == std::string::npos ? path : path.substr(0, cut + 1);
}

std::string StripExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

} // namespace brask
