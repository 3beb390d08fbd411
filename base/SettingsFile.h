#pragma once
// The text of the per-user settings file on systems without a registry:
//
//   [section]
//   key=value
//
// Every byte of a value survives: backslash, line feed, carriage return and NUL are written
// as \\ \n \r \0. Names escape '=', '[', ']', ';' and '#' too, so no name can be taken for a
// section line, a separator or a comment. Lines starting with ';' or '#' are comments; one
// carriage return at a line's end is dropped (a file edited on Windows). Names match
// ASCII-case-insensitively, as the registry's do.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace settingsfile {

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> values;
};

struct Document {
  std::vector<Section> sections;
};

/// The document of text, or nothing when any line is malformed: the caller then treats
/// the whole file as unreadable rather than guessing at half of it.
std::optional<Document> Parse(const std::string& text);
/// The text Parse reads back to an equal document.
std::string Write(const Document& document);

std::optional<std::string> Find(const Document& document, const std::string& section,
                                const std::string& key);
/// Replaces the value in place, or appends the key (and its section) at the end.
void Set(Document& document, const std::string& section, const std::string& key,
         const std::string& value);

} // namespace settingsfile
