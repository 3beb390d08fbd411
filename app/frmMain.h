#pragma once
// The main window's logic: its handlers and WriteBas. The window itself is a MainView.

#include <string>

#include "app/Globals.h"
#include "app/Services.h"
#include "app/frmOptions.h"
#include "front/Delivery.h"
#include "generation/Driver.h"

namespace app {

class MainView {
public:
  enum class Field { Text1, Text3, Text4 };
  virtual ~MainView() = default;
  virtual std::string Text(Field field) const = 0;
  /// Setting Text1 raises Text1_Change, as a change of the real box does.
  virtual void SetText(Field field, const std::string& text) = 0;
  virtual void SetGenerateEnabled(bool enabled) = 0;
  /// "Embed in the program" and Check1 beside it.
  virtual void SetEmbedEnabled(bool enabled) = 0;
  /// Check1: the components the program uses go into the manifest it gets embedded.
  virtual bool ComponentsChecked() const = 0;
  virtual void SetOptionsCaption(const std::string& caption) = 0;
  /// Unloads the window; Form_Unload follows.
  virtual void Close() = 0;
  virtual WindowHandle Handle() const = 0;
  virtual IconHandle Icon() const = 0;
  /// One pass over the window events that are pending.
  virtual void DoEvents() = 0;
};

/// The instructions window, created on first use; shows globals::ReadmeText modally and
/// returns once the user has closed it.
class ReadmeWindow {
public:
  virtual ~ReadmeWindow() = default;
  virtual void ShowModal() = 0;
};

/// The box each question and report of a generation is shown in.
Box BoxFor(generation::Question question, const std::string& text);
Box BoxFor(generation::Report report, const std::string& text);

class frmMain : private front::Conversation {
public:
  frmMain(MainView& view, const globals::Services& services, Shell& shell, ReadmeWindow& readme,
          OptionsWindow& options);

  void Form_Load();
  void Text1_Change();
  void Command3_Click();
  void Command4_Click();
  void Command1_Click();
  void Command2_Click();
  /// "Embed in the program": the manifest written into the built program itself.
  void Command5_Click();
  void Label13_Click();
  void Form_Unload();

  /// Writes the start-up module; false only when writing failed (already reported).
  bool WriteBas(const std::string& path);

  IconHandle Icon() const { return view_.Icon(); }
  WindowHandle Handle() const { return view_.Handle(); }

private:
  /// The components of the manifest options and, when request asks, those the program uses,
  /// read into request; false when one cannot be (reported).
  bool ReadComponents(front::Request& request);
  /// The request of a way, filled from the window's fields and options.
  front::Request RequestFor(front::Way way) const;
  /// A project as the target: its changes shown, and made once the user says OK.
  void SetUpProject(const front::Request& request);

  bool Ask(generation::Question question, const std::string& text) override;
  void Tell(generation::Report report, const std::string& text) override;
  void CompilerFinished() override;
  void ShowInstructions(const std::string& text) override;
  /// A project's changes in a question, asked in words from its folder.
  front::Confirmation Confirm(const project::Plan& plan, bool again) override;
  void Note(const std::string& text) override;
  /// The project's folder, by the port's rules for paths.
  std::string FolderOf(const std::string& projectPath);

  MainView& view_;
  globals::Services services_;
  Shell& shell_;
  ReadmeWindow& readme_;
  OptionsWindow& options_;
  /// The manifest options as last confirmed with OK, or as stored.
  generation::ManifestSettings manifest_;
  front::Deliverer deliverer_;
};

} // namespace app
