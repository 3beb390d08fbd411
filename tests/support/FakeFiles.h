#pragma once
// An in-memory Windows file system with a stand-in compiler, for the generation, the project
// run and the front ends: faults and a kill at a chosen write, locked paths, read-only files
// and folders, links. And a generation's conversation that answers from a list.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/SystemError.h"
#include "generation/Driver.h"

namespace fakes {

/// Windows paths, case kept (tests use one spelling per file). Folders end in '\\'.
class Files : public platform::FileOperations {
public:
  struct File {
    std::string bytes;
    bool readOnly = false;
  };

  std::set<std::string> folders;
  std::map<std::string, File> files;
  std::set<std::string> lockedPaths; ///< every service on these throws "in use"
  /// Creating a file in these throws "denied", and CanCreateIn says so.
  std::set<std::string> readOnlyFolders;
  std::set<std::string> links;   ///< paths held by links (to nothing here)
  std::set<std::string> tracked; ///< what a stop request would delete now
  std::set<unsigned long> runningProcesses;
  std::uint64_t randomBits = 0; ///< counts up: stems end in 1, 2, ...
  unsigned long processId = 7;
  /// The writes (create, replace, delete) counted from 1; the one numbered failAt fails as a
  /// full disk would. The one numbered killAt is where the program is killed: from then on
  /// no write reaches the disk, whatever the program goes on to do.
  int writes = 0;
  std::vector<std::string> written; ///< the path of each write, in order
  int failAt = 0;
  int killAt = 0;
  bool dead = false;
  /// What another program does just before the write of that number.
  std::map<int, std::function<void()>> beforeWrite;
  /// Where the last compiler ran.
  std::string workingFolder;
  std::string appFolder = "C:\\Tool\\";
  /// Where MakePrivateFolder makes its folders, numbered from 1.
  std::string temporaryFolder = "C:\\Temp\\";
  /// Where relative paths are taken from.
  std::string currentDirectory = "C:\\Work";
  int privateFolders = 0;
  /// Every file read, in order.
  std::vector<std::string> reads;
  /// Every path any call was given, probes included.
  std::set<std::string> named;
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
  /// What a look at the folders shows: every file's bytes and read-only flag.
  std::map<std::string, std::pair<std::string, bool>> Snapshot() const {
    std::map<std::string, std::pair<std::string, bool>> seen;
    for (const auto& [path, file] : files)
      seen[path] = {file.bytes, file.readOnly};
    return seen;
  }

  bool NameExists(const std::string& path) override {
    named.insert(path);
    return files.count(path) != 0 || links.count(path) != 0 || folders.count(path + "\\") != 0;
  }
  bool FolderExists(const std::string& path) override {
    named.insert(path);
    std::string folder = path;
    if (folder.empty() || folder.back() != '\\')
      folder += '\\';
    return folders.count(folder) != 0;
  }
  bool FileExists(const std::string& path) override {
    named.insert(path);
    return files.count(path) != 0;
  }
  void SetNormalAttributes(const std::string& path) override {
    named.insert(path);
    Check("Attributes", path);
    if (!files.count(path))
      throw base::SystemError("Attributes", path, 2, "The system cannot find the file specified.");
    files[path].readOnly = false;
  }
  void RemoveFile(const std::string& path) override {
    named.insert(path);
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
  bool CreateNewFile(const std::string& path, const std::string& bytes,
                     platform::Keep /*keep*/) override {
    named.insert(path);
    if (Write("Create", path))
      return true;
    Check("Create", path);
    if (files.count(path) || links.count(path) || folders.count(path + "\\"))
      return false;
    if (readOnlyFolders.count(FolderOf(path)))
      throw base::SystemError("Create", path, 5, "Access is denied.");
    files[path] = {bytes, false};
    return true;
  }
  /// MoveFileEx: a read-only file or a folder at the target is not replaced.
  void RenameOver(const std::string& from, const std::string& to) override {
    named.insert(from);
    named.insert(to);
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
  bool RenameNoReplace(const std::string& from, const std::string& to) override {
    named.insert(from);
    named.insert(to);
    if (Write("Rename", to))
      return true;
    Check("Rename", to);
    if (NameExists(to))
      return false;
    const auto it = files.find(from);
    if (it == files.end())
      throw base::SystemError("Rename", from, 2, "The system cannot find the file specified.");
    files[to] = it->second;
    files.erase(from);
    return true;
  }
  void CopyPermissions(const std::string& from, const std::string& to) override {
    named.insert(from);
    named.insert(to);
  }
  bool IsLink(const std::string& path) override {
    named.insert(path);
    return links.count(path) != 0;
  }
  bool IsFolder(const std::string& path) override {
    named.insert(path);
    return folders.count(path + "\\") != 0;
  }
  bool IsPlainFile(const std::string& path) override {
    named.insert(path);
    return files.count(path) != 0 && !links.count(path);
  }
  bool IsReadOnly(const std::string& path) override {
    named.insert(path);
    return files.count(path) != 0 && files[path].readOnly;
  }
  std::vector<std::string> FolderEntries(const std::string& folder) override {
    named.insert(folder);
    std::vector<std::string> names;
    for (const auto& [path, file] : files)
      if (FolderOf(path) == folder)
        names.push_back(path.substr(folder.size()));
    return names;
  }
  char PathSeparator() override { return '\\'; }
  std::string CurrentDirectory() override { return currentDirectory; }
  /// One spelling per file here: the path itself, "" for a name nothing has.
  std::string CanonicalPath(const std::string& path) override {
    return NameExists(path) ? path : std::string();
  }
  bool CanCreateIn(const std::string& folder, std::string& why) override {
    if (!readOnlyFolders.count(folder))
      return true;
    why = "Access is denied.";
    return false;
  }
  std::string MakePrivateFolder() override {
    const std::string folder =
        temporaryFolder + "themefold-" + std::to_string(++privateFolders) + "\\";
    if (!Write("Create", folder))
      folders.insert(folder);
    return folder;
  }
  void RemoveFolder(const std::string& path) override {
    if (Write("Delete", path))
      return;
    if (!folders.count(path))
      throw base::SystemError("Delete", path, 3, "The system cannot find the path specified.");
    if (!FolderEntries(path).empty())
      throw base::SystemError("Delete", path, 145, "The directory is not empty.");
    folders.erase(path);
  }
  unsigned long ProcessId() override { return processId; }
  bool ProcessRunning(unsigned long id) override { return runningProcesses.count(id) != 0; }
  /// A running process's identity: identities' entry, else "started <id>"; this one runs.
  std::map<unsigned long, std::string> identities;
  std::string ProcessIdentity(unsigned long id) override {
    if (id != processId && !runningProcesses.count(id))
      return std::string();
    const auto it = identities.find(id);
    return it != identities.end() ? it->second : "started " + std::to_string(id);
  }
  std::uint64_t RandomBits() override { return ++randomBits; }
  void Track(const std::string& path) override { tracked.insert(path); }
  void Untrack(const std::string& path) override { tracked.erase(path); }

  std::string ReadWholeFile(const std::string& path) override {
    std::string text = ReadBytes(path, std::string::npos);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
      text.resize(text.size() - 2);
    return text;
  }
  std::string ReadBytes(const std::string& path, std::size_t limit) override {
    named.insert(path);
    reads.push_back(path);
    Check("Open", path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    if (it->second.bytes.size() > limit)
      throw base::SystemError("Read", path, 0, "too large");
    return it->second.bytes;
  }
  std::string ReadRange(const std::string& path, std::uint64_t offset, std::size_t count) override {
    named.insert(path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    return offset < it->second.bytes.size() ? it->second.bytes.substr(offset, count) : "";
  }
  /// The bytes as they are at the open.
  std::unique_ptr<platform::OpenFile> Open(const std::string& path) override {
    named.insert(path);
    class Copy final : public platform::OpenFile {
    public:
      explicit Copy(std::string bytes) : bytes_(std::move(bytes)) {}
      std::uint64_t Size() const override { return bytes_.size(); }
      std::string ReadAt(std::uint64_t offset, std::size_t count) const override {
        return offset < bytes_.size() ? bytes_.substr(offset, count) : "";
      }

    private:
      std::string bytes_;
    };
    reads.push_back(path);
    Check("Open", path);
    auto it = files.find(path);
    if (it == files.end())
      throw base::SystemError("Open", path, 2, "The system cannot find the file specified.");
    return std::make_unique<Copy>(it->second.bytes);
  }
  void RunAndWait(const std::string& commandLine, const std::string& folder) override {
    named.insert(folder);
    commandLines.push_back(commandLine);
    workingFolder = folder;
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
  /// script's last quotes, in the folder it runs in.
  std::string compiledManifest;

  /// The output path is the second quoted item of the command line, the script the third.
  void CompileLikeRc(const std::string& commandLine) {
    const std::vector<std::string> quoted = Quoted(commandLine);
    if (quoted.size() != 3 || quoted[0] != "C:\\VB98\\Wizards\\RC.EXE" || !files.count(quoted[2]))
      return;
    const std::vector<std::string> inScript = Quoted(files[quoted[2]].bytes);
    std::string folder = workingFolder;
    if (!folder.empty() && folder.back() != '\\')
      folder += '\\';
    if (inScript.empty() || !files.count(folder + inScript.back()))
      return;
    compiledManifest = files[folder + inScript.back()].bytes;
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
    written.push_back(path);
    if (const auto other = beforeWrite.find(writes); other != beforeWrite.end())
      other->second();
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

/// Answers in the order given (true when none are left); records every question and report.
class Conversation : public generation::Conversation {
public:
  std::deque<bool> answers;
  std::vector<std::string> asked, told, instructions;
  std::vector<generation::Report> reports;

  bool Ask(generation::Question, const std::string& text) override {
    asked.push_back(text);
    if (answers.empty())
      return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Tell(generation::Report report, const std::string& text) override {
    reports.push_back(report);
    told.push_back(text);
  }
  void CompilerFinished() override {}
  void ShowInstructions(const std::string& text) override { instructions.push_back(text); }
};

} // namespace fakes
