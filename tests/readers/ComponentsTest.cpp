// Components to manifest entries: widl-made type libraries against golden manifests, the
// file names the program finds them by, where miscStatus comes from, and unreadable files.
#include "support/TestSupport.h"

#include "Fixtures.h"
#include "generation/Manifest.h"
#include "readers/Bytes.h"
#include "readers/Components.h"

namespace {

std::string Golden(const std::string& name) {
  return testsupport::ReadBytes(testsupport::SourceFile("tests/golden/" + name));
}

std::string FixtureFolder() {
  const std::string any = testsupport::Fixture("x");
  return any.substr(0, any.size() - 1);
}

} // namespace

TEST(ComponentsTest, TypeLibrariesGiveTheGoldenManifests) {
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
    const auto components = inspect::ReadComponents({testsupport::Fixture(row.component)},
                                                    FixtureFolder(), '/', nullptr);
    EXPECT_EQ(BuildManifestText("1.0.0.0", "App.exe", "Fourteen chars", "X86", {},
                                inspect::FactsOf(components)) +
                  "\r\n",
              Golden(row.golden));
  }
}

TEST(ComponentsTest, FilesAreNamedFromTheProgramsFolder) {
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
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    bool outside = false;
    EXPECT_EQ(inspect::ManifestFileName(row.path, row.folder, row.separator, outside), row.name);
    EXPECT_EQ(outside, row.outside);
  }
}

TEST(ComponentsTest, ControlsTakeTheRegisteredMiscStatusElseVisualBasics) {
  const inspect::TypeLibrary library =
      inspect::ReadTypeLibFile(testsupport::Fixture("Widget32.ocx"));
  const std::string key = "SOFTWARE\\Classes\\CLSID\\{6C1C8C3A-0000-4000-8000-000000000020}"
                          "\\MiscStatus";
  struct Row {
    const char* all;
    const char* content;
    const char* miscStatus;
    const char* miscStatusContent;
    const char* note;
  };
  const Row rows[] = {
      {"", "", "", "recomposeonresize,cantlinkinside,insideout,activatewhenvisible,"
                   "setclientsitefirst",
       "Widget: miscStatus the usual value of Visual Basic controls"},
      {"0", "132497", "", "recomposeonresize,cantlinkinside,insideout,activatewhenvisible,"
                          "invisibleatruntime,setclientsitefirst",
       "Widget: miscStatus as registered on this machine"},
      {"1", "", "recomposeonresize", "recomposeonresize",
       "Widget: miscStatus as registered on this machine"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.content);
    std::vector<std::string> notes;
    const auto facts = inspect::ComponentFactsOf(
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

TEST(ComponentsTest, AComponentThatCannotBeReadIsNamed) {
  for (const std::string name : {"missing.ocx", "App64.exe", "Widget64.dll\\9"}) {
    SCOPED_TRACE(name);
    const std::string path = testsupport::Fixture(name);
    try {
      inspect::ReadComponents({path}, FixtureFolder(), '/', nullptr);
      ADD_FAILURE() << "read";
    } catch (const inspect::FormatError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(path + ": ", 0), 0u) << error.what();
    }
  }
}
