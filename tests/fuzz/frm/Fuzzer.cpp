// libFuzzer target: any bytes as a Visual Basic form or user control (.frm, .ctl). A form
// comes from whoever sent the project; whatever it holds reads as a tree and is checked, and
// its texts outside ASCII are found.
#include <algorithm>
#include <cstdint>
#include <string>

#include "base/CodePages.h"
#include "base/Unicode.h"
#include "readers/CodePageReadiness.h"
#include "readers/Forms.h"
#include "support/FuzzCheck.h"

using testsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const readers::FormFile form = readers::ReadForm(text);
  // Containers come before what they hold, and controls in the order of their lines.
  int lastLine = 0;
  for (std::size_t i = 0; i < form.controls.size(); ++i) {
    const readers::FormControl& control = form.controls[i];
    Check(control.line > lastLine);
    lastLine = control.line;
    Check(i == 0 ? control.parent == -1
                 : control.parent >= 0 && static_cast<std::size_t>(control.parent) < i);
    for (const readers::FormProperty& property : control.properties)
      Check(property.line > control.line);
  }
  const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  // Each finding lies on a line of the form, and says what happens and what to do.
  for (const readers::FormFinding& finding : readers::CheckForm(form)) {
    Check(finding.line >= 1 && finding.line <= lines);
    Check(finding.text.find(": ") != std::string::npos);
  }
  // Texts outside ASCII lie on its lines, in order, and read as UTF-8 in the
  // default code page.
  int lastText = 0;
  for (const readers::SourceText& found : readers::TextsOutsideAscii(text)) {
    Check(found.line > lastText && found.line <= lines);
    lastText = found.line;
    Check(unicode::IsUtf8(codepages::ToUtf8(found.text, codepages::kDefault)));
  }
  return 0;
}
