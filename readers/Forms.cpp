#include "readers/Forms.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

#include "base/Ascii.h"
#include "base/Lines.h"
#include "readers/FormTexts.h"
#include "readers/VbProject.h"

namespace readers {

namespace {

using ascii::EqualIgnoringCase;
using ascii::Trim;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

/// The first word of text and the rest after the blanks that follow it.
std::string Word(const std::string& text, std::string& rest) {
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end]))
    ++end;
  std::size_t next = end;
  while (next < text.size() && IsBlank(text[next]))
    ++next;
  std::string word = text.substr(0, end);
  rest = text.substr(next); // may be text itself
  return word;
}

// "Don't ""stop""" 'comment  ->  Don't "stop"; 1  'Graphical  ->  1. A quote inside a string
// is doubled, so an apostrophe there starts no comment.
std::string PropertyValue(const std::string& text) {
  if (text.empty() || text[0] != '"')
    return Trim(text.substr(0, text.find('\'')));
  std::string value;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        value += '"';
        ++i;
        continue;
      }
      break;
    }
    value += text[i];
  }
  return value;
}

bool IsButton(const FormControl& control) {
  return control.Is("VB", "CommandButton") || control.Is("VB", "OptionButton") ||
         control.Is("VB", "CheckBox");
}

// &H8000000F&, or -2147483633 as controls from other libraries write it: a colour of the
// user's scheme (the high bit set) rather than one the author picked. Visual Basic sets
// them itself, such as window colours for Appearance = 0 (Flat), and a theme draws in the
// same scheme, so nothing visible is lost when it ignores one.
bool IsSchemeColour(const std::string& value) {
  if (value.size() > 2 && value[0] == '&' && (value[1] == 'H' || value[1] == 'h')) {
    // Eight digits with the first of them 8 or more; fewer digits leave the high bit clear.
    std::size_t end = 2;
    while (end < value.size() && std::isxdigit(static_cast<unsigned char>(value[end])))
      ++end;
    return end - 2 == 8 && !(value[2] >= '0' && value[2] <= '7');
  }
  // A negative decimal is a 32-bit value with the high bit set.
  return value.size() > 1 && value[0] == '-' && std::isdigit(static_cast<unsigned char>(value[1]));
}

/// The colour property when it is set to one the author picked.
const FormProperty* PickedColour(const FormControl& control, const char* property) {
  const FormProperty* colour = control.Find(property);
  return colour && !IsSchemeColour(colour->value) ? colour : nullptr;
}

bool IsGraphical(const FormControl& control) {
  const FormProperty* style = control.Find("Style");
  return style && Trim(style->value) == "1";
}

} // namespace

const FormProperty* FormControl::Find(const char* property) const {
  for (const FormProperty& candidate : properties)
    if (EqualIgnoringCase(candidate.name, property))
      return &candidate;
  return nullptr;
}

bool FormControl::Is(const char* libraryName, const char* typeName) const {
  return EqualIgnoringCase(library, libraryName) && EqualIgnoringCase(type, typeName);
}

std::string FormControl::DisplayName() const {
  return index.empty() ? name : name + "(" + index + ")";
}

FormFile ReadForm(const std::string& text) {
  FormFile form;
  std::vector<int> open;  // the controls whose End is still to come, innermost last
  int propertyBlocks = 0; // BeginProperty ... EndProperty inside the innermost
  int number = 0;
  bool closed = false; // the form's own End is read
  for (const LineSpan& span : textlines::Spans(text)) {
    ++number;
    // A stray CR before the line end, as a second CR LF conversion leaves, is a blank.
    std::string line = text.substr(span.begin, span.end - span.begin);
    std::replace(line.begin(), line.end(), '\r', ' ');
    line = Trim(line);
    std::string rest;
    const std::string word = Word(line, rest);
    if (closed) {
      // Only the attributes right after the form's End are read, not its code.
      if (!EqualIgnoringCase(word, "Attribute"))
        break;
      const std::size_t equals = rest.find('=');
      if (equals != std::string::npos && EqualIgnoringCase(Trim(rest.substr(0, equals)), "VB_Name"))
        form.vbName = PropertyValue(Trim(rest.substr(equals + 1)));
      continue;
    }
    if (EqualIgnoringCase(word, "Begin")) {
      // Only one form per file: a second Begin at the top is not read.
      if (open.empty() && !form.controls.empty())
        break;
      FormControl control;
      const std::string type = Word(rest, rest);
      const std::size_t dot = type.find('.');
      control.library = dot == std::string::npos ? std::string() : type.substr(0, dot);
      control.type = dot == std::string::npos ? type : type.substr(dot + 1);
      control.name = Word(rest, rest);
      control.line = number;
      control.parent = open.empty() ? -1 : open.back();
      open.push_back(static_cast<int>(form.controls.size()));
      form.controls.push_back(std::move(control));
      propertyBlocks = 0;
    } else if (open.empty()) {
      // The header before the form.
    } else if (EqualIgnoringCase(word, "BeginProperty")) {
      ++propertyBlocks;
    } else if (EqualIgnoringCase(word, "EndProperty")) {
      propertyBlocks = propertyBlocks > 0 ? propertyBlocks - 1 : 0;
    } else if (EqualIgnoringCase(line, "End")) {
      open.pop_back();
      propertyBlocks = 0;
      closed = open.empty();
    } else if (propertyBlocks == 0 && line.find('=') != std::string::npos) {
      const std::size_t equals = line.find('=');
      FormProperty property;
      property.name = Trim(line.substr(0, equals));
      property.value = PropertyValue(Trim(line.substr(equals + 1)));
      property.line = number;
      FormControl& control = form.controls[static_cast<std::size_t>(open.back())];
      if (EqualIgnoringCase(property.name, "Index"))
        control.index = property.value;
      control.properties.push_back(std::move(property));
    }
  }
  return form;
}

std::vector<FormFinding> CheckForm(const FormFile& form) {
  std::vector<FormFinding> findings;
  // The elements of a control array that share a finding are told once, at the first of
  // them: "optKind(0, 1, 2)". By name and text, the finding that lists them.
  std::map<std::pair<std::string, std::string>, std::size_t> arrays;
  for (const FormControl& control : form.controls) {
    // At the line of the property that causes it, else at the control's Begin line.
    const auto find = [&](const std::string& text, const FormProperty* property = nullptr) {
      if (!control.index.empty()) {
        const auto [it, first] =
            arrays.emplace(std::make_pair(ascii::Lower(control.name), text), findings.size());
        if (!first) {
          std::string& listed = findings[it->second].control;
          listed.insert(listed.size() - 1, ", " + control.index);
          return;
        }
      }
      findings.push_back({property ? property->line : control.line, control.DisplayName(), text});
    };
    if (control.Is("MSComctlLib", "ImageList"))
      continue; // holds pictures and draws nothing
    if (EqualIgnoringCase(control.library, "MSComctlLib")) {
      find(formtexts::CommonControls6(control.library + "." + control.type));
      continue;
    }
    if (!IsButton(control))
      continue;
    // A graphical button is drawn by Visual Basic, never by the theme: its colours keep
    // working and a frame does not blacken it.
    if (IsGraphical(control)) {
      find(formtexts::kGraphical, control.Find("Style"));
      continue;
    }
    if (control.parent >= 0) {
      const FormControl& container = form.controls[static_cast<std::size_t>(control.parent)];
      if (container.Is("VB", "Frame"))
        find(formtexts::InFrame(container.DisplayName()));
    }
    // Visual Basic writes a property only when it differs from the default: one that is
    // there was set.
    if (control.Is("VB", "CommandButton")) {
      // Visual Basic's own button has no ForeColor; twinBASIC's has.
      for (const char* colour : {"BackColor", "ForeColor"})
        if (const FormProperty* set = PickedColour(control, colour))
          find(formtexts::ButtonColour(colour), set);
    } else if (const FormProperty* set = PickedColour(control, "ForeColor")) {
      find(formtexts::kTextColour, set);
    }
  }
  return findings;
}

std::string FormName(const FormFile& form) {
  std::string name = !form.vbName.empty()    ? form.vbName
                     : form.controls.empty() ? std::string()
                                             : form.controls[0].name;
  // Bytes from 0x80 are letters of the author's code page.
  const auto letter = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
  };
  if (name.empty() || !letter(static_cast<unsigned char>(name[0])))
    return std::string();
  for (const char c : name)
    if (!letter(static_cast<unsigned char>(c)) && !(c >= '0' && c <= '9') && c != '_')
      return std::string();
  return name;
}

} // namespace readers
