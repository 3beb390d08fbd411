#pragma once
// Visual Basic 6 forms and user controls (.frm, .ctl) as Visual Basic saves them: a header,
// then "Begin VB.Form Name" with each control nested in its container's Begin ... End,
// properties "Name = value 'comment" and "BeginProperty ... EndProperty" blocks, and the
// code after the last End. The text is in the author's ANSI code page and stays bytes; a
// damaged file reads as far as it makes sense and never throws.

#include <cstddef>
#include <string>
#include <vector>

namespace readers {

struct FormProperty {
  std::string name;
  std::string value; ///< quotes and the trailing comment taken off; a doubled quote is one
  int line = 0;
};

struct FormControl {
  std::string library; ///< "VB", "MSComctlLib"; "" when the type names none
  std::string type;    ///< "CommandButton"
  std::string name;
  std::string index; ///< an element of a control array: its Index; "" otherwise
  int line = 0;      ///< its Begin line, counted from 1
  int parent = -1;   ///< its container's place in FormFile::controls; -1 for the form
  /// Its own properties, without those inside BeginProperty blocks.
  std::vector<FormProperty> properties;

  const FormProperty* Find(const char* property) const;
  bool Is(const char* library, const char* type) const;
  /// "cmdOK", or "optKind(2)" for an element of a control array.
  std::string DisplayName() const;
};

struct FormFile {
  /// The form or user control itself first, then every control in the file's order.
  std::vector<FormControl> controls;
  /// Attribute VB_Name after the form: the name the project knows it by, which Visual Basic
  /// keeps even where the Begin line says otherwise. "" when the file has none.
  std::string vbName;
};

/// Form files are tens of kilobytes; the limit only keeps a wrong path from filling memory.
inline constexpr std::size_t kMaxFormBytes = 16 << 20;

FormFile ReadForm(const std::string& text);

/// The name the project knows a form by: its VB_Name, else the name on its Begin line (a
/// file without the attribute). "" when that is no name Visual Basic takes (a letter, then
/// letters, digits and '_'), so that it can go into code as it stands.
std::string FormName(const FormFile& form);

/// Something a theme breaks in a form, at a control's line.
struct FormFinding {
  int line = 0;
  std::string control; ///< as DisplayName gives it; "optKind(0, 2)" for elements of an array
  std::string text;    ///< "what happens: what to do"
};

/// What themes break in a form, in the file's order; the elements of a control array that
/// share a finding share its line.
std::vector<FormFinding> CheckForm(const FormFile& form);

} // namespace readers
