// Puts the real program through one generation and stops at each window so that
// scripts/screenshots can photograph it. Not a test: it only shows things.
//
//   gui_screenshots RELEASE_FOLDER EXCHANGE_FOLDER [SUFFIX]
//
// With a SUFFIX (a run at another DPI) only the main and options windows are taken, under
// their names with the suffix.
// For each picture it writes EXCHANGE_FOLDER\<name>.request holding the window's screen
// rectangle "left top width height", then waits for EXCHANGE_FOLDER\<name>.png.

#include "gui/ProgramDriver.h"

#include "app/ControlIds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

fs::path exchange;
std::string suffix;

void Photograph(HWND window, const std::string& shot) {
  const std::string name = shot + suffix;
  if (!window)
    throw std::runtime_error("no window for " + name);
  // Let it finish painting.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  RECT r{};
  GetWindowRect(window, &r);
  const fs::path png = exchange / (name + ".png");
  fs::remove(png);
  {
    std::ofstream request(exchange / (name + ".request"));
    request << r.left << ' ' << r.top << ' ' << r.right - r.left << ' ' << r.bottom - r.top << '\n';
  }
  for (int i = 0; i < 600 && !fs::exists(png); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!fs::exists(png))
    throw std::runtime_error("nobody took " + name);
  std::printf("%s\n", png.string().c_str());
}

void Run(const fs::path& release) {
  // A target as a user might have it, in a folder with blanks.
  const fs::path folder = "C:\\Projects\\Order Desk";
  fs::create_directories(folder);
  // A real program, so that the options window can say what it carries: our compiler.
  CopyFileA((release / "rc.exe").string().c_str(), (folder / "OrderDesk.exe").string().c_str(),
            FALSE);
  for (const char* old : {"OrderDesk_manifest.res", "modThemefold.bas"})
    fs::remove(folder / old);

  settings::Clear();
  // A component beside the program, so that the options window shows one in its list: the
  // test server the registration-free proof uses.
  const fs::path component = release / ".." / "tests" / "com" / "calc.dll";
  if (fs::exists(component)) {
    CopyFileA(component.string().c_str(), (folder / "Calc.dll").string().c_str(), FALSE);
    settings::Set("Components", (folder / "Calc.dll").string());
  }
  settings::Set("Application", (folder / "OrderDesk.exe").string());
  settings::Set("Description", "Order entry and invoicing");
  settings::Set("Version", "2.1.0.14");

  driver::RunningProgram program((release / "themefold.exe").string(), folder.string());
  HWND main = driver::WaitForWindow(program, THEMEFOLD_MAIN_CLASS, THEMEFOLD_MAIN_TITLE);
  Photograph(main, "main-window");

  driver::Click(driver::Control(main, IDC_COMMAND4));
  HWND options = driver::WaitForWindow(program, THEMEFOLD_OPTIONS_CLASS, THEMEFOLD_OPTIONS_TITLE);
  Photograph(options, "options-window");
  driver::Click(driver::Control(options, IDC_OPTIONS_CANCEL));
  driver::WaitUntilGone(options);
  if (!suffix.empty()) {
    driver::Click(driver::Control(main, IDC_COMMAND2));
    program.WaitForEnd();
    settings::Clear();
    return;
  }

  // The first generation ends in the instructions; the second asks before overwriting.
  for (int pass = 0; pass < 2; ++pass) {
    driver::Click(driver::Control(main, IDC_COMMAND1));
    if (pass == 1) {
      driver::MessageBoxWindow box = driver::WaitForMessageBox(program);
      Photograph(box.window, "overwrite-question");
      driver::Answer(box, IDCANCEL);
      break;
    }
    HWND readme = driver::WaitForWindow(program, THEMEFOLD_README_CLASS, THEMEFOLD_README_TITLE);
    Photograph(readme, "instructions-window");
    driver::Close(readme);
    driver::WaitUntilGone(readme);
  }
  driver::Click(driver::Control(main, IDC_COMMAND2));
  program.WaitForEnd();
  settings::Clear();
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: gui_screenshots RELEASE_FOLDER EXCHANGE_FOLDER [SUFFIX]\n");
    return 2;
  }
  exchange = argv[2];
  suffix = argc == 4 ? argv[3] : "";
  try {
    Run(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gui_screenshots: %s\n", e.what());
    return 1;
  }
  return 0;
}
