#pragma once
// Fakes for the window logic and the driver: an in-memory Windows file system, scripted
// message boxes and dialogs, a settings store, and views that remember what they show.

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

namespace fakes {

/// Windows paths, case kept (tests use one spelling per file). Folders end in '\\'.
class Files : public generation::FileOperations {
public:
  struct File {
    std::string bytes;
    bool readOnly = false;
  };

  std::set<std::string> folders;
  std::map<std::string, File> files;
  std::set<std::string> lockedPaths;     ///< every service on these throws "in use"
  std::set<std::string> readOnlyFolders; ///< creating a file in these throws "denied"
  std::set<std::string> links;           ///< paths held by links (to nothing here)
  std::set<std::string> tracked;         ///< what a stop request would delete now
  std::set<unsigned long> runningProcesses;
  std::uint64_t randomBits = 0;          ///< counts up: stems end in 1, 2, ...
  unsigned long processId = 7;
  /// The writes (create, replace, delete) counted from 1; the one numbered failAt fails as a
  /// full disk would. The one numbered killAt is where the program is killed: from then on
  /// no write reaches the disk, whatever the program goes on to do.
  int writes = 0;
  int failAt = 0;
  int killAt = 0;
  bool dead = false;
  std::string currentFolder;
  std::string appFolder = "C:\\Tool\\";
  std::vector<std::string> log;
  /// What the compiler does; by default it makes the .res named in the command line.
  std::function<void(const std::string&)> compiler;
  std::vector<std::string> commandLines;
  /// The bytes it makes; a project run takes only a real .res with the manifest.
  std::string compiledRes = "RES";

  Files() {
    compiler = [this](const std::string& commandLine) { CompileLikeRc(commandLine); };
  }

  void AddFolder(const std::string& folder) { folders.insert(folder); }
  void AddFile(const std::string& path, const std::string& bytes, bool readOnly = false) {
    files[path] = {bytes, readOnly};
  }
  bool Has(const std::string& path) const { return files.count(path) != 0; }
  std::string Bytes(const std::string& path) const {
    auto it = files.find(path);
    return it == files.end() ? std::string("<missing>") : it->second.bytes;
  }

  bool FolderExists(const std::string& path) override {
    std::string folder = path;
    if (folder.empty() || folder.back() != '\\')
      folder += '\\';
    log.push_back("probe " + path);
    if (!folders.count(folder))
      return false;
    currentFolder = folder;
    return true;
  }
  /// Like the real probe, tells a folder from a file by entering it.
  bool FileExists(const std::string& path) override {
    if (folders.count(path + "\\"))
      currentFolder = path + "\\";
    return files.count(path) != 0;
  }
  void SetNormalAttributes(const std::string& path) override {
    log.push_back("normal " + path);
    Check("Attributes", path);
    if (!files.count(path))
      throw base::SystemError("Attributes", path, 2, "The system cannot find the file specified.");
    files[path].readOnly = false;
  }
  void RemoveFile(const std::string& path) override {
    log.push_back("remove " + path);
    if (Write("Delete", path))
      return;
    Check("Delete", path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Delete", path, 2, "The system cannot find the file specified.");
    if (it->second.readOnly)
      throw base::SystemError("Delete", path, 5, "Access is denied.");
    files.erase(it);
  }
  void WriteTextFile(const std::string& path, const std::string& text) override {
    log.push_back("write " + path);
    Check("Open", path);
    if (readOnlyFolders.count(FolderOf(path)) || folders.count(path + "\\"))
      throw base::SystemError("Open", path, 5, "Access is denied.");
    auto it = files.find(path);
    if (it != files.end() && it->second.readOnly)
      throw base::SystemError("Open", path, 5, "Access is denied.");
    files[path] = {text + "\r\n", false};
  }
  bool CreateNewTextFile(const std::string& path, const std::string& text) override {
    log.push_back("create " + path);
    if (Write("Create", path))
      return true;
    Check("Create", path);
    if (files.count(path) || links.count(path) || folders.count(path + "\\"))
      return false;
    if (readOnlyFolders.count(FolderOf(path)))
      throw base::SystemError("Create", path, 5, "Access is denied.");
    files[path] = {text + "\r\n", false};
    return true;
  }
  /// MoveFileEx: a read-only file or a folder at the target is not replaced.
  void RenameOver(const std::string& from, const std::string& to) override {
    log.push_back("replace " + to);
    if (Write("Replace", to))
      return;
    Check("Replace", to);
    auto it = files.find(to);
    if (folders.count(to + "\\") || (it != files.end() && it->second.readOnly))
      throw base::SystemError("Replace", to, 5, "Access is denied.");
    files[to] = files.at(from);
    files.erase(from);
    links.erase(to);
  }
  bool IsLink(const std::string& path) override { return links.count(path) != 0; }
  bool IsFolder(const std::string& path) override { return folders.count(path + "\\") != 0; }
  bool IsPlainFile(const std::string& path) override {
    return files.count(path) != 0 && !links.count(path);
  }
  std::vector<std::string> FolderEntries(const std::string& folder) override {
    std::vector<std::string> names;
    for (const auto& [path, file] : files)
      if (FolderOf(path) == folder)
        names.push_back(path.substr(folder.size()));
    return names;
  }
  unsigned long ProcessId() override { return processId; }
  bool ProcessRunning(unsigned long id) override { return runningProcesses.count(id) != 0; }
  std::uint64_t RandomBits() override { return ++randomBits; }
  void TrackTemporaryFile(const std::string& path, bool on) override {
    if (on)
      tracked.insert(path);
    else
      tracked.erase(path);
  }

  std::string ReadWholeFile(const std::string& path) override {
    log.push_back("read " + path);
    Check("Open", path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    std::string text = it->second.bytes;
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
      text.resize(text.size() - 2);
    return text;
  }
  std::string ReadBytes(const std::string& path, std::size_t limit) override {
    log.push_back("read " + path);
    Check("Open", path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    if (it->second.bytes.size() > limit)
      throw base::SystemError("Read", path, 0, "too large");
    return it->second.bytes;
  }
  std::string ReadRange(const std::string& path, std::uint64_t offset,
                        std::size_t count) override {
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    return offset < it->second.bytes.size() ? it->second.bytes.substr(offset, count) : "";
  }
  bool CreateNewFile(const std::string& path, const std::string& bytes) override {
    if (!CreateNewTextFile(path, ""))
      return false;
    if (dead)
      return true;
    files[path].bytes = bytes;
    return true;
  }
  bool IsReadOnly(const std::string& path) override {
    return files.count(path) != 0 && files[path].readOnly;
  }
  void RunAndWait(const std::string& commandLine) override {
    log.push_back("run");
    commandLines.push_back(commandLine);
    compiler(commandLine);
  }
  std::string AppFolder() override { return appFolder; }
  /// Latin-1 to UTF-8, enough to see that the conversion happened.
  std::string AnsiToUtf8(const std::string& text, unsigned /*codePage*/) override {
    std::string out;
    for (unsigned char c : text) {
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return out;
  }

  /// The manifest the last compile read, found as rc finds it: by the bare name in the
  /// script's last quotes, in the current folder.
  std::string compiledManifest;

  /// The output path is the second quoted item of the command line, the script the third.
  void CompileLikeRc(const std::string& commandLine) {
    const std::vector<std::string> quoted = Quoted(commandLine);
    if (quoted.size() != 3 || quoted[0] != "C:\\VB98\\Wizards\\RC.EXE" || !files.count(quoted[2]))
      return;
    const std::vector<std::string> inScript = Quoted(files[quoted[2]].bytes);
    if (inScript.empty() || !files.count(currentFolder + inScript.back()))
      return;
    compiledManifest = files[currentFolder + inScript.back()].bytes;
    files[quoted[1]] = {compiledRes, false};
  }

private:
  static std::vector<std::string> Quoted(const std::string& text) {
    std::vector<std::string> quoted;
    std::string::size_type at = 0;
    while ((at = text.find('"', at)) != std::string::npos) {
      const auto end = text.find('"', at + 1);
      if (end == std::string::npos)
        break;
      quoted.push_back(text.substr(at + 1, end - at - 1));
      at = end + 1;
    }
    return quoted;
  }
  static std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('\\') + 1);
  }
  /// True when the write is not to happen: the program is dead.
  bool Write(const std::string& operation, const std::string& path) {
    if (dead)
      return true;
    ++writes;
    if (writes == killAt) {
      dead = true;
      throw base::SystemError(operation, path, 0, "killed");
    }
    if (writes == failAt)
      throw base::SystemError(operation, path, 112, "There is not enough space on the disk.");
    return false;
  }
  void Check(const std::string& operation, const std::string& path) {
    if (lockedPaths.count(path))
      throw base::SystemError(operation, path, 32,
                              "The process cannot access the file because it is being used by "
                              "another process.");
  }
};

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
                   const std::string& initialFolder, const std::string& title,
                   std::uint32_t flags, bool save, int& filterIndex,
                   const std::string& defaultName) override {
    calls.push_back({filter, ownerWindow, initialFolder, title, flags, save, filterIndex,
                     defaultName});
    if (picks.empty())
      return "";
    std::string pick = picks.front();
    picks.pop_front();
    return pick;
  }
};

class Settings : public app::Settings {
public:
  std::map<std::string, std::string> values; ///< "application/section/key"
  std::vector<std::string> writes;

  std::string Get(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& defaultValue) override {
    auto it = values.find(application + "/" + section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
  }
  void Save(const std::string& application, const std::string& section, const std::string& key,
            const std::string& value) override {
    writes.push_back(application + "/" + section + "/" + key + "=" + value);
    values[application + "/" + section + "/" + key] = value;
  }
};

class Shell : public app::Shell {
public:
  std::vector<std::string> opened;
  std::intptr_t Open(const std::string& file, const std::string& directory,
                     app::WindowHandle ownerWindow, const std::string& parameters,
                     const std::string& operation) override {
    opened.push_back(file + "|" + directory + "|" + std::to_string(ownerWindow) + "|" +
                     parameters + "|" + operation);
    return 2; // a failure, which nobody looks at
  }
};

class Registry : public app::Registry {
public:
  std::map<std::string, std::string> values; ///< "subKey|valueName"
  std::string ReadLocalMachineString(const std::string& subKey,
                                     const std::string& valueName) override {
    auto it = values.find(subKey + "|" + valueName);
    return it == values.end() ? "" : it->second;
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
  std::vector<std::string> chosen;   ///< answers of the dialogs, in turn; "" cancels
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
  std::vector<std::string> FromProject(const std::string& project,
                                       std::string& problem) override {
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
