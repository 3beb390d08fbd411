// The inspection end to end: programs that mingw built here with known manifests, and
// programs with their manifest beside them, broken, or missing.
#include "support/TestSupport.h"

#include "readers/Fixtures.h"
#include <functional>
#include <tuple>

#include "readers/Bytes.h"
#include "readers/Inspection.h"
#include "readers/PeConditions.h"
#include "support/FakeFiles.h"
#include "support/PeBuilder.h"

using testsupport::Fixture;

namespace {

const char* const kGoodManifest =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
    "<assemblyIdentity name=\"A\" version=\"1.0.0.0\" processorArchitecture=\"x86\"/>"
    "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
    "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"*\"/>"
    "</dependentAssembly></dependency></assembly>";

std::string ProgramWith(const std::string& manifest, std::uint16_t id = 1) {
  return testsupport::BuildPe(
             readers::kMachineI386, false,
             {{readers::ResourceKey::Id(24), readers::ResourceKey::Id(id), manifest}})
      .image;
}

} // namespace

// The report of each program built here, byte for byte.
TEST(InspectionTest, ReportsWhatBuiltProgramsCarry) {
  for (const char* name : {"App32.exe", "App64.exe", "Plain64.exe"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(readers::ReportText(readers::InspectProgram(Fixture(name))),
              testsupport::Golden(std::string("readers/") + name + ".txt"));
  }
}

// What decides whether --embed can change a program: one line each, and none for a plain one.
TEST(InspectionTest, TellsWhatDecidesEmbedding) {
  using testsupport::PeSectionSpec;
  const PeSectionSpec text{".text", std::string(0x100, '\xCC'), 0x60000020};
  const PeSectionSpec resources{".rsrc", "", 0x40000040, true};
  const PeSectionSpec relocations{".reloc", std::string(12, 'r'), 0x42000040};
  const PeSectionSpec data{".data", std::string(0x80, 'D'), 0xC0000040};
  struct Row {
    const char* name;
    std::vector<PeSectionSpec> sections;
    std::string tail;
    std::function<void(testsupport::BuiltImage&)> change;
    std::string lines;
  };
  const auto none = [](testsupport::BuiltImage&) {};
  const Row rows[] = {
      {"plain", {text, resources}, "", none, ""},
      {"signed",
       {text, resources},
       std::string(16, 'S'),
       [](testsupport::BuiltImage& pe) {
         pe.SetDirectory(4, static_cast<std::uint32_t>(pe.sectionsEnd), 16);
       },
       "Signature: Authenticode, 16 bytes (any change to the program breaks it)\n"},
      // Was: told as a plain signature, which --strip-signature then could not remove whole.
      {"signed, then other data",
       {text, resources},
       std::string(16, 'S') + "extra",
       [](testsupport::BuiltImage& pe) {
         pe.SetDirectory(4, static_cast<std::uint32_t>(pe.sectionsEnd), 16);
       },
       "Signature: Authenticode, 16 bytes (any change to the program breaks it)\n"
       "After the signature: 5 bytes of other data, which no certificate entry accounts for\n"},
      {"certificate entry past the end",
       {text, resources},
       "",
       [](testsupport::BuiltImage& pe) { pe.SetDirectory(4, 0x40E0F0, 0xF359276A); },
       "Signature: none; the header's certificate entry (offset 0x40E0F0, 4082706282 bytes) "
       "lies inside the sections or past the end of the file: damaged, or left so by a "
       "packer\n"},
      {"overlay",
       {text, resources},
       "payload",
       none,
       "Overlay: 7 bytes after the last section (an installer's or self-extractor's data)\n"},
      {"UPX",
       {{"UPX0", "", 0xE0000080}, {"UPX1", std::string(0x40, 'u'), 0xE0000040}, resources},
       "",
       none,
       "Packed: UPX\n"},
      {"Petite",
       {text, {".petite", "stub", 0xE2000060}, resources},
       "",
       none,
       "Packed: Petite, whose stub stops with \"ERROR!\" once the file has changed\n"},
      {"NSIS",
       {text, resources},
       std::string("\0\0\0\0\xEF\xBE\xAD\xDENullsoftInst", 20),
       none,
       "Overlay: 20 bytes after the last section (an installer's or self-extractor's data)\n"
       "Installer: NSIS, which checks a CRC over its whole file: any change stops it\n"},
      {".NET",
       {text, resources},
       "",
       [](testsupport::BuiltImage& pe) { pe.SetDirectory(14, 0x1000, 72); },
       ".NET: an assembly (it has a CLR header)\n"},
      {"stale checksum",
       {text, resources},
       "",
       [](testsupport::BuiltImage& pe) {
         testsupport::PutU32(pe.image, pe.optionalOffset + 64, 1);
       },
       "Checksum: 0x1, but the file sums to 0x"},
      {".reloc after",
       {text, resources, relocations},
       "",
       none,
       "Resources: section .rsrc, followed only by discardable sections (first .reloc), which "
       "can move\n"},
      {".data after",
       {text, resources, data},
       "",
       none,
       "Resources: section .rsrc, followed by .data: a larger resource directory needs a new "
       "section\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::PeSpec spec;
    spec.sections = row.sections;
    spec.resources = {{readers::ResourceKey::Id(3), readers::ResourceKey::Id(1), "icon"}};
    spec.tail = row.tail;
    testsupport::BuiltImage pe = testsupport::BuildImage(spec);
    row.change(pe);
    const std::string report =
        readers::ReportText(readers::InspectImage("App.exe", pe.image, std::nullopt));
    const std::size_t first = report.find('\n') + 1;
    const std::string lines = report.substr(first, report.find("Manifest: ") - first);
    EXPECT_EQ(lines.substr(0, row.lines.size()), row.lines);
    EXPECT_EQ(lines.size() == row.lines.size(), row.name != std::string("stale checksum"));
  }
  // A checksum that matches is told too.
  testsupport::PeSpec spec;
  spec.sections = {text};
  testsupport::BuiltImage pe = testsupport::BuildImage(spec);
  const std::uint32_t sum = readers::PeChecksum(pe.image, pe.optionalOffset + 64);
  testsupport::PutU32(pe.image, pe.optionalOffset + 64, sum);
  EXPECT_NE(readers::ReportText(readers::InspectImage("App.exe", pe.image, std::nullopt))
                .find("Checksum: set, matches the file\n"),
            std::string::npos);
}

// The manifest Windows reads for the file's kind: ID 1 of a program, ID 2 of a library; the
// others named with their languages. Was: a library's old ID 1 read after --embed added ID 2.
TEST(InspectionTest, ReadsTheManifestWindowsReadsForTheKind) {
  const std::string size = std::to_string(std::string(kGoodManifest).size()) + " bytes)\n";
  const std::tuple<bool, std::vector<std::uint16_t>, std::string> rows[] = {
      {true, {1, 2}, "ID 2 (" + size + "Other manifests, not read: ID 1, language 1033\n"},
      {false, {1, 2}, "ID 1 (" + size + "Other manifests, not read: ID 2, language 1033\n"},
      {true, {1}, "ID 1 (" + size},
  };
  const std::string manifest = "Manifest: embedded, resource type 24 ";
  for (const auto& [dll, ids, lines] : rows) {
    SCOPED_TRACE(lines);
    testsupport::PeSpec spec;
    spec.dll = dll;
    spec.sections = {{".rsrc", "", 0x40000040, true}};
    for (std::uint16_t id : ids)
      spec.resources.push_back(
          {readers::ResourceKey::Id(24), readers::ResourceKey::Id(id), kGoodManifest});
    const std::string report = readers::ReportText(
        readers::InspectImage("App", testsupport::BuildImage(spec).image, std::nullopt));
    const std::size_t at = report.find(manifest) + manifest.size();
    EXPECT_EQ(report.substr(at, report.find("Identity: ") - at), lines);
    EXPECT_EQ(report.find("Warning: the manifest is resource ID 1, but Windows reads a library's "
                          "manifest from ID 2.\n") != std::string::npos,
              dll && ids.size() == 1);
  }
}

class InspectFilesTest : public testsupport::TempDirTest {};

TEST_F(InspectFilesTest, SummarizesWhereTheManifestComesFrom) {
  struct Row {
    const char* what;
    std::string program;  ///< "" for no file at all
    const char* external; ///< nullptr for none
    readers::ProgramState state;
    const char* summary;
  };
  const std::string plain = testsupport::BuildPe(readers::kMachineI386, false, {}).image;
  const Row rows[] = {
      {"embedded", ProgramWith(kGoodManifest), nullptr, readers::ProgramState::Manifest,
       "App.exe carries a manifest now: visual styles on."},
      {"external", plain, kGoodManifest, readers::ProgramState::Manifest,
       "App.exe carries a manifest now (App.exe.manifest beside it): visual styles on."},
      {"both", ProgramWith(kGoodManifest), "<assembly/>", readers::ProgramState::Manifest,
       "App.exe carries a manifest now: visual styles on. Warning: App.exe carries a manifest "
       "and App.exe.manifest stands beside it: Windows uses the embedded one and ignores the "
       "file."},
      {"ID 2", ProgramWith(kGoodManifest, 2), nullptr, readers::ProgramState::Manifest,
       "App.exe carries a manifest now: visual styles on. Warning: the manifest is resource ID "
       "2, but Windows reads a program's manifest from ID 1."},
      {"malformed", ProgramWith("<assembly>"), nullptr, readers::ProgramState::Manifest,
       "App.exe carries a manifest now. Warning: the manifest is not well-formed XML (line 1: "
       "'assembly' is not closed): Windows refuses to start the program."},
      {"none", plain, nullptr, readers::ProgramState::NoManifest, "App.exe carries no manifest."},
      {"garbage", "MZ garbage", nullptr, readers::ProgramState::Unreadable,
       "App.exe cannot be read as a PE file: the MZ header at offset 0x3C (4 bytes) runs past "
       "the end of the file (10 bytes)."},
      {"a text file", "Hello", kGoodManifest, readers::ProgramState::Unreadable,
       "App.exe cannot be read as a PE file: no MZ header: not a program or library."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = Path(row.what);
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/App.exe";
    testsupport::WriteBytes(program, row.program);
    if (row.external)
      testsupport::WriteBytes(program + ".manifest", row.external);
    const readers::Inspection inspection = readers::InspectProgram(program);
    EXPECT_EQ(inspection.state, row.state);
    EXPECT_EQ(inspection.external, std::string(row.what) == "external");
    EXPECT_EQ(readers::DescribeProgram(program), row.summary);
  }
}

TEST_F(InspectFilesTest, AMissingFileIsUnreadable) {
  const readers::Inspection result = readers::InspectProgram(Path("Gone.exe"));
  EXPECT_EQ(result.state, readers::ProgramState::Unreadable);
  EXPECT_EQ(result.fileName, "Gone.exe");
  EXPECT_TRUE(result.problem);
}

// The component files a manifest lists, as the program beside them finds them; and the
// warning of a program whose manifest leaves visual styles off.
TEST_F(InspectFilesTest, ChecksTheFilesBesideTheProgram) {
  const auto listing = [](const std::string& file, const std::string& version) {
    return std::string(
               "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
               "<assemblyIdentity name=\"A\" version=\"1.0.0.0\" processorArchitecture=\"x86\"/>\n"
               "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
               "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
               "processorArchitecture=\"*\"/></dependentAssembly></dependency>\n<file name=\"") +
           file + "\">\n<typelib tlbid=\"{6C1C8C3A-0000-4000-8000-000000000001}\" version=\"" +
           version + "\" helpdir=\"\"/>\n</file>\n</assembly>";
  };
  struct Row {
    const char* what;
    std::string manifest;
    const char* file;    ///< the name the fixture gets beside the program
    const char* fixture; ///< nullptr for no file there
    const char* warnings;
  };
  const Row rows[] = {
      {"as listed", listing("Widget.ocx", "1.2"), "Widget.ocx", "Widget32.ocx", ""},
      {"a type library file", listing("Widget.tlb", "1.2"), "Widget.tlb", "Widget32.tlb", ""},
      {"missing", listing("Widget.ocx", "1.2"), "Widget.ocx", nullptr,
       "line 4: Widget.ocx, which the manifest lists, is not beside the program: creating its "
       "COM classes fails.\n"},
      {"another version", listing("Widget.ocx", "1.0"), "Widget.ocx", "Widget32.ocx",
       "line 4: Widget.ocx holds type library {6C1C8C3A-0000-4000-8000-000000000001} version "
       "1.2, but the manifest names {6C1C8C3A-0000-4000-8000-000000000001} version 1.0: the "
       "manifest describes another build of the file.\n"},
      {"another machine", listing("Widget.dll", "1.2"), "Widget.dll", "Widget64.dll",
       "line 4: Widget.dll is built for x64 and the program for x86: Windows cannot load it "
       "into the program.\n"},
      {"no type library", listing("Widget.ocx", "1.2"), "Widget.ocx", "App32.exe",
       "line 4: Widget.ocx holds no type library that can be read: no TYPELIB resource 1.\n"},
      {"no visual styles",
       "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
       "<assemblyIdentity name=\"A\" version=\"1.0.0.0\"/></assembly>",
       "", nullptr, "the manifest has no Common Controls 6 dependency: visual styles are off.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = Path(row.what);
    std::filesystem::create_directories(folder);
    testsupport::WriteBytes(folder + "/App.exe", ProgramWith(row.manifest));
    if (row.fixture)
      std::filesystem::copy_file(Fixture(row.fixture), folder + "/" + row.file);
    std::string warnings;
    for (const std::string& warning : readers::InspectProgram(folder + "/App.exe").warnings)
      warnings += warning + "\n";
    EXPECT_EQ(warnings, row.warnings);
  }
}

// The readers on the in-memory file system: what they read comes through the file port,
// and what cannot be read is said, not thrown.
TEST(ReadersOnFakeFilesTest, ReadThroughTheFilePort) {
  const std::string exe = "C:\\App\\App.exe";
  const std::string manifest = exe + ".manifest";
  struct Row {
    const char* what;
    std::function<void(fakes::Files&)> arrange;
    std::uint16_t machine;
    const char* warning; ///< about the manifest beside it; "" for none
  };
  const Row rows[] = {
      {"no program", [](fakes::Files&) {}, 0, ""},
      {"a program", [&](fakes::Files& f) { f.AddFile(exe, ProgramWith(kGoodManifest)); },
       readers::kMachineI386, ""},
      {"its manifest locked",
       [&](fakes::Files& f) {
         f.AddFile(exe, ProgramWith(kGoodManifest));
         f.AddFile(manifest, kGoodManifest);
         f.lockedPaths.insert(manifest);
       },
       readers::kMachineI386,
       "App.exe.manifest stands beside it but cannot be read: The process cannot access the "
       "file because it is being used by another process.."},
      {"the program locked",
       [&](fakes::Files& f) {
         f.AddFile(exe, ProgramWith(kGoodManifest));
         f.lockedPaths.insert(exe);
       },
       0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fakes::Files files;
    row.arrange(files);
    EXPECT_EQ(readers::ProgramMachine(exe, files), row.machine);
    const readers::Inspection result = readers::InspectProgram(exe, files);
    EXPECT_EQ(result.state == readers::ProgramState::Unreadable, row.machine == 0);
    const std::string last = result.warnings.empty() ? "" : result.warnings.back();
    EXPECT_EQ(last, row.warning);
  }
}

// What Visual Basic recorded, after the program's own lines: every name, long lists wrapped,
// each user control on a line of its own, each OCX file once; and one sentence for a window.
TEST(InspectionTest, ReportsWhatVisualBasicRecorded) {
  using readers::VbObjectKind;
  readers::Inspection in;
  in.state = readers::ProgramState::NoManifest;
  in.fileName = "Ledger.exe";
  in.machine = readers::kMachineI386;
  readers::VbProgram vb;
  vb.projectName = "Ledger";
  vb.runtime = "MSVBVM60.DLL";
  vb.startsInSubMain = true;
  vb.objects = {{"modMain", VbObjectKind::Module},      {"frmMain", VbObjectKind::MdiForm},
                {"ctlGrid", VbObjectKind::UserControl}, {"clsOrder", VbObjectKind::Class},
                {"frmAbout", VbObjectKind::Form},       {"ctlButton", VbObjectKind::UserControl},
                {"ppgGrid", VbObjectKind::PropertyPage}};
  vb.declares = {{"kernel32", "Sleep"}, {"comctl32.dll", "InitCommonControlsEx"}};
  vb.initialisesCommonControls = true;
  vb.components = {{"MSCOMCTL.OCX", "{A}", "", "MSComctlLib.ListViewCtrl", {"frmMain"}},
                   {"mscomctl.ocx", "{B}", "", "MSComctlLib.TreeCtrl", {"frmMain", "frmAbout"}},
                   {"", "{C}", "", "", {"ctlGrid"}}};
  in.visualBasic = vb;
  const std::string head = "Ledger.exe: PE32 program, machine x86\nManifest: none\n";
  EXPECT_EQ(readers::ReportText(in),
            head + "Visual Basic: project Ledger (Standard EXE), runtime MSVBVM60.DLL\n"
                   "Start: Sub Main\n"
                   "Forms (2): frmMain (MDI), frmAbout\n"
                   "UserControl: ctlGrid\n"
                   "UserControl: ctlButton\n"
                   "Classes (1): clsOrder\n"
                   "Modules (1): modMain\n"
                   "Property pages (1): ppgGrid\n"
                   "OCX file: MSCOMCTL.OCX, on frmMain, frmAbout\n"
                   "OCX file: not recorded for {C}, on ctlGrid\n"
                   "Common controls: initialised (Declare of InitCommonControlsEx in "
                   "comctl32.dll)\n");
  EXPECT_EQ(readers::Summary(in), "Ledger.exe carries no manifest. Visual Basic project Ledger: "
                                  "2 forms, 2 user controls.");

  vb.kind = readers::VbProjectKind::ActiveXExe;
  vb.startsInSubMain = false;
  // A name from the program's bytes never starts a line of its own.
  vb.startupForm = "frmOrdersAndInvoices\nWarning: none";
  vb.declares.clear();
  vb.initialisesCommonControls = false;
  vb.components.clear();
  vb.objects.clear();
  for (int i = 10; i < 24; ++i)
    vb.objects.push_back({"modHelpers" + std::to_string(i), VbObjectKind::Module});
  in.visualBasic = vb;
  in.warnings = {"a warning"};
  EXPECT_EQ(readers::ReportText(in),
            head + "Visual Basic: project Ledger (ActiveX EXE), runtime MSVBVM60.DLL\n"
                   "Start: the form frmOrdersAndInvoices<0x0A>Warning: none\n"
                   "Modules (14): modHelpers10, modHelpers11, modHelpers12, modHelpers13, "
                   "modHelpers14, modHelpers15,\n"
                   "  modHelpers16, modHelpers17, modHelpers18, modHelpers19, modHelpers20, "
                   "modHelpers21, modHelpers22,\n"
                   "  modHelpers23\n"
                   "Common controls: never initialised (no Declare of InitCommonControls or "
                   "InitCommonControlsEx)\n"
                   "Warning: a warning\n");
}
