// Forms as Visual Basic saves them: who contains whom through frames, an SSTab, a picture
// box and control arrays, what themes break there, and damaged text that still reads.
#include "support/TestSupport.h"

#include "readers/FormTexts.h"
#include "readers/Forms.h"

namespace {

namespace formtexts = readers::formtexts;
using readers::FormFinding;

std::string FormFixture(const std::string& name) {
  return testsupport::ReadBytes(testsupport::SourceFile("tests/readers/fixtures/forms/" + name));
}

std::string Describe(const std::vector<FormFinding>& findings) {
  std::string text;
  for (const FormFinding& finding : findings)
    text += formtexts::Line("f", finding.line, finding.control, finding.text) + "\n";
  return text;
}

} // namespace

TEST(FormsTest, EachControlKnowsItsContainerAsTheFileNestsThem) {
  const readers::FormFile form = readers::ReadForm(FormFixture("frmSettings.frm"));
  struct Row {
    const char* control;
    const char* type;
    const char* container;
  };
  // Menus are controls too; what lies in BeginProperty blocks is not.
  // clang-format off
  const Row rows[] = {
      {"frmSettings", "VB.Form", ""},          {"imlIcons", "MSComctlLib.ImageList", "frmSettings"},
      {"tabPages", "TabDlg.SSTab", "frmSettings"}, {"lvwFiles", "MSComctlLib.ListView", "tabPages"},
      {"cmdReset", "VB.CommandButton", "tabPages"}, {"fraUnits", "VB.Frame", "tabPages"},
      {"optUnit(0)", "VB.OptionButton", "fraUnits"}, {"fraPaper", "VB.Frame", "fraUnits"},
      {"chkLandscape", "VB.CheckBox", "fraPaper"},  {"picUnits", "VB.PictureBox", "fraUnits"},
      {"optUnit(1)", "VB.OptionButton", "picUnits"}, {"cmdOK", "VB.CommandButton", "frmSettings"},
      {"cmdHelp", "VB.CommandButton", "frmSettings"}, {"mnuFile", "VB.Menu", "frmSettings"},
      {"mnuExit", "VB.Menu", "mnuFile"},
  };
  // clang-format on
  ASSERT_EQ(form.controls.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const readers::FormControl& control = form.controls[i];
    SCOPED_TRACE(rows[i].control);
    EXPECT_EQ(control.DisplayName(), rows[i].control);
    EXPECT_EQ(control.library + "." + control.type, rows[i].type);
    EXPECT_EQ(control.parent < 0 ? "" : form.controls[control.parent].DisplayName(),
              rows[i].container);
  }
  // The Font block's Name is not the form's, and comments and doubled quotes come off.
  EXPECT_EQ(form.controls[0].Find("Name"), nullptr);
  EXPECT_EQ(form.controls[0].Find("BorderStyle")->value, "3");
  EXPECT_EQ(form.controls[10].Find("Caption")->value, "Imperial \"US\"");
  EXPECT_EQ(form.controls[12].Find("Caption")->value, "Don't 'quote' me");
  EXPECT_EQ(form.controls[12].Find("Style")->line, 156);
}

TEST(FormsTest, FindingsOfAFormAsVisualBasicSavesIt) {
  SCOPED_TRACE("frmSettings.frm");
  // Not: a button on the SSTab itself, an option button in a picture box in a frame, the
  // graphical button's colour, the image list, the menus.
  EXPECT_EQ(Describe(readers::CheckForm(readers::ReadForm(FormFixture("frmSettings.frm")))),
            "f:58: lvwFiles: MSComctlLib.ListView from MSCOMCTL.OCX is not themed: the 5.0 "
            "controls of COMCTL32.OCX (ComctlLib) use the system's common controls and are "
            "themed\n"
            "f:91: optUnit(0): black background once themed, as it sits directly in the frame "
            "fraUnits: put a PictureBox inside the frame as its container\n"
            "f:109: chkLandscape: black background once themed, as it sits directly in the frame "
            "fraPaper: put a PictureBox inside the frame as its container\n"
            "f:111: chkLandscape: ForeColor is ignored once themed: for coloured text, put a "
            "Label beside a control without a caption\n"
            "f:141: cmdOK: BackColor is ignored once themed: leave it unset, or set Style to 1 "
            "(Graphical), which keeps it but is never themed\n"
            "f:156: cmdHelp: Style = 1 (Graphical) is never themed: keep it for a picture or "
            "colours, or set Style to 0 for the themed look\n");
}

TEST(FormsTest, NonAsciiBytesAndLfLineEndsReadAsTheyAre) {
  const std::string name = "cmdSchlie\xDF"
                           "en";
  EXPECT_EQ(Describe(readers::CheckForm(readers::ReadForm(FormFixture("Forms/Russian.frm")))),
            "f:8: " + name + ": " + formtexts::InFrame("fraMain") + "\n");
  const readers::FormFile form = readers::ReadForm(FormFixture("Forms/Russian.frm"));
  ASSERT_EQ(form.controls.size(), 4u);
  EXPECT_EQ(form.controls[1].Find("Caption")->value, "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 \"1\"");
}

// Visual Basic names a form or user control by its VB_Name, which may differ from its Begin
// line's name; only the attributes right after the form count, never its code. The name
// that may go into code is one Visual Basic takes as a name, the Begin line's without one.
TEST(FormsTest, TheNameTheProjectKnowsComesFromVbName) {
  const struct {
    const char* text;
    const char* vbName;
    const char* formName;
  } rows[] = {
      {"Begin VB.UserControl treeimp\r\nEnd\r\nAttribute VB_Name = \"treevimp\"\r\n"
       "Attribute VB_Exposed = True\r\n",
       "treevimp", "treevimp"},
      {"Begin VB.UserControl a\nEnd\nattribute vb_name=\"b\"\n", "b", "b"},
      {"Begin VB.UserControl a\nEnd\nAttribute VB_Exposed = True\n", "", "a"},
      {"Begin VB.UserControl a\nEnd\nOption Explicit\nAttribute VB_Name = \"c\"\n", "", "a"},
      {"Begin VB.UserControl a\nAttribute VB_Name = \"d\"\n", "", "a"},
      {"Begin VB.Form frmMain\nEnd\nAttribute VB_Name = \"frmMain: Kill \"\"*.*\"\"\"\n",
       "frmMain: Kill \"*.*\"", ""},
      {"Begin VB.Form 1st\nEnd\n", "", ""},
      {"Begin VB.Form x\nEnd\nAttribute VB_Name = \"Fen\xeatre_2\"\n", "Fen\xeatre_2",
       "Fen\xeatre_2"},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const readers::FormFile form = readers::ReadForm(row.text);
    EXPECT_EQ(form.vbName, row.vbName);
    EXPECT_EQ(readers::FormName(form), row.formName);
  }
}

TEST(FormsTest, DamagedTextReadsAsFarAsItMakesSense) {
  struct Row {
    const char* name;
    std::string text;
    std::size_t controls;
    const char* findings; ///< how the first begins; "" for none
  };
  static const char kBytes[] = "Begin \0\xFF.\x80 \x01\r\r\n= =\n\xFF\xFE";
  // clang-format off
  const Row rows[] = {
      {"empty", "", 0, ""},
      {"header only", "VERSION 5.00\r\nObject = \"{x}\"; \"A.OCX\"\r\n", 0, ""},
      {"End before any Begin", "End\r\nEnd\r\nCaption = \"x\"\r\n", 0, ""},
      {"no name, no type", "Begin\r\nBegin\r\nEnd", 2, ""},
      {"cut off inside a frame",
       "Begin VB.Form f\nBegin VB.Frame a\nBegin VB.CheckBox c\nStyle = 1", 3,
       "f:4: c: Style = 1"},
      {"EndProperty without BeginProperty",
       "Begin VB.Form f\nEndProperty\nBegin VB.Frame a\nBegin VB.OptionButton o\nEnd\nEnd\nEnd",
       3, "f:4: o: "},
      {"a second form after the first",
       "Begin VB.Form f\nEnd\nBegin VB.Form g\nBegin VB.CommandButton b\nForeColor = 1\nEnd\nEnd",
       1, ""},
      {"CR CR LF line ends",
       "Begin VB.Form f\r\r\nBegin VB.Frame a\r\r\nEnd\r\r\nBegin VB.CheckBox c\r\r\nEnd\r\r\nEnd",
       3, ""},
      {"an unclosed string", "Begin VB.Form f\nCaption = \"a ' b\nEnd", 1, ""},
      {"bytes", std::string(kBytes, sizeof kBytes - 1), 1, ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const readers::FormFile form = readers::ReadForm(row.text);
    EXPECT_EQ(form.controls.size(), row.controls);
    const std::string findings = Describe(readers::CheckForm(form));
    EXPECT_EQ(*row.findings ? findings.substr(0, std::string(row.findings).size()) : findings,
              row.findings);
  }
  EXPECT_EQ(readers::ReadForm("Begin VB.Form f\nCaption = \"a ' b\nEnd")
                .controls[0]
                .Find("Caption")
                ->value,
            "a ' b");
}

// Excerpts of public projects' forms, each a false alarm once.
TEST(FormsTest, OnlyWhatTheAuthorSetAndTheThemeBreaks) {
  const auto form = [](const std::string& controls) {
    return "VERSION 5.00\r\nBegin VB.Form frm\r\n" + controls + "End\r\n";
  };
  struct Row {
    const char* name;
    std::string text;
    std::string findings;
  };
  // clang-format off
  const Row rows[] = {
      // Appearance = 0 sets window colours itself; the theme's text is the same black.
      {"a flat check box",
       form("   Begin VB.CheckBox chkGmrc \r\n      Appearance      =   0  'Flat\r\n"
            "      BackColor       =   &H80000005&\r\n      Caption         =   \"GMRC\"\r\n"
            "      ForeColor       =   &H80000008&\r\n   End\r\n"),
       ""},
      {"a flat command button",
       form("   Begin VB.CommandButton OKButton \r\n      Appearance      =   0  'Flat\r\n"
            "      BackColor       =   &H80000005&\r\n   End\r\n"),
       ""},
      {"a scheme colour as a number",
       form("   Begin VB.OptionButton opt \r\n      ForeColor       =   -2147483640\r\n   End\r\n"),
       ""},
      {"colours the author picked",
       form("   Begin VB.OptionButton opt \r\n      ForeColor       =   255\r\n   End\r\n"
            "   Begin VB.CommandButton cmd \r\n      BackColor       =   &HFF&\r\n   End\r\n"),
       std::string("f:4: opt: ") + formtexts::kTextColour + "\nf:7: cmd: " +
           formtexts::ButtonColour("BackColor") + "\n"},
      // Twelve buttons of one array in a frame are one finding, not twelve; an element
      // elsewhere is judged by its own container.
      {"a control array across two frames",
       form("   Begin VB.Frame fraA \r\n      Begin VB.CommandButton cmd \r\n"
            "         Index = 11\r\n      End\r\n      Begin VB.CommandButton cmd \r\n"
            "         Index = 10\r\n      End\r\n   End\r\n   Begin VB.Frame fraB \r\n"
            "      Begin VB.CommandButton CMD \r\n         Index = 0\r\n      End\r\n"
            "   End\r\n"),
       "f:4: cmd(11, 10): " + formtexts::InFrame("fraA") + "\nf:12: CMD(0): " +
           formtexts::InFrame("fraB") + "\n"},
      // A toolbar's Style, and its buttons', are not a button's.
      {"a toolbar in a frame",
       form("   Begin VB.Frame frmFrame \r\n      Begin MSComctlLib.Toolbar CTB \r\n"
            "         Style           =   1\r\n"
            "         BeginProperty Buttons {66833FE8-8583-11D1-B16A-00C0F0283628} \r\n"
            "            BeginProperty Button1 {66833FEA-8583-11D1-B16A-00C0F0283628} \r\n"
            "               Style           =   1\r\n            EndProperty\r\n"
            "         EndProperty\r\n      End\r\n   End\r\n"),
       "f:4: CTB: " + formtexts::CommonControls6("MSComctlLib.Toolbar") + "\n"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Describe(readers::CheckForm(readers::ReadForm(row.text))), row.findings);
  }
}
