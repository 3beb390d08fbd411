// The Visual Basic program reader on the three real samples (golden texts of everything read),
// on synthetic programs for what they lack, and on damaged and hostile images.
#include "support/TestSupport.h"

#include <functional>

#include "readers/ReaderTexts.h"
#include "readers/VbProgram.h"
#include "support/VbImageBuilder.h"

using readers::ReadVbProgram;
using readers::VbProblem;
using testsupport::BuildVbImage;
using testsupport::BuiltVb;
using testsupport::DescribeVb;
using testsupport::PutU16;
using testsupport::PutU32;
using testsupport::VbGuid;
using testsupport::VbImageSpec;
using testsupport::VbObject;

namespace {

std::string Described(const std::string& image) {
  const readers::VbReading reading = ReadVbProgram(image);
  if (!reading.program)
    return "refused: " + readers::texts::Words(*reading.problem);
  return DescribeVb(*reading.program);
}

} // namespace

// Checked against what each project's source declares (the samples' README): the project,
// Sub Main or none, the modules, classes, the control and its pages, and the OCX's Declare
// of InitCommonControlsEx.
TEST(VbProgramTest, RealSamplesReadAsTheirSourceDeclares) {
  for (const char* file : {"vbFcgiHost.exe", "VbFcgiLib.dll", "VBFLXGRD18.OCX"}) {
    SCOPED_TRACE(file);
    const std::string image = testsupport::ReadBytes(
        testsupport::SourceFile(std::string("tests/readers/fixtures/vb6/") + file));
    EXPECT_EQ(Described(image), testsupport::Golden(std::string("readers/vb6/") + file + ".txt"));
  }
}

namespace {

const std::string kListView = "BDD1F04B-858B-11D1-B16A-00C0F0283628";

VbImageSpec StartsInForm() {
  VbImageSpec spec;
  spec.projectName = "Hello";
  spec.objects = {VbObject("Module1", testsupport::kVbModule),
                  VbObject("frmMain", testsupport::kVbForm),
                  VbObject("frmAbout", testsupport::kVbForm)};
  return spec;
}

VbImageSpec EverythingPlaced() {
  VbImageSpec spec;
  spec.projectName = "Shop";
  spec.objects = {VbObject("ucButton", testsupport::kVbUserControl),
                  VbObject("Form1", testsupport::kVbForm, {VbGuid('\x11'), VbGuid('\x22')},
                           std::string("\x01\x06\x00Gr\xFC\xDF"
                                       "e!\x00\x02\x05\x00Plain\x00",
                                       19)),
                  VbObject("Form2", testsupport::kVbForm, {VbGuid('\x11')})};
  spec.declares = {{"kernel32", "Sleep"}, {"COMCTL32.DLL", "initcommoncontrols"}};
  spec.components = {{"MSCOMCTL.OCX", "MSComctlLib", "ListViewCtrl", VbGuid('\x11'), kListView},
                     {"COMDLG32.OCX", "MSComDlg", "CommonDialog", VbGuid('\x33'), ""}};
  return spec;
}

} // namespace

TEST(VbProgramTest, SyntheticProgramsShowWhatTheSamplesLack) {
  struct Row {
    const char* name;
    std::function<VbImageSpec()> spec;
    const char* expected;
  };
  const Row rows[] = {
      {"a program that starts in its first form", StartsInForm,
       "project Hello\nkind StandardExe\nruntime MSVBVM60.DLL\nstart form frmMain\n"
       "object Module Module1 0x00018001\nobject Form frmMain 0x00018083\n"
       "object Form frmAbout 0x00018083\ninitialises common controls no\n"},
      {"user controls, components placed on forms, InitCommonControls, a non-ASCII caption",
       EverythingPlaced,
       "project Shop\nkind StandardExe\nruntime MSVBVM60.DLL\nstart form Form1\n"
       "object UserControl ucButton 0x001DA003\nobject Form Form1 0x00018083\n"
       "object Form Form2 0x00018083\ndeclare kernel32 Sleep\n"
       "declare COMCTL32.DLL initcommoncontrols\n"
       "component MSCOMCTL.OCX class {11111111-1111-1111-1111-111111111111} typelib "
       "{BDD1F04B-858B-11D1-B16A-00C0F0283628} name MSComctlLib.ListViewCtrl on Form1 Form2\n"
       "component COMDLG32.OCX class {33333333-3333-3333-3333-333333333333} typelib  name "
       "MSComDlg.CommonDialog on\n"
       "initialises common controls yes\ntext Form1 Gr\\xFC\\xDFe!\n"},
      {"an ActiveX DLL found through DllGetClassObject, Sub Main, comctl32 imported",
       [] {
         VbImageSpec spec;
         spec.dll = true;
         spec.runtime = "msvbvm50.dll";
         spec.subMain = true;
         spec.imports = {{"comctl32", {"InitCommonControlsEx"}}};
         spec.objects = {VbObject("CThing", testsupport::kVbClass)};
         return spec;
       },
       "project Project1\nkind ActiveXDll\nruntime msvbvm50.dll\nstart Sub Main\n"
       "object Class CThing 0x00118003\ninitialises common controls yes\n"},
      {"an OCX: a library with a user control and its page",
       [] {
         VbImageSpec spec;
         spec.dll = true;
         spec.objects = {VbObject("Grid", testsupport::kVbUserControl),
                         VbObject("PPGrid", testsupport::kVbPropertyPage)};
         return spec;
       },
       "project Project1\nkind ActiveXControl\nruntime MSVBVM60.DLL\nstart none\n"
       "object UserControl Grid 0x001DA003\nobject PropertyPage PPGrid 0x00158003\n"
       "initialises common controls no\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Described(BuildVbImage(row.spec()).image), row.expected);
  }
}

TEST(VbProgramTest, DamagedAndHostileImagesAreRefusedWithTheTableNamed) {
  struct Row {
    const char* name;
    std::function<std::string()> image;
    VbProblem problem;
    const char* fact;
  };
  auto changed = [](std::function<void(BuiltVb&)> change) {
    return [change] {
      BuiltVb built = BuildVbImage(EverythingPlaced());
      change(built);
      return built.image;
    };
  };
  const Row rows[] = {
      {"a C program",
       [] {
         VbImageSpec spec = StartsInForm();
         spec.runtime = "MSVCRT.DLL";
         return BuildVbImage(spec).image;
       },
       VbProblem::NotVisualBasic, "it imports no Visual Basic runtime"},
      {"PE32+", [] { return testsupport::BuildPe(readers::kMachineAmd64, true, {}).image; },
       VbProblem::NotVisualBasic, "not a 32-bit x86 image"},
      {"a VB5! string no stub leads to",
       [] {
         VbImageSpec spec = StartsInForm();
         spec.stub = false;
         return BuildVbImage(spec).image;
       },
       VbProblem::NotVisualBasic, "no VB header behind its entry stub"},
      {"a library whose stubs lead to no header",
       [] {
         VbImageSpec spec = StartsInForm();
         spec.dll = true;
         spec.stub = false;
         return BuildVbImage(spec).image;
       },
       VbProblem::NotVisualBasic, "no VB header behind its entry stub"},
      {"not a PE image", [] { return std::string("MZ but nothing more"); },
       VbProblem::NotVisualBasic, ""},
      {"the project data outside the image",
       changed([](BuiltVb& b) { PutU32(b.image, b.header + 0x30, 0x7FFF0000); }),
       VbProblem::Damaged, "the project data"},
      {"the object table below the image base",
       changed([](BuiltVb& b) { PutU32(b.image, b.projectData + 4, 0x1000); }), VbProblem::Damaged,
       "the object table"},
      {"65535 objects", changed([](BuiltVb& b) { PutU16(b.image, b.objectTable + 0x2A, 0xFFFF); }),
       VbProblem::TooLarge, "the object table"},
      {"two billion Declares",
       changed([](BuiltVb& b) { PutU32(b.image, b.projectData + 0x238, 0x7FFFFFFF); }),
       VbProblem::TooLarge, "the external table"},
      {"a Declare's function outside the image", changed([](BuiltVb& b) {
         const std::uint32_t entry = testsupport::GetU32(b.image, b.externals + 12);
         PutU32(b.image, b.section + entry - b.base - 0x1000 + 4, 0xFFFFFF00);
       }),
       VbProblem::Damaged, "a Declare's function"},
      {"a GUI table entry of no size", changed([](BuiltVb& b) { PutU32(b.image, b.guiTable, 0); }),
       VbProblem::Damaged, "the GUI table"},
      {"a GUI table that loops back to its start",
       changed([](BuiltVb& b) { PutU32(b.image, b.guiTable + 0x50, 0xFFFFFFB0); }),
       VbProblem::Damaged, "the GUI table"},
      {"a component table that loops back to its start", changed([](BuiltVb& b) {
         PutU32(b.image, b.componentTable + testsupport::GetU32(b.image, b.componentTable),
                0u - testsupport::GetU32(b.image, b.componentTable));
         PutU16(b.image, b.header + 0x46, 3);
       }),
       VbProblem::Damaged, "the component table"},
      {"60000 components", changed([](BuiltVb& b) { PutU16(b.image, b.header + 0x46, 60000); }),
       VbProblem::TooLarge, "the component table"},
      {"a form's data of 3 GB",
       changed([](BuiltVb& b) { PutU32(b.image, b.guiTable + 0x40, 0xC0000000); }),
       VbProblem::TooLarge, "the form data of ucButton"},
      {"the file cut in the middle of its tables",
       changed([](BuiltVb& b) { b.image.resize(b.header + 8); }), VbProblem::NotVisualBasic,
       "no VB header behind its entry stub"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const readers::VbReading reading = ReadVbProgram(row.image());
    ASSERT_FALSE(reading.program);
    ASSERT_TRUE(reading.problem);
    EXPECT_EQ(reading.problem->code, row.problem);
    if (*row.fact != '\0') {
      EXPECT_EQ(reading.problem->Fact(0), row.fact);
    }
    EXPECT_FALSE(readers::texts::Words(*reading.problem).empty());
  }
}
