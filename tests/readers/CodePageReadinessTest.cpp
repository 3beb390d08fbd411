// A built program's form data with texts outside ASCII: which forms and user controls hold
// them, in the order their first text comes, capped.
#include "support/TestSupport.h"

#include "readers/CodePageReadiness.h"

namespace {

const std::string kGarbled =
    "The texts outside ASCII in these forms' data come out garbled with the UTF-8 code page, as "
    "Visual Basic converts every caption, text and string through it: ";
const std::string kRemedy =
    "; keep the system's code page for this program, or its texts in ASCII.";

} // namespace

TEST(CodePageReadinessTest, FormTextWarningNamesTheFormsHoldingTexts) {
  std::vector<readers::VbFormText> twelve;
  std::string tenNamed;
  for (int i = 1; i <= 12; ++i) {
    twelve.push_back({"frm" + std::to_string(i), "\xC4"});
    if (i <= 10)
      tenNamed += (i == 1 ? "" : ", ") + std::string("frm") + std::to_string(i) + " (1 text)";
  }
  struct Row {
    const char* name;
    std::vector<readers::VbFormText> texts;
    std::optional<std::string> warning;
  };
  const Row rows[] = {
      {"none", {}, std::nullopt},
      {"a form and a user control, interleaved",
       {{"frmMain", "Gr\xF6\xDF"
                    "e"},
        {"ucToggle", "\xC4"},
        {"frmMain", "Ma\xDF"}},
       kGarbled + "frmMain (2 texts), ucToggle (1 text)" + kRemedy},
      {"more than are named", twelve, kGarbled + tenNamed + " and 2 more" + kRemedy},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    readers::VbProgram program;
    program.formTexts = row.texts;
    EXPECT_EQ(readers::FormTextWarning(program), row.warning);
  }
}
