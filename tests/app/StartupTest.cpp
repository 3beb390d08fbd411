// Start-up: Common Controls, then the compiler locator with its sources in order and its
// dialog loop.
#include "Fakes.h"

#include "app/Themefold.h"

using app::Buttons;
using app::Icon;

namespace {

const std::string kVbKey =
    "Software\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual Basic\\|ProductDir";
const std::string kStoredKey = "Themefold/General/RC.EXE";

class Library : public themefold::CommonControlsLibrary {
public:
  bool present = true;
  std::vector<std::pair<int, int>> records;
  bool InitCommonControlsEx(const themefold::tagInitCommonControlsEx& iccex) override {
    if (present)
      records.emplace_back(iccex.lngSize, iccex.lngICC);
    return present;
  }
};

} // namespace

TEST(StartupTest, MainInitialisesCommonControlsThenLocatesTheCompiler) {
  fakes::World world;
  world.files.AddFile("C:\\Tool\\rc.exe", "MZ");
  Library library;
  themefold::Main(library, world.services);

  ASSERT_EQ(library.records.size(), 1u);
  EXPECT_EQ(library.records[0], std::make_pair(8, 0x200));
  EXPECT_EQ(sizeof(themefold::tagInitCommonControlsEx), 8u);
  EXPECT_EQ(world.program.mainWindowsShown, 1);
  EXPECT_EQ(world.program.ended, 0);
  EXPECT_TRUE(world.boxes.shown.empty());
}

TEST(StartupTest, MissingEntryPointEndsBeforeAnythingIsReadOrWritten) {
  fakes::World world;
  world.settings.values[kStoredKey] = "C:\\Tool\\rc.exe";
  world.files.AddFile("C:\\Tool\\rc.exe", "MZ");
  Library library;
  library.present = false;
  themefold::Main(library, world.services);

  ASSERT_EQ(world.boxes.shown.size(), 1u);
  EXPECT_EQ(world.boxes.shown[0].text, "Initialization error!");
  EXPECT_EQ(world.boxes.shown[0].icon, Icon::Critical);
  EXPECT_EQ(world.boxes.shown[0].buttons, Buttons::Ok);
  EXPECT_EQ(world.program.ended, 1);
  EXPECT_EQ(world.program.mainWindowsShown, 0);
  EXPECT_TRUE(world.settings.writes.empty());
  EXPECT_TRUE(world.dialog.calls.empty());
}

TEST(LocatorTest, SourcesAreTriedInOrder) {
  struct Row {
    const char* name;
    std::string registry;            ///< ProductDir, "" = missing
    std::string stored;              ///< the RC.EXE setting, "" = missing
    std::vector<std::string> exists; ///< files on disk
    std::string expected;
  };
  // clang-format off
  const Row rows[] = {
      {"registry folder without backslash", "C:\\VB98", "D:\\stored\\rc.exe",
       {"C:\\VB98\\Wizards\\RC.EXE", "D:\\stored\\rc.exe", "C:\\Tool\\rc.exe"},
       "C:\\VB98\\Wizards\\RC.EXE"},
      {"registry folder with backslash", "C:\\VB98\\", "",
       {"C:\\VB98\\Wizards\\RC.EXE"}, "C:\\VB98\\Wizards\\RC.EXE"},
      {"registry folder without the compiler falls to the setting", "C:\\VB98",
       "D:\\stored\\rc.exe", {"D:\\stored\\rc.exe", "C:\\Tool\\rc.exe"}, "D:\\stored\\rc.exe"},
      {"stored file of any name is taken unchanged", "", "D:\\tools\\MyCompiler.EXE",
       {"D:\\tools\\MyCompiler.EXE", "C:\\Tool\\rc.exe"}, "D:\\tools\\MyCompiler.EXE"},
      {"stored file gone falls to the bundled one", "", "D:\\gone\\rc.exe",
       {"C:\\Tool\\rc.exe"}, "C:\\Tool\\rc.exe"},
      {"nothing but the bundled one", "", "", {"C:\\Tool\\rc.exe"}, "C:\\Tool\\rc.exe"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::World world;
    if (!row.registry.empty())
      world.registry.values[kVbKey] = row.registry;
    if (!row.stored.empty())
      world.settings.values[kStoredKey] = row.stored;
    for (const std::string& path : row.exists)
      world.files.AddFile(path, "MZ");
    globals::RcExePath.clear();
    globals::LocateResourceCompiler(world.services);

    EXPECT_EQ(globals::RcExePath, row.expected);
    EXPECT_EQ(world.settings.writes, std::vector<std::string>{kStoredKey + "=" + row.expected})
        << "rewritten on every run, whichever source gave it";
    EXPECT_TRUE(world.dialog.calls.empty());
    EXPECT_TRUE(world.boxes.shown.empty());
    EXPECT_EQ(world.program.mainWindowsShown, 1);
  }
}

TEST(LocatorTest, DialogLoopAcceptsOnlyRcExeInAnyCase) {
  struct Row {
    const char* name;
    std::vector<std::string> picks; ///< "" = cancel
    int invalidBoxes;
    std::string expected; ///< "" = the program ends
  };
  // clang-format off
  const Row rows[] = {
      {"mixed case accepted as picked", {"E:\\SDK\\Bin\\Rc.Exe"}, 0, "E:\\SDK\\Bin\\Rc.Exe"},
      {"a path that does not exist is not tested", {"Q:\\nowhere\\RC.EXE"}, 0,
       "Q:\\nowhere\\RC.EXE"},
      {"wrong names, then a good one",
       {"E:\\SDK\\rc.exe.bak", "E:\\SDK\\notrc.exe", "E:\\SDK\\rc.exe"}, 2, "E:\\SDK\\rc.exe"},
      {"cancel at once", {""}, 0, ""},
      {"wrong name, then cancel", {"E:\\SDK\\rc.exe.bak", ""}, 1, ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::World world;
    world.settings.values[kStoredKey] = "D:\\was\\here";
    world.dialog.picks.assign(row.picks.begin(), row.picks.end());
    globals::RcExePath.clear();
    globals::LocateResourceCompiler(world.services);

    ASSERT_EQ(world.dialog.calls.size(), row.picks.size());
    for (const fakes::DialogCall& call : world.dialog.calls) {
      EXPECT_EQ(call.filter, "RC.exe|RC.EXE");
      EXPECT_EQ(call.initialFolder, "D:\\was\\here");
      EXPECT_EQ(call.title, "Please locate RC.EXE manually.");
      EXPECT_EQ(call.flags, 0u);
      EXPECT_FALSE(call.save);
      EXPECT_EQ(call.filterIndex, 1);
      EXPECT_EQ(call.defaultName, "");
    }
    std::vector<std::string> expectedBoxes(row.invalidBoxes, "Invalid file!");
    if (row.expected.empty())
      expectedBoxes.push_back("Application will not work without RC.EXE, quitting!");
    EXPECT_EQ(world.boxes.Texts(), expectedBoxes);
    for (const app::Box& box : world.boxes.shown) {
      EXPECT_EQ(box.buttons, Buttons::Ok);
      EXPECT_EQ(box.icon, box.text == "Invalid file!" ? Icon::Exclamation : Icon::Critical);
    }
    EXPECT_EQ(globals::RcExePath, row.expected);
    if (row.expected.empty()) {
      EXPECT_EQ(world.program.ended, 1);
      EXPECT_EQ(world.program.mainWindowsShown, 0);
      EXPECT_TRUE(world.settings.writes.empty());
    } else {
      EXPECT_EQ(world.program.ended, 0);
      EXPECT_EQ(world.settings.values[kStoredKey], row.expected);
      EXPECT_EQ(world.program.mainWindowsShown, 1);
    }
  }
}
