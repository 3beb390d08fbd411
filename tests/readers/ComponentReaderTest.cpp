// Components to manifest entries: widl-made type libraries against golden manifests, the
// file names the program finds them by, where miscStatus comes from, and unreadable files;
// where the components a built program places are found.
#include "support/TestSupport.h"
#include "support/FakeFiles.h"
#include "support/PeBuilder.h"

#include <tuple>

#include "Fixtures.h"
#include "base/Path.h"
#include "generation/Manifest.h"
#include "readers/Bytes.h"
#include "readers/ComponentReader.h"
#include "readers/PeImage.h"
#include "readers/UsedComponents.h"
#include "platform/Platform.h"

namespace {

using testsupport::Golden;

std::string FixtureFolder() {
  const std::string any = testsupport::Fixture("x");
  return any.substr(0, any.size() - 1);
}

} // namespace

TEST(ComponentReaderTest, TypeLibrariesGiveTheGoldenManifests) {
  struct Row {
    const char* component;
    const char* golden;
  };
  const Row rows[] = {
      {"Calc.tlb", "App-com-calc.exe.manifest"},
      {"Widget32.ocx", "App-com-control.exe.manifest"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.component);
    const auto components = readers::ReadComponents({testsupport::Fixture(row.component)},
                                                    FixtureFolder(), '/', nullptr);
    EXPECT_EQ(generation::BuildManifestText("1.0.0.0", "App.exe", "Fourteen chars", "X86", {},
                                            readers::FactsOf(components)) +
                  "\r\n",
              Golden(row.golden));
  }
}

TEST(ComponentReaderTest, FilesAreNamedFromTheProgramsFolder) {
  struct Row {
    const char* path;
    const char* folder;
    char separator;
    const char* name;
    bool outside;
  };
  const Row rows[] = {
      {"C:\\App\\calc.dll", "C:\\App\\", '\\', "calc.dll", false},
      {"c:\\app\\Sub\\X.ocx", "C:\\App", '\\', "Sub\\X.ocx", false},
      {"C:\\Apps\\x.ocx", "C:\\App\\", '\\', "x.ocx", true},
      {"C:\\Windows\\System32\\x.ocx", "C:\\App\\", '\\', "x.ocx", true},
      {"/srv/app/lib/x.dll", "/srv/app", '/', "lib\\x.dll", false},
      {"/srv/other/x.dll", "/srv/app/", '/', "x.dll", true},
      {"/srv/app/../other/x.dll", "/srv/app", '/', "x.dll", true},
      {"C:\\App\\..\\Lib\\x.ocx", "C:\\App\\", '\\', "x.ocx", true},
      {"C:\\App\\Sub\\..\\x.ocx", "C:\\App", '\\', "x.ocx", false},
      {"/srv/app/./lib//x.dll", "/srv/app/", '/', "lib\\x.dll", false},
      {"/srv/app/x.dll", "/srv/app/lib/..", '/', "x.dll", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    bool outside = false;
    EXPECT_EQ(readers::ManifestFileName(row.path, row.folder, row.separator, outside), row.name);
    EXPECT_EQ(outside, row.outside);
  }
}

TEST(ComponentReaderTest, ControlsTakeTheRegisteredMiscStatusElseVisualBasics) {
  const readers::TypeLibrary library =
      readers::ReadTypeLibFile(testsupport::Fixture("Widget32.ocx"));
  const std::string key = "SOFTWARE\\Classes\\CLSID\\{6C1C8C3A-0000-4000-8000-000000000020}"
                          "\\MiscStatus";
  struct Row {
    const char* all;
    const char* content;
    const char* miscStatus;
    const char* miscStatusContent;
    const char* note;
  };
  // clang-format off
  const Row rows[] = {
      {"", "", "", "recomposeonresize,cantlinkinside,insideout,activatewhenvisible,"
                   "setclientsitefirst",
       "Widget: miscStatus the usual value of Visual Basic controls"},
      {"0", "132497", "", "recomposeonresize,cantlinkinside,insideout,activatewhenvisible,"
                          "invisibleatruntime,setclientsitefirst",
       "Widget: miscStatus as registered on this machine"},
      {"1", "", "recomposeonresize", "recomposeonresize",
       "Widget: miscStatus as registered on this machine"},
      {"4294967297", "", "", "recomposeonresize,cantlinkinside,insideout,activatewhenvisible,"
                             "setclientsitefirst",
       "Widget: miscStatus the usual value of Visual Basic controls"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.all) + " " + row.content);
    std::vector<std::string> notes;
    const auto facts = readers::ComponentFactsOf(
        library, "w.ocx",
        [&](const std::string& subKey) {
          return std::string(subKey == key ? row.all : subKey == key + "\\1" ? row.content : "");
        },
        notes);
    ASSERT_EQ(facts.classes.size(), 1u);
    EXPECT_EQ(facts.classes[0].miscStatus, row.miscStatus);
    EXPECT_EQ(facts.classes[0].miscStatusContent, row.miscStatusContent);
    EXPECT_EQ(notes, std::vector<std::string>{row.note});
  }
}

TEST(ComponentReaderTest, AComponentThatCannotBeReadIsNamed) {
  for (const std::string name : {"missing.ocx", "App64.exe", "Widget64.dll\\9"}) {
    SCOPED_TRACE(name);
    const std::string path = testsupport::Fixture(name);
    try {
      readers::ReadComponents({path}, FixtureFolder(), '/', nullptr);
      ADD_FAILURE() << "read";
    } catch (const readers::FormatError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(path + ": ", 0), 0u) << error.what();
    }
  }
}

TEST(ComponentReaderTest, AComponentOfAnotherMachineThanTheProgramIsRefused) {
  struct Row {
    const char* component;
    const char* program; ///< a fixture, or a file that is not there
    const char* refusal; ///< after the path; "" when it is taken
  };
  const Row rows[] = {
      {"Widget32.ocx", "App64.exe",
       ": built for x86, but the program is built for x64: a component loads in process only "
       "into a program of its own machine"},
      {"Widget64.dll", "App32.exe",
       ": built for x64, but the program is built for x86: a component loads in process only "
       "into a program of its own machine"},
      {"Widget32.ocx", "App32.exe", ""},
      {"Widget64.dll", "Plain64.exe", ""},
      // A type library alone has no machine; a program not built yet refuses nothing.
      {"Widget.tlb", "App32.exe", ""},
      {"Widget32.ocx", "NotBuilt.exe", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.component) + " in " + row.program);
    const std::string path = testsupport::Fixture(row.component);
    const std::uint16_t machine = readers::ProgramMachine(testsupport::Fixture(row.program));
    try {
      readers::ReadComponents({path}, FixtureFolder(), '/', nullptr, machine);
      EXPECT_EQ(std::string(row.refusal), "");
    } catch (const readers::ComponentRefused& refused) {
      EXPECT_EQ(refused.what(), path + row.refusal);
    }
  }
  EXPECT_EQ(readers::ProgramMachine(testsupport::Fixture("App64.exe")), readers::kMachineAmd64);
  EXPECT_EQ(readers::ProgramMachine(testsupport::Fixture("App32.exe")), readers::kMachineI386);
  EXPECT_EQ(readers::ProgramMachine(testsupport::Fixture("Widget.tlb")), 0);
}

TEST(ComponentReaderTest, PathsLoseDotsAsText) {
  struct Row {
    const char* path;
    char separator;
    const char* lexical;
  };
  const Row rows[] = {
      {"/a/./b//c/../d", '/', "/a/b/d"},
      {"/../a", '/', "/a"},
      {"a/../../b", '/', "../b"},
      {"./", '/', "."},
      {"C:\\App\\..\\..\\x.ocx", '\\', "C:\\x.ocx"},
      {"c:/App/Sub/../x.ocx", '\\', "c:\\App\\x.ocx"},
      {"\\\\server\\share\\.\\x.ocx", '\\', "\\\\server\\share\\x.ocx"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(path::Lexical(row.path, path::StyleOf(row.separator)), row.lexical);
  }
}

class ComponentFilesTest : public testsupport::TempDirTest {
protected:
  std::string ManifestOf(const std::vector<readers::Component>& components) {
    return generation::BuildManifestText("1.0.0.0", "App.exe", "", "X86", {},
                                         readers::FactsOf(components));
  }
};

// One file under several names is listed once; a second file with the same type library
// and classes adds nothing; another resource of the same file is a library of its own.
TEST_F(ComponentFilesTest, EachFileAndClassIsListedOnce) {
  std::filesystem::create_directories(dir_ / "prog" / "sub");
  std::filesystem::copy_file(testsupport::Fixture("Widget32.ocx"), dir_ / "prog" / "x.ocx");
  std::filesystem::copy_file(testsupport::Fixture("Widget64.dll"), dir_ / "prog" / "w.dll");
  std::filesystem::copy_file(testsupport::Fixture("Widget.tlb"), dir_ / "prog" / "w.tlb");
  std::filesystem::current_path(dir_ / "prog");
  const std::string folder = Path("prog/");
  const std::string single = ManifestOf(readers::ReadComponents({"x.ocx"}, folder, '/', nullptr));
  struct Row {
    std::vector<std::string> paths;
    std::vector<std::string> listed; ///< the paths that give a <file>
    std::vector<std::string> notes;
    std::size_t miscStatusNotes; ///< of notes, those on where miscStatus came from
  };
  const std::string absolute = folder + "x.ocx";
  const Row rows[] = {
      {{"x.ocx", "./x.ocx", "sub/../x.ocx", absolute, "./x.ocx"},
       {"x.ocx"},
       {"Widget: miscStatus the usual value of Visual Basic controls",
        "./x.ocx names the same file as x.ocx: it is listed once",
        "sub/../x.ocx names the same file as x.ocx: it is listed once",
        absolute + " names the same file as x.ocx: it is listed once"},
       1},
      {{"w.dll", "w.tlb", "w.dll\\2"},
       {"w.dll", "w.dll\\2"},
       {"Widget: miscStatus the usual value of Visual Basic controls",
        "Widget: miscStatus the usual value of Visual Basic controls",
        "w.tlb: class Widget {6C1C8C3A-0000-4000-8000-000000000020} is listed already with "
        "w.dll: left out here",
        "w.tlb: its type library and classes are listed already: it adds nothing to the "
        "manifest"},
       2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.paths.front());
    const auto components = readers::ReadComponents(row.paths, folder, '/', nullptr);
    std::vector<std::string> listed;
    std::vector<std::string> notes;
    std::vector<std::string> miscStatusNotes;
    for (const readers::Component& component : components) {
      if (component.listed)
        listed.push_back(component.path);
      notes.insert(notes.end(), component.notes.begin(), component.notes.end());
      miscStatusNotes.insert(miscStatusNotes.end(), component.miscStatusNotes.begin(),
                             component.miscStatusNotes.end());
    }
    EXPECT_EQ(listed, row.listed);
    EXPECT_EQ(notes, row.notes);
    EXPECT_EQ(miscStatusNotes, std::vector<std::string>(row.miscStatusNotes, row.notes.front()));
  }
  EXPECT_EQ(ManifestOf(readers::ReadComponents(rows[0].paths, folder, '/', nullptr)), single);
}

// A project naming one control 100,000 times gives the manifest of one line.
TEST_F(ComponentFilesTest, AProjectNamingAFileAgainGivesItOnce) {
  std::filesystem::copy_file(testsupport::Fixture("Widget32.ocx"), dir_ / "x.ocx");
  const std::string line = "Object={6C1C8C3A-0000-4000-8000-000000000001}#1.0#0; x.ocx\r\n";
  std::string many = "Type=Exe\r\n";
  for (int i = 0; i < 100000; ++i)
    many += i % 2 ? line : "Object={6C1C8C3A-0000-4000-8000-000000000001}#1.0#0; .\\x.ocx\r\n";
  testsupport::WriteBytes(dir_ / "one.vbp", "Type=Exe\r\n" + line);
  testsupport::WriteBytes(dir_ / "many.vbp", many);
  std::vector<std::string> notes;
  // The system's separator: read by POSIX rules, the backslashes of a Windows temporary
  // folder separate nothing.
  const char separator = platform::PathSeparator();
  const auto one = readers::ProjectComponentPaths(Path("one.vbp"), separator, notes);
  EXPECT_TRUE(notes.empty());
  const auto paths = readers::ProjectComponentPaths(Path("many.vbp"), separator, notes);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(notes, std::vector<std::string>{"line 3: left out, the same file as line 2 (and so "
                                            "are 99998 more lines)"});
  EXPECT_EQ(ManifestOf(readers::ReadComponents(paths, Path(), separator, nullptr)),
            ManifestOf(readers::ReadComponents(one, Path(), separator, nullptr)));
}

// A project's components found through the file port, on the in-memory file system.
TEST(ProjectComponentsOnFakeFilesTest, FoundInTheProjectsFolderOrNamed) {
  const std::string vbp = "C:\\P\\App.vbp";
  struct Row {
    const char* what;
    bool present;
    std::string expected; ///< the path, or the error
  };
  const Row rows[] = {
      {"beside the project", true, "C:\\P\\x.ocx"},
      {"missing", false, "C:\\P\\App.vbp: line 2: x.ocx not found"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fakes::Files files;
    files.AddFile(vbp,
                  "Type=Exe\r\nObject={6C1C8C3A-0000-4000-8000-000000000001}#1.0#0; x.ocx\r\n");
    if (row.present)
      files.AddFile("C:\\P\\x.ocx", "MZ");
    std::vector<std::string> notes;
    std::string got;
    try {
      const auto paths = readers::ProjectComponentPaths(vbp, '\\', notes, files);
      got = paths.size() == 1 ? paths[0] : "paths: " + std::to_string(paths.size());
    } catch (const readers::FormatError& error) {
      got = error.what();
    }
    EXPECT_EQ(got, row.expected);
  }
}

// A file's identity from the port alone: its canonical name, else the port's current folder.
TEST(ProjectComponentsOnFakeFilesTest, IdentityFromThePort) {
  fakes::Files files;
  files.currentDirectory = "C:\\Work";
  files.AddFile("C:\\P\\X.ocx", "MZ");
  const std::pair<const char*, const char*> rows[] = {
      {"C:\\P\\X.ocx", "c:\\p\\x.ocx"},
      {"sub\\..\\y.ocx", "c:\\work\\y.ocx"},
      {"C:\\P\\.\\z.ocx", "c:\\p\\z.ocx"},
  };
  for (const auto& [path, identity] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(readers::FileIdentity(files, path, '\\'), identity);
  }
}

// The components a built program places, looked for beside it and in the folder given: the
// paths found, then " / " and each file not found, named with the class ids it needs.
TEST(UsedComponentsOnFakeFilesTest, FoundBesideTheProgramOrInTheFolderElseNamed) {
  struct Row {
    const char* what;
    std::vector<std::pair<const char*, const char*>> components; ///< file name, class id
    std::vector<const char*> disk;
    const char* folder;
    std::string expected;
  };
  const std::string left = " left out of the manifest and must be registered";
  const Row rows[] = {
      {"beside",
       {{"MSCOMCTL.OCX", "{A}"}},
       {"C:\\App\\MSCOMCTL.OCX"},
       "",
       "C:\\App\\MSCOMCTL.OCX / "},
      {"in the folder", {{"X.ocx", "{A}"}}, {"C:\\Lib\\X.ocx"}, "C:\\Lib", "C:\\Lib\\X.ocx / "},
      {"beside first",
       {{"X.ocx", "{A}"}},
       {"C:\\Lib\\X.ocx", "C:\\App\\X.ocx"},
       "C:\\Lib\\",
       "C:\\App\\X.ocx / "},
      {"case differs",
       {{"mscomctl.ocx", "{A}"}, {"Y.OCX", "{B}"}},
       {"C:\\App\\MSCOMCTL.OCX", "C:\\Lib\\y.ocx"},
       "C:\\Lib",
       "C:\\App\\MSCOMCTL.OCX|C:\\Lib\\y.ocx / "},
      {"a folder recorded",
       {{"C:\\VB\\X.OCX", "{A}"}},
       {"C:\\App\\X.OCX"},
       "",
       "C:\\App\\X.OCX / "},
      {"not found",
       {{"X.ocx", "{A}"}},
       {},
       "C:\\Lib",
       " / X.ocx not found beside the program or in C:\\Lib: class {A} is" + left},
      {"duplicates",
       {{"X.ocx", "{A}"}, {"x.OCX", "{B}"}, {"X.ocx", "{A}"}},
       {"C:\\App\\X.ocx"},
       "",
       "C:\\App\\X.ocx / "},
      {"duplicates missing",
       {{"X.ocx", "{A}"}, {"x.OCX", "{B}"}, {"X.ocx", "{A}"}},
       {},
       "",
       " / X.ocx not found beside the program: classes {A}, {B} are" + left},
      {"no name",
       {{"", "{C}"}, {"Z.ocx", ""}},
       {},
       "",
       " / a component whose file the program does not name: class {C} is" + left +
           "|Z.ocx not found beside the program: it is" + left},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fakes::Files files;
    for (const char* path : row.disk)
      files.AddFile(path, "MZ");
    std::vector<readers::VbComponent> components(row.components.size());
    for (std::size_t i = 0; i < components.size(); ++i)
      std::tie(components[i].fileName, components[i].classId) = row.components[i];
    const readers::UsedComponents used =
        readers::FindUsedComponents(components, "C:\\App\\App.exe", row.folder, files);
    std::string got;
    for (const std::string& path : used.paths)
      got += (got.empty() ? "" : "|") + path;
    got += " / ";
    for (std::size_t i = 0; i < used.missing.size(); ++i)
      got += (i == 0 ? "" : "|") + used.missing[i];
    EXPECT_EQ(got, row.expected);
  }
  // A program Visual Basic did not build records none; one that cannot be read finds none,
  // and the way says why.
  fakes::Files files;
  files.AddFile("C:\\App\\C.exe", testsupport::BuildPe(readers::kMachineI386, false, {}).image);
  EXPECT_FALSE(readers::UsedComponentsOf("C:\\App\\C.exe", "", files));
  const auto unreadable = readers::UsedComponentsOf("C:\\App\\None.exe", "", files);
  ASSERT_TRUE(unreadable);
  EXPECT_TRUE(unreadable->paths.empty() && unreadable->missing.empty());
  EXPECT_EQ(readers::NoRecordedComponents("C.exe"),
            "C.exe was not built by Visual Basic: it records no components to look for; name "
            "each one");
}
