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
