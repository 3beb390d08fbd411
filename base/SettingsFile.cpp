#include "base/SettingsFile.h"

#include <algorithm>

#include "base/Ascii.h"
#include "base/Lines.h"

namespace settingsfile {
namespace {

bool SameName(const std::string& a, const std::string& b) { return ascii::EqualIgnoringCase(a, b); }

bool IsNameSpecial(char c) { return c == '=' || c == '[' || c == ']' || c == ';' || c == '#'; }

std::string Escape(const std::string& text, bool name) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\0':
      out += "\\0";
      break;
    default:
      if (name && IsNameSpecial(c))
        out += '\\';
      out += c;
    }
  }
  return out;
}

/// Unescapes text[from, to); nothing on a bad escape or a raw NUL.
std::optional<std::string> Unescape(const std::string& text, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    const char c = text[i];
    if (c == '\0')
      return std::nullopt;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == to)
      return std::nullopt;
    const char e = text[i];
    if (e == 'n')
      out += '\n';
    else if (e == 'r')
      out += '\r';
    else if (e == '0')
      out += '\0';
    else if (e == '\\' || IsNameSpecial(e))
      out += e;
    else
      return std::nullopt;
  }
  return out;
}

/// Position of the first '=' that no backslash escapes.
std::size_t FindSeparator(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\')
      ++i;
    else if (line[i] == '=')
      return i;
  }
  return std::string::npos;
}

Section* FindSection(Document& document, const std::string& name) {
  for (Section& s : document.sections)
    if (SameName(s.name, name))
      return &s;
  return nullptr;
}

} // namespace

std::optional<Document> Parse(const std::string& text) {
  Document document;
  Section* current = nullptr;
  for (const std::string& line : textlines::Split(text)) {
    if (line.empty() || line[0] == ';' || line[0] == '#')
      continue;
    if (line[0] == '[') {
      if (line.size() < 2 || line.back() != ']')
        return std::nullopt;
      auto name = Unescape(line, 1, line.size() - 1);
      if (!name)
        return std::nullopt;
      current = FindSection(document, *name);
      if (!current) {
        document.sections.push_back(Section{*name, {}});
        current = &document.sections.back();
      }
      continue;
    }
    const std::size_t separator = FindSeparator(line);
    if (!current || separator == std::string::npos)
      return std::nullopt;
    auto key = Unescape(line, 0, separator);
    auto value = Unescape(line, separator + 1, line.size());
    if (!key || !value)
      return std::nullopt;
    Set(document, current->name, *key, *value);
  }
  return document;
}

std::string Write(const Document& document) {
  std::string text;
  for (const Section& section : document.sections) {
    if (!text.empty())
      text += '\n';
    text += '[' + Escape(section.name, true) + "]\n";
    for (const auto& [key, value] : section.values)
      text += Escape(key, true) + '=' + Escape(value, false) + '\n';
  }
  return text;
}

std::optional<std::string> Find(const Document& document, const std::string& section,
                                const std::string& key) {
  for (const Section& s : document.sections) {
    if (!SameName(s.name, section))
      continue;
    for (const auto& [k, v] : s.values)
      if (SameName(k, key))
        return v;
  }
  return std::nullopt;
}

void Set(Document& document, const std::string& section, const std::string& key,
         const std::string& value) {
  Section* s = FindSection(document, section);
  if (!s) {
    document.sections.push_back(Section{section, {}});
    s = &document.sections.back();
  }
  for (auto& [k, v] : s->values) {
    if (SameName(k, key)) {
      v = value;
      return;
    }
  }
  s->values.emplace_back(key, value);
}

} // namespace settingsfile
