#include "platform/BraskModule.h"

#include "base/Path.h"
#include "platform/Platform.h"

namespace brask {

std::string AppFolder() {
  const char separator = platform::PathSeparator();
  std::string folder = path::Folder(platform::ExecutablePath(), path::StyleOf(separator));
  if (folder.empty() || folder.back() != separator)
    folder += separator;
  return folder;
}

std::string ReadWholeFile(const std::string& path) {
  std::string text = platform::ReadFileBytes(path, kMaxWholeFileBytes);
  // One final CR LF only: a second one before it, or a bare LF or CR, stays.
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  platform::WriteFileBytes(path, text + "\r\n");
}

// The module's contract: a successful probe leaves the folder current, and nothing here
// restores it. Only the window's Open dialog relies on it: the file ports change no
// directory.
bool FolderExists(const std::string& path) { return platform::ChangeDirectory(path); }

bool FileExists(const std::string& path) {
  if (FolderExists(path))
    return false;
  if (path.empty())
    return false;
  return platform::HasAttributes(path);
}

void SetNormalAttributes(const std::string& path) { platform::SetNormalAttributes(path); }

void RemoveFile(const std::string& path) { platform::RemoveFile(path); }

void RunAndWait(const std::string& commandLine) { platform::RunHiddenAndWait(commandLine); }

void RunAndWaitShowingOutput(const std::string& commandLine) {
  platform::RunHiddenAndWait(commandLine, "", true);
}

std::intptr_t ShellOpen(const std::string& file, const std::string& directory,
                        WindowHandle ownerWindow, const std::string& parameters,
                        const std::string& operation) {
  return platform::ShellOpen(file, directory, ownerWindow, parameters, operation);
}

std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultValue) {
  return platform::ReadSetting(application, section, key).value_or(defaultValue);
}

void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& value) {
  // Losing one saved field is better than stopping the program as it closes.
  (void)platform::WriteSetting(application, section, key, value);
}

std::string AnsiToUtf8(const std::string& text, unsigned codePage) {
  return platform::AnsiToUtf8(text, codePage);
}

} // namespace brask
