// frmMain's handlers other than the generation: the enabling rule, browsing, the link, and
// the fields restored at load and stored at unload.
#include "Fakes.h"

using Field = app::MainView::Field;

namespace {

struct Window : fakes::MainWindowRig {};

} // namespace

TEST(MainWindowTest, GenerateIsEnabledWhenTheFirstExeStartsAtPositionTwoOrLater) {
  // Embedding takes a built .exe, .dll or .ocx by its ending.
  struct Row {
    const char* path;
    bool enabled;
    bool embed;
  };
  const Row rows[] = {
      {"", false, false},
      {"a.exe", true, true},
      {"C:\\x.exe", true, true},
      {"C:\\Work\\App.EXE", true, true},
      {"C:\\Work\\App.ExE", true, true},
      {".exe", false, false},
      {".EXE", false, false},
      {".exe\\App.exe", false, true},
      {"C:\\folder.exe\\notes.txt", true, false},
      {"C:\\Work\\App.ex", false, false},
      {"C:\\Work\\App.exe.bak", true, false},
      {"C:\\Work\\App", false, false},
      {"C:\\Work\\Grid.OCX", false, true},
      {"C:\\Work\\Sums.dll", false, true},
      {"C:\\Work\\Ledger.vbp", true, false},
  };
  Window w;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    w.view.generateEnabled = !row.enabled;
    w.view.embedEnabled = !row.embed;
    w.view.texts[Field::Text1] = row.path;
    w.form.Text1_Change();
    EXPECT_EQ(w.view.generateEnabled, row.enabled);
    EXPECT_EQ(w.view.embedEnabled, row.embed);
  }
}

TEST(MainWindowTest, LoadRestoresTheThreeFieldsAndAppliesTheRule) {
  struct Row {
    const char* name;
    std::map<std::string, std::string> stored;
    std::string text1, text3, text4;
    bool enabled;
  };
  const Row rows[] = {
      {"first run", {}, "", "", "", false},
      {"stored path enables at once",
       {{"Themefold/General/Application", "C:\\Work\\App.EXE"},
        {"Themefold/General/Description", "My app"},
        {"Themefold/General/Version", "1.2.3.4"}},
       "C:\\Work\\App.EXE",
       "My app",
       "1.2.3.4",
       true},
      {"stored empty strings",
       {{"Themefold/General/Application", ""},
        {"Themefold/General/Description", ""},
        {"Themefold/General/Version", ""}},
       "",
       "",
       "",
       false},
      {"other sections and applications are not read",
       {{"Other/General/Application", "C:\\a.exe"}, {"Themefold/Other/Version", "9"}},
       "",
       "",
       "",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window w;
    w.world.settings.values = row.stored;
    w.form.Form_Load();
    EXPECT_EQ(w.view.Text(Field::Text1), row.text1);
    EXPECT_EQ(w.view.Text(Field::Text3), row.text3);
    EXPECT_EQ(w.view.Text(Field::Text4), row.text4);
    EXPECT_EQ(w.view.generateEnabled, row.enabled);
    EXPECT_TRUE(w.world.settings.writes.empty());
  }
}

TEST(MainWindowTest, BrowseTakesOnlyAnExistingFile) {
  struct Row {
    const char* name;
    std::string pick;
    std::string text1;
    bool enabled;
  };
  const Row rows[] = {
      {"existing program", "C:\\Work\\App.exe", "C:\\Work\\App.exe", true},
      {"cancel", "", "C:\\Old\\Old.exe", true},
      {"typed name that does not exist", "C:\\Work\\Nothing.exe", "C:\\Old\\Old.exe", true},
      {"existing file of another kind", "C:\\Work\\notes.txt", "C:\\Work\\notes.txt", false},
      {"a folder", "C:\\Work", "C:\\Old\\Old.exe", true},
      {"a control: embedding only", "C:\\Work\\Grid.ocx", "C:\\Work\\Grid.ocx", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window w;
    w.world.files.AddFile("C:\\Work\\App.exe", "MZ");
    w.world.files.AddFile("C:\\Work\\notes.txt", "hi");
    w.world.files.AddFile("C:\\Work\\Grid.ocx", "MZ");
    w.world.files.AddFolder("C:\\Work\\");
    w.view.SetText(Field::Text1, "C:\\Old\\Old.exe");
    w.world.dialog.picks = {row.pick};
    w.form.Command3_Click();

    ASSERT_EQ(w.world.dialog.calls.size(), 1u);
    const fakes::DialogCall& call = w.world.dialog.calls[0];
    EXPECT_EQ(call.filter, "Programs (*.exe)|*.exe|Visual Basic projects (*.vbp)|*.vbp|"
                           "Libraries and controls, to embed in (*.dll;*.ocx)|*.dll;*.ocx");
    EXPECT_EQ(call.owner, 0x1234u);
    EXPECT_EQ(call.initialFolder, "");
    EXPECT_EQ(call.title, "Locate Exe-file");
    EXPECT_EQ(call.flags, 0u);
    EXPECT_FALSE(call.save);
    EXPECT_EQ(call.filterIndex, 1);
    EXPECT_EQ(call.defaultName, "");
    EXPECT_EQ(w.view.Text(Field::Text1), row.text1);
    EXPECT_EQ(w.view.generateEnabled, row.enabled);
    EXPECT_EQ(w.view.embedEnabled, row.text1.find("notes") == std::string::npos);
    EXPECT_TRUE(w.world.boxes.shown.empty());
  }
}

TEST(MainWindowTest, ClosingStoresTheFieldsAsTheyStandEmptyOnesIncluded) {
  struct Row {
    const char* name;
    std::string text1, text3, text4;
  };
  const Row rows[] = {
      {"filled", "C:\\My Work\\App.exe", " spaced  description ", "1.0.0.0"},
      {"empty description", "C:\\My Work\\App.exe", "", "1.0"},
      {"all empty", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Window w;
    w.world.settings.values["Themefold/General/Description"] = "old description";
    w.view.texts = {
        {Field::Text1, row.text1}, {Field::Text3, row.text3}, {Field::Text4, row.text4}};
    w.form.Command2_Click();
    EXPECT_EQ(w.view.closes, 1);
    const std::vector<std::string> expected = {
        "Themefold/General/Application=" + row.text1,
        "Themefold/General/Description=" + row.text3,
        "Themefold/General/Version=" + row.text4,
    };
    EXPECT_EQ(w.world.settings.writes, expected);

    // The next run starts with exactly these values.
    Window next;
    next.world.settings.values = w.world.settings.values;
    next.form.Form_Load();
    EXPECT_EQ(next.view.Text(Field::Text1), row.text1);
    EXPECT_EQ(next.view.Text(Field::Text3), row.text3);
    EXPECT_EQ(next.view.Text(Field::Text4), row.text4);
  }
}

TEST(MainWindowTest, LinkOpensTheMakersPageWithTheDefaultVerbAndIgnoresFailure) {
  Window w;
  w.form.Label13_Click();
  ASSERT_EQ(w.world.shell.opened.size(), 1u);
  EXPECT_EQ(w.world.shell.opened[0], "https://www.example.org/themefold/||4660||");
  EXPECT_TRUE(w.world.boxes.shown.empty());
}
