#pragma once
// Every fixed text of the program's windows and start-up, in one place.

#include <cstddef>
#include <string>

#include "app/ControlIds.h"
#include "base/Refusal.h"
#include "front/Keys.h"
#include "front/Wording.h"

namespace app::texts {

using front::keys::kAppTitle;
using front::keys::kKeyApplication;
using front::keys::kKeyDescription;
using front::keys::kKeyVersion;
using front::keys::kSection;

inline constexpr const char* kInitializationError = "Initialization error!";
inline constexpr const char* kNoCompilerQuitting =
    "Application will not work without RC.EXE, quitting!";
inline constexpr const char* kInvalidFile = "Invalid file!";

inline constexpr const char* kCompilerFilter = "RC.exe|RC.EXE";
inline constexpr const char* kCompilerDialogTitle = "Please locate RC.EXE manually.";

inline constexpr const char* kExeFilter =
    "Programs (*.exe)|*.exe|Visual Basic projects (*.vbp)|*.vbp|"
    "Libraries and controls, to embed in (*.dll;*.ocx)|*.dll;*.ocx";
inline constexpr const char* kExeDialogTitle = "Locate Exe-file";

// Placeholder address of the maker: the label shows the host part.
inline constexpr const char* kMakerUrl = "https://www.example.org/themefold/";
inline constexpr const char* kMakerHost = "www.example.org";

inline constexpr const char* kLabel1 = "Application Exe:";
inline constexpr const char* kLabel2 =
    "Compiles a manifest into a resource file so that your Visual Basic program gets the "
    "Windows XP look. Point it at the compiled program and follow the instructions.";
inline constexpr const char* kLabel3 = "Short Description:";
inline constexpr const char* kLabel4 = "Version info:";
inline constexpr const char* kLabel12 = "Freeware - From:";
inline constexpr const char* kCommand1 = "Generate...";
inline constexpr const char* kCommand2 = "CLOSE";
inline constexpr const char* kCommand3 = "...";
inline constexpr const char* kCommand4 = "Options...";
inline constexpr const char* kCommand5 = "Embed in the program";
/// Next to "Embed in the program": the components the program places join the manifest.
inline constexpr const char* kCheck1 = "With the components it uses, found beside it";
/// After readers::NoRecordedComponents: how the window names components one by one.
inline constexpr const char* kNameComponentsInOptions = " in the components list of \"Options...\"";
/// The caption of "Options..." while any manifest option is on.
inline constexpr const char* kCommand4On = "Options... *";

inline constexpr const char* kOptionsSupportedOs = "Supported Windows versions: Vista to 11";
inline constexpr const char* kOptionsSupportedOsNote =
    "Windows stops treating the program as an old one: GetVersionEx reports 10.0, not 6.2.";
inline constexpr const char* kOptionsRunLevel = "Run level:";
/// In the order of generation::RunLevel.
inline constexpr const char* kOptionsRunLevels[] = {
    "Not set",
    "asInvoker: with the user's own rights",
    "highestAvailable: as administrator when the user is one",
    "requireAdministrator: always asks for administrator rights",
};
inline constexpr const char* kOptionsRunLevelNote =
    "asInvoker: no UAC prompt for names with \"setup\", no files moved into the VirtualStore.";
inline constexpr const char* kOptionsDpi = "DPI:";
/// In the order of generation::DpiAwareness.
inline constexpr const char* kOptionsDpiSettings[] = {
    "Windows scales it (blurred at high DPI)",
    "System aware",
    "Per-monitor v2",
};
inline constexpr const char* kOptionsDpiNote =
    "System aware: sharp text; forms in twips grow with the DPI, pictures keep their size.";
inline constexpr const char* kOptionsPerMonitorNote =
    "Per-monitor v2 only for programs that handle DPI changes themselves; most Visual Basic "
    "programs are better with system aware or GDI scaling.";
inline constexpr const char* kOptionsGdiScaling = "GDI scaling";
inline constexpr const char* kOptionsGdiScalingNote =
    "Windows draws the text and lines of a program that is not DPI aware sharp (Windows 10).";
inline constexpr const char* kOptionsLongPaths = "Long paths";
inline constexpr const char* kOptionsLongPathsNote =
    "Paths longer than 260 characters work where Windows 10 has long paths turned on.";
inline constexpr const char* kOptionsCodePage = "Code page:";
/// In the order of generation::CodePage.
inline constexpr const char* kOptionsCodePages[] = {
    "Not set: as the system is set",
    "Legacy: the system's ANSI code page",
    "UTF-8 (for experts)",
};
inline constexpr const char* kOptionsCodePageNote =
    "Legacy: ANSI text stays ANSI where Windows 11 is set to use UTF-8 for every program.";
inline constexpr const char* kOptionsUtf8Note =
    "UTF-8 for experts only: Visual Basic's string conversions then use UTF-8.";
inline constexpr const char* kOptionsPrinterIsolation = "Printer driver isolation";
inline constexpr const char* kOptionsPrinterIsolationNote =
    "A crashing printer driver no longer takes the program down with it.";
inline constexpr const char* kOptionsComponents =
    "Components used without registration (copy them beside the program):";
inline constexpr const char* kOptionsAddComponent = "Add...";
inline constexpr const char* kOptionsRemoveComponent = "Remove";
inline constexpr const char* kOptionsFromProject = "From project...";
inline constexpr const char* kComponentFilter = "Components (*.ocx;*.dll;*.tlb)|*.ocx;*.dll;*.tlb";
inline constexpr const char* kComponentDialogTitle = "Add a component";
inline constexpr const char* kProjectFilter = "Visual Basic projects (*.vbp)|*.vbp";
inline constexpr const char* kProjectDialogTitle = "Components from a project";
/// One line of the components list: the file, its class count, and why it needs a look.
inline std::string ComponentLine(const std::string& path, std::size_t classCount, bool outside,
                                 bool unreadable, const std::string& source) {
  if (unreadable)
    return path + ": cannot be read";
  std::string line =
      path + ": " + std::to_string(classCount) + (classCount == 1 ? " class" : " classes");
  if (outside)
    line += "; not in the program's folder or below: deployment must put it there";
  if (!source.empty())
    line += "; " + source;
  return line;
}
/// "Embed in the program": what the program will do differently, asked before anything is
/// written.
inline std::string EmbedQuestion(const std::string& program, const std::string& differences,
                                 const std::string& backup) {
  return "Embed the manifest in\n\"" + program + "\"?\n\n" + differences +
         "\n\nThe program is copied to " + backup + " first.";
}
inline std::string EmbedDone(const std::string& name) {
  return name + " now carries the manifest.";
}
/// What a program that carried no manifest does differently with ours.
inline constexpr const char* kEmbedThemed =
    "Its buttons, lists, tabs and other common controls take the look of the Windows theme.";
inline constexpr const char* kEmbedChanges = "The manifest it carries changes:";
inline std::string EmbedMoreChanges(std::size_t count) {
  return "  ... and " + std::to_string(count) +
         " more (themefold-batch --embed --dry-run lists "
         "them all)";
}
/// The options chosen in "Options...", as a list after this.
inline std::string EmbedChosen(const std::string& list) {
  return std::string("Chosen in \"") + kCommand4 + "\": " + list + ".";
}
inline constexpr const char* kEmbedSupportedOs = "Windows Vista to 11 supported";
inline constexpr const char* kEmbedDpiSystem = "DPI system aware";
inline constexpr const char* kEmbedDpiPerMonitor = "DPI per-monitor v2";
inline constexpr const char* kEmbedGdiScaling = "GDI scaling";
inline constexpr const char* kEmbedLongPaths = "long paths";
inline constexpr const char* kEmbedPrinterIsolation = "printer driver isolation";
inline std::string EmbedComponents(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " component used without registration"
                                             : " components used without registration");
}
/// Before the warnings, one a line.
inline constexpr const char* kEmbedWarnings = "Watch for:";
/// A refusal that setting lifts, and the question whether to give it.
inline std::string EmbedLifted(base::Setting setting, const std::string& refusal) {
  switch (setting) {
  case base::Setting::KeepOverlay:
    return refusal + "\n\nThe program carries appended data after its last section. Keep it, "
                     "copied exactly after the new end, and embed the manifest?";
  case base::Setting::StripSignature:
    return refusal + "\n\nRemove the signature and embed the manifest? The program has to be "
                     "signed again afterwards.";
  case base::Setting::None:
    break;
  }
  return refusal;
}
/// The texts of front/ that tell the user what to do, naming the window's controls.
inline front::Wording ControlWording() {
  front::Wording wording;
  wording.setUpProject =
      std::string(": choose its .vbp file as the program and press \"") + kCommand1 + "\"";
  wording.embedInstead = std::string(" (\"") + kCommand5 + "\")";
  return wording;
}
inline constexpr const char* kOptionsOk = "OK";
inline constexpr const char* kOptionsCancel = "Cancel";

} // namespace app::texts
