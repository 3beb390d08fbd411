#pragma once
// What the window logic needs from the system, as small interfaces: the Win32 build passes
// real ones, the unit tests fakes. Nothing here sees a window handle except as a number.

#include <cstdint>
#include <string>

#include "front/Services.h"

namespace app {

using WindowHandle = std::uintptr_t;
using IconHandle = std::uintptr_t;

enum class Icon { Critical, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

/// One message box. Boxes never carry a caption of their own: the title bar shows the
/// application's title. defaultButton counts from 1.
struct Box {
  std::string text;
  Icon icon = Icon::Exclamation;
  Buttons buttons = Buttons::Ok;
  int defaultButton = 1;
};

class MessageBoxes {
public:
  virtual ~MessageBoxes() = default;
  /// Cancel for a box closed with Esc or its close box.
  virtual Answer Show(const Box& box) = 0;
};

/// The common Open/Save dialog with the utility module's eight arguments.
class FileDialog {
public:
  virtual ~FileDialog() = default;
  virtual std::string Show(const std::string& filter, WindowHandle ownerWindow,
                           const std::string& initialFolder, const std::string& title,
                           std::uint32_t flags, bool save, int& filterIndex,
                           const std::string& defaultName) = 0;
};

using front::Registry;
using front::Settings;

class Shell {
public:
  virtual ~Shell() = default;
  virtual std::intptr_t Open(const std::string& file, const std::string& directory,
                             WindowHandle ownerWindow, const std::string& parameters,
                             const std::string& operation) = 0;
};

/// What a compiled program carries now, in words, for the user to confirm that a rebuilt
/// program picked its manifest up. "" when there is nothing to say.
class ProgramInspector {
public:
  virtual ~ProgramInspector() = default;
  virtual std::string Describe(const std::string& exePath) = 0;
};

/// The program as a whole.
class Program {
public:
  virtual ~Program() = default;
  /// Ends the program at once, with no further events. Fakes record the call and return.
  virtual void End() = 0;
  /// Shows the main window, modeless and without an owner; showing it loads it.
  virtual void ShowMainWindow() = 0;
};

} // namespace app
