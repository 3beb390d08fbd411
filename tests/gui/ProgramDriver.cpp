#include "gui/ProgramDriver.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace driver {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// A hung program must fail the test, not hang the driver.
constexpr UINT kSendTimeoutMs = 10000;

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  DWORD processId;
  std::vector<HWND> found;
};

// Every top-level window of one process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD processId) {
  Search search{processId, {}};
  EnumWindows(
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId)
          s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Whether the thread of window has come back to its message loop (a sent message is handled
// only there, or in a modal loop it runs).
bool Answers(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored) !=
         0;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, Seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done())
      return true;
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(kPoll);
  }
}

bool WaitUntilHandled(HWND edit, Seconds timeout) {
  auto modified = [edit] {
    DWORD_PTR flag = 0;
    return SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &flag) !=
               0 &&
           flag != 0;
  };
  DWORD_PTR ignored = 0;
  // Sent messages overtake posted ones: the flag is clear before the marker joins the queue.
  if (!SendMessageTimeoutA(edit, EM_SETMODIFY, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &ignored) ||
      !PostMessageA(edit, EM_SETMODIFY, TRUE, 0))
    return false;
  const bool handled = WaitUntil(modified, timeout);
  SendMessageTimeoutA(edit, EM_SETMODIFY, FALSE, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
  return handled;
}

std::filesystem::path ReleaseFolder() {
  const char* dir = std::getenv("THEMEFOLD_RELEASE_DIR");
  std::string path = dir ? dir : "release";
  if (!path.empty() && path[0] == '/')
    path = "Z:" + path;
  return path;
}

RunningProgram::RunningProgram(const std::string& exePath, const std::string& workingFolder) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + exePath + "\"";
  if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.c_str(), &startup, &info_))
    throw std::runtime_error("cannot start " + exePath + ", error " +
                             std::to_string(GetLastError()));
}

RunningProgram::~RunningProgram() {
  Kill();
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

bool RunningProgram::HasEnded() const {
  return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
}

bool RunningProgram::WaitForEnd(Seconds timeout) const {
  return WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count() * 1000)) ==
         WAIT_OBJECT_0;
}

void RunningProgram::Kill() {
  if (!HasEnded()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
  }
}

HWND FindProgramWindow(const RunningProgram& program, const std::string& className,
                       const std::string& title) {
  for (HWND window : TopLevelWindows(program.Id())) {
    if (IsWindowVisible(window) && ClassOf(window) == className && Text(window) == title)
      return window;
  }
  return nullptr;
}

HWND WaitForWindow(const RunningProgram& program, const std::string& className,
                   const std::string& title, Seconds timeout) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindProgramWindow(program, className, title);
        return found != nullptr || program.HasEnded();
      },
      timeout);
  return found;
}

std::string DescribeWindows(const RunningProgram& program) {
  std::string out;
  for (HWND window : TopLevelWindows(program.Id())) {
    if (!IsWindowVisible(window))
      continue;
    out += ClassOf(window) + " '" + Text(window) + "'";
    if (ClassOf(window) == "#32770") {
      if (HWND text = GetDlgItem(window, 0xFFFF))
        out += " saying '" + Text(text) + "'";
    }
    out += "; ";
  }
  if (program.HasEnded())
    out += "(the program has ended)";
  return out.empty() ? "(no windows)" : out;
}

std::string Text(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                           &length))
    return "<no answer>";
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
  text.resize(copied);
  return text;
}

void SetText(HWND window, const std::string& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored);
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void Close(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

HWND FileNameField(HWND dialog) {
  HWND combo = GetDlgItem(dialog, 0x47C);
  if (!combo)
    return GetDlgItem(dialog, 0x480);
  HWND edit = nullptr;
  // EnumChildWindows walks every descendant, not only the direct children.
  EnumChildWindows(
      combo,
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        if (ClassOf(window) != "Edit")
          return TRUE;
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&edit));
  return edit;
}

MessageBoxWindow WaitForMessageBox(const RunningProgram& program, Seconds timeout) {
  MessageBoxWindow box;
  box.window = WaitForWindow(program, "#32770", "Themefold", timeout);
  if (!box.window)
    return box;
  // Its text and buttons are final once its modal loop runs, which is when it answers; the
  // text and one button are awaited all the same.
  auto read = [&box] {
    box.text.clear();
    box.buttons.clear();
    if (!Answers(box.window))
      return false;
    if (HWND text = GetDlgItem(box.window, 0xFFFF))
      box.text = Text(text);
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
      HWND button = GetDlgItem(box.window, id);
      if (button && IsWindowVisible(button))
        box.buttons.push_back(id);
    }
    return !box.text.empty() && !box.buttons.empty();
  };
  WaitUntil(read, timeout);
  std::sort(box.buttons.begin(), box.buttons.end());
  // The button drawn as the default one; Wine's DM_GETDEFID keeps answering IDOK.
  for (int id : box.buttons) {
    if ((GetWindowLongPtrA(GetDlgItem(box.window, id), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
      box.defaultButton = id;
  }
  return box;
}

void Answer(const MessageBoxWindow& box, int buttonId) {
  Click(GetDlgItem(box.window, buttonId));
  WaitUntilGone(box.window);
}

bool WaitUntilGone(HWND window, Seconds timeout) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

} // namespace driver

namespace settings {
namespace {

constexpr const char* kApp = "Software\\VB and VBA Program Settings\\Themefold";
constexpr const char* kSection = "Software\\VB and VBA Program Settings\\Themefold\\General";

} // namespace

void Clear() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kSection);
  RegDeleteKeyA(HKEY_CURRENT_USER, kApp);
}

void Set(const std::string& key, const std::string& value) {
  HKEY section = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSection, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &section,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create the settings key");
  RegSetValueExA(section, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(section);
}

bool Get(const std::string& key, std::string& value) {
  HKEY section = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSection, 0, KEY_QUERY_VALUE, &section) != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  bool found =
      RegQueryValueExA(section, key.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_SZ;
  if (found) {
    std::string buffer(size + 1, '\0');
    found = RegQueryValueExA(section, key.c_str(), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS;
    buffer.resize(size);
    while (!buffer.empty() && buffer.back() == '\0')
      buffer.pop_back();
    value = buffer;
  }
  RegCloseKey(section);
  return found;
}

} // namespace settings
