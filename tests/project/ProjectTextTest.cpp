// A project file and a module as Visual Basic 6 saves them, edited for the start-up module:
// the exact bytes after a first run, and none changed by a second.
#include "support/TestSupport.h"

#include <algorithm>

#include "generation/ModuleText.h"
#include "project/ProjectText.h"

namespace {

using project::StartupCheck;

std::string Edited(const std::string& text) {
  return project::ApplyEdits(
      text, project::NeededEdits(text, "modThemefold", "modThemefold.bas", "Ledger.res"));
}

/// The check added to before gives outcome and after ("" for before), the Sub Main is seen
/// where there is one, and adding it again changes nothing. line: where statements stand on
/// the header's line, when that is the outcome.
void ExpectCheck(const std::string& before, StartupCheck::Outcome outcome, const std::string& after,
                 int line = 0) {
  const StartupCheck first = project::AddStartupCheck(before);
  EXPECT_EQ(first.outcome, outcome);
  EXPECT_EQ(first.line, line);
  EXPECT_EQ(project::HoldsSubMain(before), outcome != StartupCheck::Outcome::NoSubMain);
  const std::string text = after.empty() ? before : after;
  EXPECT_EQ(first.text, text);
  const StartupCheck second = project::AddStartupCheck(text);
  EXPECT_NE(second.outcome, StartupCheck::Outcome::Added);
  EXPECT_EQ(second.text, text);
}

/// Making before's Sub Main show frmLedger gives outcome and after ("" for before); once
/// shown, it stays shown.
void ExpectShown(const std::string& before, project::FormShown::Outcome outcome,
                 const std::string& after) {
  const project::FormShown first = project::ShowStartupForm(before, "frmLedger");
  EXPECT_EQ(first.outcome, outcome);
  const std::string text = after.empty() ? before : after;
  EXPECT_EQ(first.text, text);
  if (outcome == project::FormShown::Outcome::Shown) {
    EXPECT_EQ(project::ShowStartupForm(text, "frmLedger").outcome,
              project::FormShown::Outcome::AlreadyShown);
  }
}

} // namespace

TEST(ProjectTextTest, ListsTheModuleAndStartsInSubMain) {
  const struct Row {
    const char* trace;
    std::string before;
    std::string after;
  } rows[] = {
      {"form start-up: the module after the last, the resource before IconForm",
       "Type=Exe\r\nForm=frmLedger.frm\r\nModule=modDb; ..\\shared\\modDb.bas\r\n"
       "Class=clsEntry; clsEntry.cls\r\nIconForm=\"frmLedger\"\r\nStartup=\"frmLedger\"\r\n"
       "Title=\"Ledger\"\r\n",
       "Type=Exe\r\nForm=frmLedger.frm\r\nModule=modDb; ..\\shared\\modDb.bas\r\n"
       "Module=modThemefold; modThemefold.bas\r\nClass=clsEntry; clsEntry.cls\r\n"
       "ResFile32=\"Ledger.res\"\r\nIconForm=\"frmLedger\"\r\nStartup=\"Sub Main\"\r\n"
       "Title=\"Ledger\"\r\n"},
      {"Sub Main start-up and a resource file already, LF",
       "Type=Exe\nModule=modMain; modMain.bas\nResFile32=\"..\\res\\App.RES\"\n"
       "Startup=\"Sub Main\"\n",
       "Type=Exe\nModule=modMain; modMain.bas\nModule=modThemefold; modThemefold.bas\n"
       "ResFile32=\"..\\res\\App.RES\"\nStartup=\"Sub Main\"\n"},
      {"no module yet, Startup in another case and spacing, a cp1251 title",
       "Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE "
       "Automation\r\nForm=frmMain.frm\r\nSTARTUP = \"frmMain\" \r\nTitle=\"\xCA\xE0\xF1\xF1\xE0\"\r\n",
       "Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#stdole2.tlb#OLE "
       "Automation\r\nForm=frmMain.frm\r\nModule=modThemefold; modThemefold.bas\r\n"
       "ResFile32=\"Ledger.res\"\r\nSTARTUP = \"Sub Main\" \r\nTitle=\"\xCA\xE0\xF1\xF1\xE0\"\r\n"},
      {"an add-in section that names the same keys is left alone",
       "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\n\r\n[MS Transaction Server]\r\n"
       "AutoRefresh=1\r\nModule=modThemefold; modThemefold.bas\r\nResFile32=\"x.res\"\r\n"
       "Startup=\"Sub Main\"\r\n",
       "Type=Exe\r\nForm=frmMain.frm\r\nModule=modThemefold; modThemefold.bas\r\n"
       "ResFile32=\"Ledger.res\"\r\nStartup=\"Sub Main\"\r\n\r\n[MS Transaction Server]\r\n"
       "AutoRefresh=1\r\nModule=modThemefold; modThemefold.bas\r\nResFile32=\"x.res\"\r\n"
       "Startup=\"Sub Main\"\r\n"},
      {"no Startup, an empty ResFile32, the module listed elsewhere, no final line end",
       "Type=Exe\r\nModule=MODTHEMEFOLD; src\\modThemefold.bas\r\nResFile32=\"\"\r\nName=\"App\"",
       "Type=Exe\r\nModule=MODTHEMEFOLD; src\\modThemefold.bas\r\nResFile32=\"Ledger.res\"\r\n"
       "Startup=\"Sub Main\"\r\nName=\"App\""},
      {"nothing to follow but the last line, which has no line end", "Name=\"App\"",
       "Name=\"App\"\r\nModule=modThemefold; modThemefold.bas\r\n"
       "ResFile32=\"Ledger.res\"\r\nStartup=\"Sub Main\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    const std::string after = Edited(row.before);
    EXPECT_EQ(after, row.after);
    EXPECT_TRUE(
        project::NeededEdits(after, "modThemefold", "modThemefold.bas", "Other.res").empty());
  }
}

TEST(ProjectTextTest, PutsTheCheckFirstInTheProjectsSubMain) {
  const std::string check = generation::kStartupCheck;
  EXPECT_EQ(check, "If Not InitCommonControlsVB Then MsgBox \"Initialization error!\", "
                   "vbCritical: End");
  const struct Row {
    const char* trace;
    std::string before;
    StartupCheck::Outcome outcome;
    std::string after;
  } rows[] = {
      {"Public, indented by 4",
       "Attribute VB_Name = \"modMain\"\r\nPublic Sub Main()\r\n    frmLedger.Show\r\nEnd Sub\r\n",
       StartupCheck::Outcome::Added,
       "Attribute VB_Name = \"modMain\"\r\nPublic Sub Main()\r\n    " + check +
           "\r\n    frmLedger.Show\r\nEnd Sub\r\n"},
      {"Private with a comment, tabs, LF",
       "Private Sub Main() ' start here\n\t' load settings\n\tLoadSettings\nEnd Sub\n",
       StartupCheck::Outcome::Added,
       "Private Sub Main() ' start here\n\t" + check +
           "\n\t' load settings\n\tLoadSettings\nEnd Sub\n"},
      {"lower case, empty", "sub main ()\r\nend sub", StartupCheck::Outcome::Added,
       "sub main ()\r\n    " + check + "\r\nend sub"},
      {"unindented, after the attribute under the header",
       "Sub Main()\r\nAttribute Main.VB_Description = \"Start\"\r\nfrmA.Show\r\nEnd Sub\r\n",
       StartupCheck::Outcome::Added,
       "Sub Main()\r\nAttribute Main.VB_Description = \"Start\"\r\n" + check +
           "\r\nfrmA.Show\r\nEnd Sub\r\n"},
      {"not in comments, strings or other names",
       "' Sub Main()\r\nRem Sub Main()\r\nSub MainLoop()\r\n    Debug.Print \"Sub Main()\"\r\n"
       "End Sub\r\nPrivate Static Sub Main() Rem entry\r\n  Go\r\nEnd Sub\r\n",
       StartupCheck::Outcome::Added,
       "' Sub Main()\r\nRem Sub Main()\r\nSub MainLoop()\r\n    Debug.Print \"Sub Main()\"\r\n"
       "End Sub\r\nPrivate Static Sub Main() Rem entry\r\n  " +
           check + "\r\n  Go\r\nEnd Sub\r\n"},
      {"after a comment, in other spacing and case",
       "Sub Main()\r\n    ' first\r\n    if not InitCommonControlsVB then  MsgBox "
       "\"Initialization error!\", vbCritical: End\r\nEnd Sub\r\n",
       StartupCheck::Outcome::AlreadyThere, ""},
      {"a continued comment", "' old start-up _\r\nSub Main()\r\nEnd Sub\r\n",
       StartupCheck::Outcome::NoSubMain, ""},
      {"one Sub Main for each branch of an #If, one with the check already",
       "#If Win64 Then\r\nSub Main()\r\n    GoWide\r\nEnd Sub\r\n#ElseIf DEBUG Then\r\n"
       "Sub Main()\r\n    " +
           check +
           "\r\n    GoDebug\r\nEnd Sub\r\n#Else\r\n"
           "Private Sub Main()\r\n\tGo\r\nEnd Sub\r\n#End If\r\n",
       StartupCheck::Outcome::Added,
       "#If Win64 Then\r\nSub Main()\r\n    " + check +
           "\r\n    GoWide\r\nEnd Sub\r\n"
           "#ElseIf DEBUG Then\r\nSub Main()\r\n    " +
           check +
           "\r\n    GoDebug\r\nEnd Sub\r\n"
           "#Else\r\nPrivate Sub Main()\r\n\t" +
           check + "\r\n\tGo\r\nEnd Sub\r\n#End If\r\n"},
      {"a call of Sub Main and a Sub Main with arguments",
       "Sub Start()\r\n    Main\r\nEnd Sub\r\nSub Main(ByVal x As Long)\r\nEnd Sub\r\n",
       StartupCheck::Outcome::NoSubMain, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    ExpectCheck(row.before, row.outcome, row.after);
  }
}

// A Sub Main is seen however its header is written, wherever one is looked for. The check
// goes after a continued header's last line; where statements follow the header on its line,
// no line can go first, and nothing is edited.
TEST(ProjectTextTest, FindsSubMainHoweverItsHeaderIsWritten) {
  const std::string check = generation::kStartupCheck;
  const struct Row {
    const char* trace;
    std::string before;
    StartupCheck::Outcome outcome;
    std::string after; ///< "" for before
    int line;          ///< OnItsHeaderLine: the line of the header's statements
  } rows[] = {
      // Was: NoSubMain for each of the next five, so that a project that starts in a form got
      // a second Sub Main, which does not compile.
      {"a header continued onto the next line: after its last line",
       "Public Sub _\r\nMain()\r\n    frmA.Show\r\nEnd Sub\r\n", StartupCheck::Outcome::Added,
       "Public Sub _\r\nMain()\r\n    " + check + "\r\n    frmA.Show\r\nEnd Sub\r\n", 0},
      {"a header continued twice, its parentheses apart, a comment after it",
       "Private _\nSub Main( _\n  ) ' start\n\tGo\nEnd Sub\n", StartupCheck::Outcome::Added,
       "Private _\nSub Main( _\n  ) ' start\n\t" + check + "\n\tGo\nEnd Sub\n", 0},
      {"statements after the header on its line",
       "Attribute VB_Name = \"M\"\r\nSub Main(): frmMain.Show: End Sub\r\n",
       StartupCheck::Outcome::OnItsHeaderLine, "", 2},
      {"a ':' alone after the header is no statement", "Sub Main() : ' go\r\n  Go\r\nEnd Sub\r\n",
       StartupCheck::Outcome::Added, "Sub Main() : ' go\r\n  " + check + "\r\n  Go\r\nEnd Sub\r\n",
       0},
      {"the check alone after the header on its line",
       "Sub Main(): " + check + "\r\n  Go\r\nEnd Sub\r\n", StartupCheck::Outcome::AlreadyThere, "",
       0},
      // Was: the check added to the first alone.
      {"one Sub Main of two with statements on its header's line: neither is edited",
       "#If A Then\r\nSub Main()\r\nEnd Sub\r\n#Else\r\nPublic Sub _\r\n Main(): Go: End Sub\r\n"
       "#End If\r\n",
       StartupCheck::Outcome::OnItsHeaderLine, "", 6},
      {"a header the file ends in before it ends", "Sub Main() _", StartupCheck::Outcome::NoSubMain,
       "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    ExpectCheck(row.before, row.outcome, row.after, row.line);
  }
}

// A project that lists the start-up module and starts in a form: the module's Sub Main
// shows that form, its placeholder made the statement with every other byte kept.
TEST(ProjectTextTest, TheListedModuleShowsTheStartupForm) {
  using Outcome = project::FormShown::Outcome;
  const std::string plain = testsupport::Golden("modThemefold.bas");
  const std::string shown = testsupport::Golden("modThemefold-form.bas");
  const auto lf = [](std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  };
  const std::string twice = "#If A Then\nSub Main()\n    'frmMain.Show (etc..)\nEnd Sub\n#Else\n"
                            "Sub Main()\n  frmLedger.Show vbModal ' wait\nEnd Sub\n#End If\n";
  const struct Row {
    const char* trace;
    std::string before;
    Outcome outcome;
    std::string after; ///< "" for before
  } rows[] = {
      {"the placeholder still commented out, LF", lf(plain), Outcome::Shown, lf(shown)},
      {"shown already", shown, Outcome::AlreadyShown, ""},
      {"shown in another case and spacing, with arguments",
       "Sub Main()\r\n  FRMLEDGER.show  1\r\nEnd Sub\r\n", Outcome::AlreadyShown, ""},
      {"each branch of an #If", twice, Outcome::Shown,
       "#If A Then\nSub Main()\n    frmLedger.Show\nEnd Sub\n#Else\n"
       "Sub Main()\n  frmLedger.Show vbModal ' wait\nEnd Sub\n#End If\n"},
      {"another form, the shown one commented out, the placeholder after End Sub",
       "Sub Main()\r\n    frmOther.Show\r\n    'frmLedger.Show\r\nEnd Sub\r\n"
       "'frmMain.Show (etc..)\r\n",
       Outcome::NotShown, ""},
      {"no Sub Main", generation::ModuleTextWithoutMain() + "\r\n", Outcome::NoSubMain, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    ExpectShown(row.before, row.outcome, row.after);
  }
}

// The listed module's Sub Main, however its header is written: statements on the header's
// line count up to an End Sub among them; the placeholder is a line of its own, which the
// statement takes whatever the header's shape.
TEST(ProjectTextTest, TheListedModuleShowsTheFormHoweverItsHeaderIsWritten) {
  using Outcome = project::FormShown::Outcome;
  const struct Row {
    const char* trace;
    std::string before;
    Outcome outcome;
    std::string after; ///< "" for before
  } rows[] = {
      // Was: NoSubMain for each, so that the run refused the module as holding none.
      {"a header continued onto the next line",
       "Public Sub _\r\n  Main()\r\n    'frmMain.Show (etc..)\r\nEnd Sub\r\n", Outcome::Shown,
       "Public Sub _\r\n  Main()\r\n    frmLedger.Show\r\nEnd Sub\r\n"},
      {"shown on the header's line", "Sub Main(): frmLedger.Show: End Sub\r\n",
       Outcome::AlreadyShown, ""},
      {"shown on the header's line after a string with a ':' in it",
       "Sub Main(): Log \"a: b\": frmLedger.Show 1\r\nEnd Sub\r\n", Outcome::AlreadyShown, ""},
      {"ended on the header's line, the placeholder after it",
       "Sub Main(): Go: End Sub\r\n'frmMain.Show (etc..)\r\n", Outcome::NotShown, ""},
      {"the placeholder below a header with statements, one shown in a comment",
       "Sub Main(): Go ' x: frmLedger.Show\r\n    'frmMain.Show (etc..)\r\nEnd Sub\r\n",
       Outcome::Shown, "Sub Main(): Go ' x: frmLedger.Show\r\n    frmLedger.Show\r\nEnd Sub\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    ExpectShown(row.before, row.outcome, row.after);
  }
}

// Which of two lines Visual Basic obeys is not guessed: the project is refused.
TEST(ProjectTextTest, NamesAKeyTheProjectGivesTwice) {
  const struct Row {
    const char* text;
    const char* key;
  } rows[] = {
      {"Type=Exe\r\nResFile32=\"a.res\"\r\nName=\"A\"\r\nResFile32=\"b.res\"\r\n", "ResFile32"},
      {"Type=Exe\nStartup=\"frmMain\"\nstartup = \"Sub Main\"\n", "Startup"},
      {"Type=Exe\r\nModule=A; A.bas\r\nModule=B; B.bas\r\nForm=a.frm\r\nForm=b.frm\r\n"
       "Startup=\"Sub Main\"\r\nResFile32=\"a.res\"\r\n\r\n[MS Transaction Server]\r\n"
       "Startup=\"Sub Main\"\r\nResFile32=\"x.res\"\r\n",
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(project::RepeatedKey(row.text), row.key);
  }
}

TEST(ProjectTextTest, ModuleVariantsMatchTheirGoldenFiles) {
  EXPECT_EQ(generation::ModuleTextShowing("frmLedger") + "\r\n",
            testsupport::Golden("modThemefold-form.bas"));
  EXPECT_EQ(generation::ModuleTextWithoutMain() + "\r\n",
            testsupport::Golden("modThemefold-submain.bas"));
  EXPECT_EQ(std::string(generation::kModuleText) + "\r\n", testsupport::Golden("modThemefold.bas"));
}
