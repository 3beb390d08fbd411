#pragma once
// Fakes for the window logic: scripted message boxes and dialogs, a settings store, and
// views that remember what they show. The in-memory file system is support/FakeFiles.h.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Services.h"
#include "app/frmMain.h"
#include "app/frmOptions.h"
#include "app/frmReadme.h"
#include "generation/Driver.h"
#include "support/FakeFiles.h"
#include "support/FakeServices.h"

namespace fakes {

/// Answers in the order given; records every box.
class Boxes : public app::MessageBoxes {
public:
  std::vector<app::Box> shown;
  std::deque<app::Answer> answers;
  std::function<void()> onShow;

  app::Answer Show(const app::Box& box) override {
    shown.push_back(box);
    if (onShow)
      onShow();
    if (answers.empty())
      return box.buttons == app::Buttons::YesNo ? app::Answer::Yes : app::Answer::Ok;
    const app::Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const app::Box& box : shown)
      texts.push_back(box.text);
    return texts;
  }
};

struct DialogCall {
  std::string filter;
  app::WindowHandle owner;
  std::string initialFolder, title;
  std::uint32_t flags;
  bool save;
  int filterIndex;
  std::string defaultName;
};

class Dialog : public app::FileDialog {
public:
  std::vector<DialogCall> calls;
  std::deque<std::string> picks; ///< "" = cancel; none left = cancel

  std::string Show(const std::string& filter, app::WindowHandle ownerWindow,
                   const std::string& initialFolder, const std::string& title, std::uint32_t flags,
                   bool save, int& filterIndex, const std::string& defaultName) override {
    calls.push_back(
        {filter, ownerWindow, initialFolder, title, flags, save, filterIndex, defaultName});
    if (picks.empty())
      return "";
    std::string pick = picks.front();
    picks.pop_front();
    return pick;
  }
};

class Shell : public app::Shell {
public:
  std::vector<std::string> opened;
  std::intptr_t Open(const std::string& file, const std::string& directory,
                     app::WindowHandle ownerWindow, const std::string& parameters,
                     const std::string& operation) override {
    opened.push_back(file + "|" + directory + "|" + std::to_string(ownerWindow) + "|" + parameters +
                     "|" + operation);
    return 2; // a failure, which nobody looks at
  }
};

class Program : public app::Program {
public:
  int ended = 0;
  int mainWindowsShown = 0;
  void End() override { ++ended; }
  void ShowMainWindow() override { ++mainWindowsShown; }
};

/// Everything a test needs, wired together.
struct World {
  Files files;
  Boxes boxes;
  Dialog dialog;
  Settings settings;
  Shell shell;
  Registry registry;
  Program program;
  globals::Services services{registry, settings, files, dialog, boxes, program};
};

class MainView : public app::MainView {
public:
  std::map<Field, std::string> texts;
  bool generateEnabled = false;
  bool embedEnabled = false;
  bool componentsChecked = false;
  std::string optionsCaption = "<unset>";
  int closes = 0;
  int doEvents = 0;
  std::function<void()> onDoEvents;
  app::frmMain* form = nullptr;

  std::string Text(Field field) const override {
    auto it = texts.find(field);
    return it == texts.end() ? "" : it->second;
  }
  void SetText(Field field, const std::string& text) override {
    const bool changed = Text(field) != text;
    texts[field] = text;
    if (field == Field::Text1 && changed && form)
      form->Text1_Change();
  }
  void SetGenerateEnabled(bool enabled) override { generateEnabled = enabled; }
  void SetEmbedEnabled(bool enabled) override { embedEnabled = enabled; }
  bool ComponentsChecked() const override { return componentsChecked; }
  void SetOptionsCaption(const std::string& caption) override { optionsCaption = caption; }
  void Close() override {
    ++closes;
    if (form)
      form->Form_Unload();
  }
  app::WindowHandle Handle() const override { return 0x1234; }
  app::IconHandle Icon() const override { return 0x5678; }
  void DoEvents() override {
    ++doEvents;
    if (onDoEvents)
      onDoEvents();
  }
};

class ReadmeWindow : public app::ReadmeWindow {
public:
  std::vector<std::string> shownTexts;
  void ShowModal() override { shownTexts.push_back(globals::ReadmeText); }
};

/// Reports a fixed text and records what it was asked about.
class Inspector : public app::ProgramInspector {
public:
  std::string report = "App.exe carries a manifest now: visual styles on.";
  std::vector<std::string> asked;
  std::string Describe(const std::string& exePath) override {
    asked.push_back(exePath);
    return report;
  }
};

/// The controls of the options window as plain values. A list with no entries chooses
/// nothing, as the real one does.
class OptionsView : public app::OptionsView {
public:
  std::map<Check, bool> checks;
  std::map<List, std::vector<std::string>> items;
  std::map<List, int> selected;
  std::string report = "<unset>";
  int closes = 0;

  bool Checked(Check box) const override {
    auto it = checks.find(box);
    return it != checks.end() && it->second;
  }
  void SetChecked(Check box, bool checked) override { checks[box] = checked; }
  void AddItem(List list, const std::string& text) override { items[list].push_back(text); }
  int Selected(List list) const override {
    auto it = selected.find(list);
    return it == selected.end() ? -1 : it->second;
  }
  void Select(List list, int index) override {
    const auto count = static_cast<int>(items[list].size());
    selected[list] = index >= 0 && index < count ? index : -1;
  }
  void SetReport(const std::string& text) override { report = text; }
  std::vector<std::string> components;
  int selectedComponent = -1;
  void SetComponents(const std::vector<std::string>& lines) override { components = lines; }
  int SelectedComponent() const override { return selectedComponent; }
  void Close() override { ++closes; }
};

/// Components answered from tables: what the dialogs give, one class each, and the
/// projects' components.
class ComponentFiles : public app::ComponentFiles {
public:
  std::vector<std::string> chosen; ///< answers of the dialogs, in turn; "" cancels
  std::map<std::string, app::ComponentEntry> entries; ///< by path; others: 1 class, inside
  std::map<std::string, std::vector<std::string>> projects;
  std::string Next() {
    if (chosen.empty())
      return std::string();
    const std::string path = chosen.front();
    chosen.erase(chosen.begin());
    return path;
  }
  std::string ChooseComponent() override { return Next(); }
  std::string ChooseProject() override { return Next(); }
  app::ComponentEntry Describe(const std::string& path, const std::string&) override {
    auto it = entries.find(path);
    if (it != entries.end())
      return it->second;
    app::ComponentEntry entry;
    entry.classCount = 1;
    return entry;
  }
  std::vector<std::string> FromProject(const std::string& project, std::string& problem) override {
    auto it = projects.find(project);
    if (it == projects.end()) {
      problem = project + ": not found";
      return {};
    }
    return it->second;
  }
};

/// The real window logic on a fake view; user does what the user does in the window, then
/// presses OK (true) or Cancel (false).
class OptionsWindow : public app::OptionsWindow {
public:
  Inspector inspector;
  std::function<bool(OptionsView&)> user = [](OptionsView&) { return false; };
  std::vector<std::string> exePaths;
  OptionsView lastView;

  bool ShowModal(generation::ManifestSettings& settings, const std::string& exePath) override {
    exePaths.push_back(exePath);
    OptionsView view;
    app::frmOptions form(view, inspector, settings, exePath);
    form.Form_Load();
    if (user(view))
      form.OK_Click();
    else
      form.Cancel_Click();
    lastView = view;
    return form.Accepted();
  }
};

/// The main window on fakes of everything it talks to.
struct MainWindowRig {
  MainWindowRig() { view.form = &form; }
  World world;
  MainView view;
  ReadmeWindow readme;
  OptionsWindow options;
  app::frmMain form{view, world.services, world.shell, readme, options};
};

} // namespace fakes
