// The components of a project file as Visual Basic 6 saves it, and where their files are.
#include "support/TestSupport.h"

#include <set>

#include "readers/VbProject.h"

namespace {

// As Visual Basic 6 writes it: CR LF, the references first, add-in sections at the end.
const char* const kProject =
    "Type=Exe\r\n"
    "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\..\\WINDOWS\\system32\\"
    "stdole2.tlb#OLE Automation\r\n"
    "Reference=*\\G{6C1C8C3A-0000-4000-8000-000000000001}#1.2#0#lib\\Widget.dll#Widget Library\r\n"
    "Reference=*\\A..\\Helpers\\Helpers.vbp\r\n"
    "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX\r\n"
    "Object={F9043C88-F6F2-101A-A3C9-08002B2F49FB}#1.2#0; comdlg32.ocx\r\n"
    "Object=*\\A..\\Grid\\Grid.vbp\r\n"
    "Reference=*\\G{EA544A21-C82D-11D1-A3E4-00A0C90AEA82}#6.0#0#C:\\WINDOWS\\system32\\msvbvm60."
    "dll#"
    "Visual Basic runtime objects and procedures\r\n"
    "Form=frmMain.frm\r\n"
    "Module=modThemefold; modThemefold.bas\r\n"
    "Startup=\"Sub Main\"\r\n"
    "ExeName32=\"App.exe\"\r\n"
    "\r\n"
    "[MS Transaction Server]\r\n"
    "AutoRefresh=1\r\n"
    "Object={00000000-0000-0000-0000-000000000001}#1.0#0; AddIn.ocx\r\n";

} // namespace

TEST(VbProjectTest, ReadsObjectAndReferenceLines) {
  const readers::ProjectComponents found = readers::ReadProjectComponents(kProject);
  std::string listing;
  for (const readers::ProjectComponent& c : found.components)
    listing += std::to_string(c.line) +
               (c.kind == readers::ProjectComponent::Kind::Object ? " object " : " reference ") +
               c.guid + " " + c.version + " " + c.lcid + " [" + c.file + "] [" + c.description +
               "]\n";
  EXPECT_EQ(listing, "3 reference {6C1C8C3A-0000-4000-8000-000000000001} 1.2 0 [lib\\Widget.dll] "
                     "[Widget Library]\n"
                     "5 object {831FDD16-0C5C-11D2-A9FC-0000F8754DA1} 2.0 0 [MSCOMCTL.OCX] []\n"
                     "6 object {F9043C88-F6F2-101A-A3C9-08002B2F49FB} 1.2 0 [comdlg32.ocx] []\n");
  std::string notes;
  for (const std::string& note : found.notes)
    notes += note + "\n";
  EXPECT_EQ(notes, "line 2: left out, registered on every Windows: OLE Automation\n"
                   "line 4: left out, not a compiled library: *\\A..\\Helpers\\Helpers.vbp\n"
                   "line 7: left out, not a compiled control: *\\A..\\Grid\\Grid.vbp\n"
                   "line 8: left out, registered on every Windows: Visual Basic runtime "
                   "objects and procedures\n");
}

TEST(VbProjectTest, LocatesFilesFromTheProjectFolderThenTheSystemFolders) {
  const std::set<std::string> files = {"/p/lib/Widget.dll", "/sys/MSCOMCTL.OCX",
                                       "/wow/comdlg32.ocx", "/p/Local.ocx", "/abs/Abs.dll"};
  auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
  struct Row {
    const char* file;
    const char* found;
  };
  const Row rows[] = {
      {"lib\\Widget.dll", "/p/lib/Widget.dll"},
      {"MSCOMCTL.OCX", "/sys/MSCOMCTL.OCX"},
      {"comdlg32.ocx", "/wow/comdlg32.ocx"},
      {"Local.ocx", "/p/Local.ocx"},
      {"/abs/Abs.dll", "/abs/Abs.dll"},
      {"C:\\WINDOWS\\system32\\MSCOMCTL.OCX", "/sys/MSCOMCTL.OCX"},
      {"..\\..\\elsewhere\\Missing.ocx", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    readers::ProjectComponent component;
    component.file = row.file;
    EXPECT_EQ(readers::LocateComponent(component, "/p", {"/sys", "/wow"}, '/', exists), row.found);
  }
}

namespace {

// A project's facts on one line, so that a table row can state them all.
std::string Listed(const readers::ProjectFacts& facts) {
  std::string modules;
  for (const readers::ProjectModule& module : facts.modules)
    modules += " " + std::to_string(module.line) + ":" + module.name + "=" + module.path;
  return facts.type + "|" + facts.name + "|" + facts.exeName + "|" + facts.path32 + "|" +
         facts.startup + "|" + facts.resFile + "|" + facts.Version() + "|" + facts.Description() +
         "|" + modules;
}

} // namespace

TEST(VbProjectTest, ReadsTheFactsOfTheProjectsOwnSection) {
  const struct Row {
    const char* trace;
    std::string text;
    std::string facts;
  } rows[] = {
      {"form start-up, modules beside and above the project, as Visual Basic writes it",
       "Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\..\\"
       "WINDOWS\\system32\\stdole2.tlb#OLE Automation\r\nForm=frmLedger.frm\r\n"
       "Module=modUtil; modUtil.bas\r\nModule=modDb; ..\\shared\\modDb.bas\r\n"
       "Class=clsEntry; clsEntry.cls\r\nIconForm=\"frmLedger\"\r\nStartup=\"frmLedger\"\r\n"
       "HelpFile=\"\"\r\nTitle=\"Ledger\"\r\nExeName32=\"Ledger.exe\"\r\nPath32=\"..\\bin\"\r\n"
       "Command32=\"\"\r\nName=\"Ledger\"\r\nHelpContextID=\"0\"\r\nMajorVer=2\r\nMinorVer=3\r\n"
       "RevisionVer=41\r\nAutoIncrementVer=0\r\nVersionCompanyName=\"Acme\"\r\n"
       "VersionFileDescription=\"Ledger for small shops\"\r\nCompilationType=0\r\n",
       "Exe|Ledger|Ledger.exe|..\\bin|frmLedger||2.3.0.41|Ledger for small shops| "
       "4:modUtil=modUtil.bas 5:modDb=..\\shared\\modDb.bas"},
      {"Sub Main, resource file, no ExeName32 or version, keys in another case, LF",
       "Type=Exe\nModule=modMain; modMain.bas\nRESFILE32=\"..\\res\\Tool.RES\"\n"
       "startup=\"Sub Main\"\nTitle=\"Tool\"\nname=\"Tool\"\n",
       "Exe|Tool|Tool.exe||Sub Main|..\\res\\Tool.RES|1.0.0.0|Tool| 2:modMain=modMain.bas"},
      {"a cp1251 title and inner quotes as Visual Basic leaves them",
       "Type=Exe\r\nTitle=\"\xCA\xE0\xF1\xF1\xE0 \"\xCF\xF0\xEE\"\"\r\nName=\"Kassa\"\r\n"
       "ExeName32=\"\"\r\n",
       "Exe|Kassa|Kassa.exe||||1.0.0.0|\xCA\xE0\xF1\xF1\xE0 \"\xCF\xF0\xEE\"|"},
      {"doubled quotes, a module without a name, no Name",
       "Type=Exe\r\nModule=legacy.bas\r\nVersionFileDescription=\"My \"\"quoted\"\" App\"\r\n"
       "MajorVer=3x\r\n",
       "Exe|Project1|Project1.exe||||3.0.0.0|My \"quoted\" App| 2:=legacy.bas"},
      {"an add-in section reusing the project's keys",
       "Type=Exe\r\nForm=frmMain.frm\r\nStartup=\"frmMain\"\r\nName=\"App\"\r\n\r\n"
       "[MS Transaction Server]\r\nAutoRefresh=1\r\nStartup=\"Sub Main\"\r\nName=\"Other\"\r\n"
       "Module=modX; modX.bas\r\nResFile32=\"x.res\"\r\nMajorVer=9\r\n",
       "Exe|App|App.exe||frmMain||1.0.0.0||"},
      {"an ActiveX DLL",
       "Type=OleDll\r\nClass=clsApi; clsApi.cls\r\nStartup=\"(None)\"\r\nExeName32=\"Api.dll\"\r\n"
       "Name=\"Api\"\r\n",
       "OleDll|Api|Api.dll||(None)||1.0.0.0||"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    EXPECT_EQ(Listed(readers::ReadProjectFacts(row.text)), row.facts);
  }
}

// Visual Basic matches Startup's two values that name no form in any case, and takes a
// form's name in '!' quotes as in '"' ones.
TEST(VbProjectTest, TellsWhereTheProjectStarts) {
  const struct Row {
    const char* line;
    const char* startup;
    bool form;
    bool subMain;
  } rows[] = {
      {"Startup=\"frmMain\"", "frmMain", true, false},
      {"Startup=!frmMain!", "frmMain", true, false},
      {"Startup=\"Sub Main\"", "Sub Main", false, true},
      {"STARTUP=\"SUB MAIN\"", "SUB MAIN", false, true},
      {"Startup=\"(None)\"", "(None)", false, false},
      {"Startup=\"(NONE)\"", "(NONE)", false, false},
      {"Startup=\"\"", "", false, false},
      {"Startup=\"frmMain: Kill \"\"*.*\"\"\"", "frmMain: Kill \"*.*\"", true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const readers::ProjectFacts facts =
        readers::ReadProjectFacts(std::string("Type=Exe\r\n") + row.line + "\r\n");
    EXPECT_EQ(facts.startup, row.startup);
    EXPECT_EQ(facts.StartsInForm(), row.form);
    EXPECT_EQ(facts.StartsInSubMain(), row.subMain);
  }
}

TEST(VbProjectTest, NamesTheKindsOfProjectItRefuses) {
  const struct Row {
    const char* type;
    bool standard;
    const char* kind;
  } rows[] = {
      {"Exe", true, "a standard EXE project"},
      {"exe", true, "a standard EXE project"},
      {"OleExe", false, "an ActiveX EXE project"},
      {"OleDll", false, "an ActiveX DLL project"},
      {"Control", false, "an ActiveX control project"},
      {"", false, "a project without a Type line"},
      {"Addin", false, "a project of Type Addin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    EXPECT_EQ(readers::IsStandardExe(row.type), row.standard);
    EXPECT_EQ(readers::ProjectKind(row.type), row.kind);
  }
}

// Names are data: every name the project gives a file is read as written, for the run and
// the check of the forms to refuse one the file system cannot be asked about.
TEST(VbProjectTest, ReadsEveryNameItGivesAFile) {
  const struct Row {
    const char* trace;
    std::string text;
    std::string paths; ///< "line:key=path " each
  } rows[] = {
      {"each key that names a file, the listed ones' names left out, empty ones and Startup "
       "skipped",
       "Type=Exe\r\nForm=frmMain.frm\r\nModule=modA; src\\modA.bas\r\nClass=clsA;clsA.cls\r\n"
       "UserControl=ucA.ctl\r\nUserDocument=docA.dob\r\nPropertyPage=ppA.pag\r\n"
       "Designer=deA.Dsr\r\nRelatedDoc=..\\readme.txt\r\nResFile32=\"A.res\"\r\n"
       "IconForm=\"frmMain\"\r\nStartup=\"frmMain\"\r\nHelpFile=\"\"\r\nExeName32=\"A\"\r\n"
       "Path32=\"bin\"\r\nName=\"A\"\r\nCompatibleEXE32=\"old\\A.exe\"\r\n",
       "2:Form=frmMain.frm 3:Module=src\\modA.bas 4:Class=clsA.cls 5:UserControl=ucA.ctl "
       "6:UserDocument=docA.dob 7:PropertyPage=ppA.pag 8:Designer=deA.Dsr "
       "9:RelatedDoc=..\\readme.txt 10:ResFile32=A.res 14:ExeName32=A 15:Path32=bin "
       "17:CompatibleEXE32=old\\A.exe "},
      {"Name where no ExeName32 names the program, control characters kept",
       std::string("Type=Exe\nRESFILE32=\"A.res\0.txt\"\nModule=m; m\x1F.bas\nName=\"A\x7F\"\n"
                   "ExeName32=\"\"\n",
                   72),
       std::string("2:RESFILE32=A.res\0.txt 3:Module=m\x1F.bas 4:Name=A\x7F ", 49)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trace);
    std::string paths;
    for (const readers::ProjectPath& named : readers::ReadProjectFacts(row.text).paths)
      paths += std::to_string(named.line) + ":" + named.key + "=" + named.path + " ";
    EXPECT_EQ(paths, row.paths);
  }
}
