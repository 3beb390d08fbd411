#pragma once
// Win32 only. The real services behind the window logic.

#include <memory>

#include "app/Services.h"
#include "app/Themefold.h"
#include "generation/Driver.h"

namespace app::win32 {

class MainWindow;

class Win32MessageBoxes : public MessageBoxes {
public:
  Answer Show(const Box& box) override;
};

/// The real files and processes. A folder their probes find is remembered, not entered:
/// nothing through the ports changes the current directory.
class BraskFiles : public platform::SystemFileOperations {
public:
  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  /// The latest folder found, absolute; "" before any.
  const std::string& LatestFolder() const { return latestFolder_; }

private:
  void Remember(const std::string& folder);
  std::string latestFolder_;
};

/// The utility module's dialog. One with no folder of its own starts where the latest target
/// lies, as the window always had it: the utility module's probe makes that folder current
/// first, the one place its change of directory is wanted.
class BraskFileDialog : public FileDialog {
public:
  explicit BraskFileDialog(const BraskFiles& files) : files_(files) {}
  std::string Show(const std::string& filter, WindowHandle ownerWindow,
                   const std::string& initialFolder, const std::string& title, std::uint32_t flags,
                   bool save, int& filterIndex, const std::string& defaultName) override;

private:
  const BraskFiles& files_;
};

class BraskShell : public Shell {
public:
  std::intptr_t Open(const std::string& file, const std::string& directory,
                     WindowHandle ownerWindow, const std::string& parameters,
                     const std::string& operation) override;
};

class Comctl32 : public themefold::CommonControlsLibrary {
public:
  bool InitCommonControlsEx(const themefold::tagInitCommonControlsEx& iccex) override;
};

/// What the options window reports of the chosen program or project.
class ManifestInspector : public ProgramInspector {
public:
  explicit ManifestInspector(platform::FileOperations& files) : files_(files) {}
  std::string Describe(const std::string& exePath) override;

private:
  platform::FileOperations& files_;
};

/// Ends the process, and owns the main window once it is shown.
class Win32Program : public Program {
public:
  Win32Program(const globals::Services* services, Shell& shell);
  ~Win32Program() override;
  void SetServices(const globals::Services& services) { services_ = &services; }
  void End() override;
  void ShowMainWindow() override;
  bool MainWindowShown() const { return window_ != nullptr; }

private:
  const globals::Services* services_;
  Shell& shell_;
  std::unique_ptr<MainWindow> window_;
};

} // namespace app::win32
