// Win32 only.
#include "app/win32/Services.h"

#include <windows.h>

#include "app/AppTexts.h"
#include "app/ControlIds.h"
#include "app/win32/MainWindow.h"
#include "app/TargetReport.h"
#include "base/Path.h"
#include "platform/BraskModule.h"

namespace app::win32 {

Answer Win32MessageBoxes::Show(const Box& box) {
  UINT type = box.icon == Icon::Critical      ? MB_ICONHAND
              : box.icon == Icon::Information ? MB_ICONINFORMATION
                                              : MB_ICONEXCLAMATION;
  switch (box.buttons) {
  case Buttons::Ok:
    type |= MB_OK;
    break;
  case Buttons::OkCancel:
    type |= MB_OKCANCEL;
    break;
  case Buttons::YesNo:
    type |= MB_YESNO;
    break;
  }
  if (box.defaultButton == 2)
    type |= MB_DEFBUTTON2;
  // Owned by whichever of the program's windows is active, so that it is modal to it; the
  // caption is always the application's title.
  switch (MessageBoxA(GetActiveWindow(), box.text.c_str(), THEMEFOLD_APP_TITLE, type)) {
  case IDOK:
    return Answer::Ok;
  case IDYES:
    return Answer::Yes;
  case IDNO:
    return Answer::No;
  default:
    return Answer::Cancel;
  }
}

std::string BraskFileDialog::Show(const std::string& filter, WindowHandle ownerWindow,
                                  const std::string& initialFolder, const std::string& title,
                                  std::uint32_t flags, bool save, int& filterIndex,
                                  const std::string& defaultName) {
  if (initialFolder.empty() && !files_.LatestFolder().empty())
    brask::FolderExists(files_.LatestFolder());
  return brask::ShowFileDialog(filter, ownerWindow, initialFolder, title, flags, save, filterIndex,
                               defaultName);
}

void BraskFiles::Remember(const std::string& folder) {
  const path::Style style = path::StyleOf(PathSeparator());
  latestFolder_ =
      path::IsAbsolute(folder, style) ? folder : path::Join(CurrentDirectory(), folder, style);
}
bool BraskFiles::FolderExists(const std::string& path) {
  const bool found = SystemFiles::FolderExists(path);
  if (found)
    Remember(path);
  return found;
}
bool BraskFiles::FileExists(const std::string& path) {
  // The utility module's probe, which the window always used, finds a folder first.
  if (SystemFiles::FolderExists(path)) {
    Remember(path);
    return false;
  }
  return SystemFiles::FileExists(path);
}

std::intptr_t BraskShell::Open(const std::string& file, const std::string& directory,
                               WindowHandle ownerWindow, const std::string& parameters,
                               const std::string& operation) {
  return brask::ShellOpen(file, directory, ownerWindow, parameters, operation);
}

bool Comctl32::InitCommonControlsEx(const themefold::tagInitCommonControlsEx& iccex) {
  // Looked up by name, as the module's Declare does: a missing library or entry point is
  // the failure, the function's own answer is not.
  HMODULE library = LoadLibraryA("comctl32.dll");
  if (!library)
    return false;
  using Function = BOOL(WINAPI*)(const void*);
  auto function = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
  if (!function)
    return false;
  function(&iccex);
  return true;
}

std::string ManifestInspector::Describe(const std::string& exePath) {
  return DescribeTarget(files_, exePath);
}

Win32Program::Win32Program(const globals::Services* services, Shell& shell)
    : services_(services), shell_(shell) {}

Win32Program::~Win32Program() = default;

void Win32Program::End() { ExitProcess(0); }

void Win32Program::ShowMainWindow() {
  window_ = std::make_unique<MainWindow>(*services_, shell_);
  if (window_->Show())
    return;
  // Without its window the program has nothing to run on.
  window_.reset();
  services_->boxes.Show({texts::kInitializationError, Icon::Critical});
}

} // namespace app::win32
