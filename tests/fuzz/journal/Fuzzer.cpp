// libFuzzer target: any bytes as the journal a killed project run left beside App.vbp, undone
// with the real files. The journal comes with the project, from whoever sent it: undoing it may
// change the project's folder, and nothing outside it.
//
// Once per process a scratch folder holds project/ (a run killed halfway: two files replaced,
// their backups, a new module, a killed run's temporary) and outside/ (a file, a 0600 file, a
// link, a FIFO, a subfolder, another killed run's temporary). Each input becomes
// project/App.vbp.themefold-run, with "{root}" in it standing for the scratch folder, so that
// seeds can name absolute paths; the undoing runs with outside/ as the current folder, so that
// a path taken relative to anything but the project's folder lands there too. Afterwards every
// entry outside project/ must have its type, mode, inode, bytes and link target, and no entry
// may be new.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "generation/Driver.h"
#include "project/Transaction.h"
#include "support/FuzzCheck.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Check;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  Check(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

/// What lstat and the bytes say of one entry: a file's bytes, a link's target.
struct Seen {
  mode_t mode;
  ino_t inode;
  std::string bytes;
  bool operator==(const Seen& other) const {
    return mode == other.mode && inode == other.inode && bytes == other.bytes;
  }
};
using Tree = std::map<std::string, Seen>;

void Take(const std::string& path, const std::string& name, Tree& tree) {
  struct stat st {};
  Check(::lstat(path.c_str(), &st) == 0);
  Seen& seen = tree[name];
  seen = {st.st_mode, st.st_ino, {}};
  if (S_ISREG(st.st_mode)) {
    seen.bytes = ReadAll(path);
  } else if (S_ISLNK(st.st_mode)) {
    char target[4096];
    const ssize_t size = ::readlink(path.c_str(), target, sizeof target);
    Check(size >= 0);
    seen.bytes.assign(target, static_cast<std::size_t>(size));
  } else if (S_ISDIR(st.st_mode)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
      const std::string child = entry.path().filename().string();
      // The project's folder is the one place the undoing may change.
      if (name != "." || child != "project")
        Take(entry.path().string(), name + "/" + child, tree);
    }
  }
}

/// An id no process has: a child's that has ended.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(0);
  Check(child > 0 && ::waitpid(child, nullptr, 0) == child);
  return child;
}

const std::string kResBefore("\0\0\0\0\x20\0\0\0\xff\xff\0\0\xff\xff\0\0"
                             "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
                             32);
const std::string kVbp = "Type=Exe\r\nModule=modMain; src\\modMain.bas\r\nForm=frmMain.frm\r\n"
                         "ResFile32=\"App.res\"\r\nStartup=\"Sub Main\"\r\nName=\"App\"\r\n";
const std::string kMainBefore =
    "Attribute VB_Name = \"modMain\"\r\nSub Main()\r\n    frmMain.Show\r\nEnd Sub\r\n";

class Scratch {
public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "themefold-journal-XXXXXX").string();
    Check(::mkdtemp(pattern.data()) != nullptr);
    root = pattern;
    project = root + "/project";
    outside = root + "/outside";
    stale = "~themefold-" + std::to_string(EndedProcess()) + "-00000000000000a1";
    fs::create_directories(outside + "/folder");
    Write(outside + "/file.txt", "the user's own file\r\n");
    Write(outside + "/secret.txt", "not for anyone else\r\n", 0600);
    Check(::symlink("file.txt", (outside + "/link").c_str()) == 0);
    Check(::mkfifo((outside + "/fifo").c_str(), 0644) == 0);
    Write(outside + "/folder/inner.bas", "Attribute VB_Name = \"modInner\"\r\n");
    Write(outside + "/" + stale + ".1.new", "another killed run's file\r\n");
    Take(root, ".", before);
  }
  ~Scratch() { Remove(); }
  void Remove() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  /// The project as a run killed halfway leaves it.
  void RestoreProject() {
    std::error_code error;
    fs::remove_all(project, error);
    Check(!error);
    fs::create_directories(project + "/src");
    Write(project + "/App.vbp", kVbp);
    Write(project + "/App.vbp.bak", "Type=Exe\r\nName=\"App\"\r\n");
    Write(project + "/App.res", kResBefore + "the manifest's entry\r\n");
    Write(project + "/App.res.bak", kResBefore);
    Write(project + "/src/modMain.bas",
          "Attribute VB_Name = \"modMain\"\r\nSub Main()\r\n    If Not InitCommonControlsVB Then "
          "End\r\n    frmMain.Show\r\nEnd Sub\r\n");
    Write(project + "/src/modMain.bas.bak", kMainBefore);
    Write(project + "/modThemefold.bas", "Attribute VB_Name = \"modThemefold\"\r\n");
    Write(project + "/frmMain.frm", "VERSION 5.00\r\nBegin VB.Form frmMain\r\nEnd\r\n");
    Write(project + "/" + stale + ".4.bak", kVbp);
  }

  std::string root, project, outside, stale;
  Tree before;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  std::string journal(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = 0; (at = journal.find("{root}", at)) != std::string::npos;
       at += scratch.root.size())
    journal.replace(at, 6, scratch.root);
  scratch.RestoreProject();
  Write(scratch.project + "/App.vbp.themefold-run", journal);

  const fs::path here = fs::current_path();
  fs::current_path(scratch.outside);
  platform::SystemFileOperations files;
  project::RecoverInterruptedRun(files, scratch.project + "/App.vbp");
  fs::current_path(here);

  Tree after;
  Take(scratch.root, ".", after);
  if (after != scratch.before) {
    for (const auto& [name, seen] : after)
      if (!scratch.before.count(name) || !(scratch.before.at(name) == seen))
        std::fprintf(stderr, "fuzz_journal: outside the project, %s changed or is new\n",
                     name.c_str());
    for (const auto& [name, seen] : scratch.before)
      if (!after.count(name))
        std::fprintf(stderr, "fuzz_journal: outside the project, %s is gone\n", name.c_str());
    scratch.Remove();
    std::abort();
  }
  return 0;
}
