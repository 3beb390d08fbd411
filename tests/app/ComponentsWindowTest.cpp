// The components list of the options window: Add..., Remove and From project... on fakes,
// what each line says, and that only OK keeps the list.
#include "Fakes.h"

namespace {

struct Row {
  const char* name;
  std::vector<std::string> stored;
  void (*user)(app::frmOptions&, fakes::OptionsView&);
  bool ok;
  std::vector<std::string> kept;
  std::vector<std::string> shown;
};

} // namespace

TEST(ComponentsWindowTest, ListChangesReachTheSettingsOnlyThroughOk) {
  // clang-format off
  const Row rows[] = {
      {"add two, the same one twice", {},
       [](app::frmOptions& form, fakes::OptionsView&) {
         form.AddComponent_Click();
         form.AddComponent_Click();
         form.AddComponent_Click();
         form.AddComponent_Click(); // the dialog cancelled
       },
       true, {"C:\\App\\a.ocx", "C:\\App\\b.dll"},
       {"C:\\App\\a.ocx: 1 class", "C:\\App\\b.dll: 1 class"}},
      {"remove the chosen one", {"C:\\App\\a.ocx", "C:\\App\\b.dll"},
       [](app::frmOptions& form, fakes::OptionsView& view) {
         view.selectedComponent = 0;
         form.RemoveComponent_Click();
         view.selectedComponent = 5;
         form.RemoveComponent_Click();
       },
       true, {"C:\\App\\b.dll"}, {"C:\\App\\b.dll: 1 class"}},
      {"from a project, after what is there", {"C:\\App\\a.ocx"},
       [](app::frmOptions& form, fakes::OptionsView&) {
         form.FromProject_Click(); // C:\App\App.vbp
       },
       true, {"C:\\App\\a.ocx", "C:\\Windows\\SysWOW64\\x.ocx", "C:\\App\\b.dll"},
       {"C:\\App\\a.ocx: 1 class",
        "C:\\Windows\\SysWOW64\\x.ocx: 3 classes; not in the program's folder or below: "
        "deployment must put it there; X: miscStatus as registered on this machine",
        "C:\\App\\b.dll: cannot be read"}},
      {"cancel keeps the stored list", {"C:\\App\\a.ocx"},
       [](app::frmOptions& form, fakes::OptionsView& view) {
         view.selectedComponent = 0;
         form.RemoveComponent_Click();
       },
       false, {"C:\\App\\a.ocx"}, {}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::OptionsView view;
    fakes::Inspector inspector;
    fakes::ComponentFiles files;
    files.chosen = {"C:\\App\\a.ocx", "C:\\App\\b.dll", "C:\\App\\a.ocx", ""};
    if (std::string(row.name).rfind("from", 0) == 0)
      files.chosen = {"C:\\App\\App.vbp"};
    files.projects["C:\\App\\App.vbp"] = {"C:\\App\\a.ocx", "C:\\Windows\\SysWOW64\\x.ocx",
                                          "C:\\App\\b.dll"};
    files.entries["C:\\Windows\\SysWOW64\\x.ocx"] = {
        3, true, std::nullopt, "X: miscStatus as registered on this machine", std::nullopt};
    files.entries["C:\\App\\b.dll"] = {0, false, "b.dll: not a type library", "", std::nullopt};
    if (std::string(row.name).rfind("from", 0) != 0)
      files.entries.erase("C:\\App\\b.dll");
    generation::ManifestSettings settings;
    settings.components = row.stored;
    app::frmOptions form(view, inspector, files, settings, "C:\\App\\App.exe");
    form.Form_Load();
    row.user(form, view);
    if (row.ok) {
      form.OK_Click();
      EXPECT_EQ(view.components, row.shown);
    } else {
      form.Cancel_Click();
    }
    EXPECT_EQ(form.Accepted(), row.ok);
    EXPECT_EQ(settings.components, row.kept);
  }
}

TEST(ComponentsWindowTest, AProjectThatCannotBeReadIsReportedAndAddsNothing) {
  fakes::OptionsView view;
  fakes::Inspector inspector;
  fakes::ComponentFiles files;
  files.chosen = {"C:\\App\\Gone.vbp"};
  generation::ManifestSettings settings;
  app::frmOptions form(view, inspector, files, settings, "C:\\App\\App.exe");
  form.Form_Load();
  form.FromProject_Click();
  EXPECT_EQ(view.report, "C:\\App\\Gone.vbp: not found");
  EXPECT_TRUE(view.components.empty());
}

TEST(ComponentsWindowTest, AComponentOfAnotherMachineIsRefusedWithItsReason) {
  const std::string refusal =
      "C:\\App\\Grid32.ocx: built for x86, but the program is built for x64: a component loads "
      "in process only into a program of its own machine";
  struct Row {
    const char* name;
    void (*user)(app::frmOptions&);
    std::vector<std::string> stored;
    std::vector<std::string> kept;
    std::vector<std::string> shown;
  };
  // clang-format off
  const Row rows[] = {
      {"added", [](app::frmOptions& form) { form.AddComponent_Click(); }, {}, {}, {}},
      {"from a project", [](app::frmOptions& form) { form.FromProject_Click(); }, {},
       {"C:\\App\\a.ocx"}, {"C:\\App\\a.ocx: 1 class"}},
      // Chosen for another program: it stays until removed, and says why it cannot serve.
      {"stored", [](app::frmOptions&) {}, {"C:\\App\\Grid32.ocx"}, {"C:\\App\\Grid32.ocx"},
       {refusal}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::OptionsView view;
    fakes::Inspector inspector;
    fakes::ComponentFiles files;
    files.chosen = {std::string(row.name) == "added" ? "C:\\App\\Grid32.ocx" : "C:\\App\\App.vbp"};
    files.projects["C:\\App\\App.vbp"] = {"C:\\App\\Grid32.ocx", "C:\\App\\a.ocx"};
    files.entries["C:\\App\\Grid32.ocx"] = {1, false, refusal, "", refusal};
    generation::ManifestSettings settings;
    settings.components = row.stored;
    app::frmOptions form(view, inspector, files, settings, "C:\\App\\App.exe");
    form.Form_Load();
    const std::string before = view.report;
    row.user(form);
    EXPECT_EQ(view.components, row.shown);
    EXPECT_EQ(view.report, row.stored.empty() ? refusal : before);
    form.OK_Click();
    EXPECT_EQ(settings.components, row.kept);
  }
}
