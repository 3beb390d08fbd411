#include "project/Transaction.h"

#include <map>
#include <memory>

#include "base/Fingerprint.h"
#include "base/Path.h"
#include "generation/TemporaryFiles.h"
#include "project/Backups.h"
#include "project/ProjectTexts.h"

namespace project {

namespace {

using generation::FileOperations;
using generation::TemporaryFiles;

constexpr std::size_t kChunk = 1 << 20;
constexpr const char* kAbsent = "-";
constexpr const char* kJournalHeader = "themefold project run 1";

/// Several files of a run may share a folder: each has a name of its own.
std::string Suffix(std::size_t index, const char* kind) {
  return "." + std::to_string(index + 1) + kind;
}

/// Anything at all has the name: a file, a link (to nothing, too) or a folder.
bool Taken(FileOperations& files, const std::string& path) {
  return files.FileExists(path) || files.IsLink(path) || files.IsFolder(path);
}

/// The fingerprint of what path holds now, read a piece at a time so that a large file is
/// never held twice; kAbsent when nothing has the name, "" when something other than a plain
/// file has it or it cannot be read.
std::string FingerprintOnDisk(FileOperations& files, const std::string& path) {
  if (!files.IsPlainFile(path))
    return Taken(files, path) ? std::string() : std::string(kAbsent);
  try {
    fingerprint::Hasher hasher;
    for (std::uint64_t offset = 0;; offset += kChunk) {
      const std::string piece = files.ReadRange(path, offset, kChunk);
      if (piece.empty())
        break;
      hasher.Add(piece);
    }
    return hasher.Text();
  } catch (const base::SystemError&) {
    return std::string();
  }
}

/// Temporary files in each folder a run writes, all kept until the run ends.
class Temporaries {
public:
  explicit Temporaries(FileOperations& files) : files_(files) {}
  TemporaryFiles& In(const std::string& path) {
    const std::string folder = path::Folder(path, path::Style::windows);
    std::unique_ptr<TemporaryFiles>& slot = byFolder_[folder];
    if (!slot)
      slot = std::make_unique<TemporaryFiles>(files_, folder);
    return *slot;
  }

private:
  FileOperations& files_;
  std::map<std::string, std::unique_ptr<TemporaryFiles>> byFolder_;
};

/// One file of the run, as the journal names it.
struct Entry {
  std::string path;
  std::string backup; ///< "" for a file that is new
  std::string before; ///< its fingerprint before; kAbsent for a new file
  std::string after;
};

std::string JournalText(unsigned long processId, const std::vector<Entry>& entries) {
  std::string text = std::string(kJournalHeader) + "\nprocess " + std::to_string(processId) + "\n";
  for (const Entry& entry : entries)
    text += "file " + entry.path + "\nbackup " + entry.backup + "\nbefore " + entry.before +
            "\nafter " + entry.after + "\n";
  return text;
}

/// The journal's entries; false when it is not one of ours.
bool ReadJournal(const std::string& text, unsigned long& processId, std::vector<Entry>& entries) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      return false; // cut short: our journal is written whole, so this is not ours
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  auto value = [&](std::size_t i, const std::string& key, std::string& out) {
    if (i >= lines.size() || lines[i].compare(0, key.size() + 1, key + " ") != 0)
      return false;
    out = lines[i].substr(key.size() + 1);
    return true;
  };
  std::string process;
  if (lines.size() < 2 || lines[0] != kJournalHeader || !value(1, "process", process) ||
      (lines.size() - 2) % 4 != 0 || process.empty() ||
      process.find_first_not_of("0123456789") != std::string::npos || process.size() > 10)
    return false;
  processId = std::stoul(process);
  for (std::size_t i = 2; i < lines.size(); i += 4) {
    Entry entry;
    if (!value(i, "file", entry.path) || !value(i + 1, "backup", entry.backup) ||
        !value(i + 2, "before", entry.before) || !value(i + 3, "after", entry.after))
      return false;
    entries.push_back(entry);
  }
  return true;
}

/// Writes bytes over path through a temporary file, with the permissions of model.
void ReplaceWith(FileOperations& files, const std::string& path, const std::string& bytes,
                 const std::string& model) {
  TemporaryFiles temporary(files, path::Folder(path, path::Style::windows));
  const std::string written = temporary.CreateExact(".new", bytes);
  if (files.IsPlainFile(model))
    files.CopyPermissions(model, written);
  files.RenameOver(written, path);
  temporary.Release(written);
}

void RemoveQuietly(FileOperations& files, const std::string& path) {
  try {
    if (files.IsPlainFile(path))
      files.RemoveFile(path);
  } catch (const base::SystemError&) {
    // A stray copy is in nobody's way; the failure that matters is told.
  }
}

} // namespace

std::string JournalPath(const std::string& projectPath) { return projectPath + ".themefold-run"; }

std::string FindObstacle(FileOperations& files, const Plan& plan) {
  std::vector<std::string> folders;
  for (const FileChange& change : plan.changes) {
    if (change.path.find_first_of("\r\n") != std::string::npos)
      return texts::LineBreakInName(change.path);
    if (files.IsLink(change.path))
      return texts::InTheWay(change.path, texts::kALink);
    if (files.IsFolder(change.path))
      return texts::InTheWay(change.path, texts::kAFolder);
    if (change.existed ? !files.IsPlainFile(change.path) : files.FileExists(change.path))
      return texts::InTheWay(change.path, texts::kNotAPlainFile);
    if (change.existed && files.IsReadOnly(change.path))
      return texts::ReadOnly(change.path);
    const std::string folder = path::Folder(change.path, path::Style::windows);
    bool seen = false;
    for (const std::string& known : folders)
      seen = seen || known == folder;
    if (!seen)
      folders.push_back(folder);
  }
  const std::string journal = JournalPath(plan.projectPath);
  if (Taken(files, journal) && !files.IsPlainFile(journal))
    return texts::InTheWay(journal, texts::kNotAPlainFile);
  // A folder that takes no new file is found before anything is written, and without
  // writing: a dry run leaves no trace.
  for (const std::string& folder : folders) {
    std::string why;
    if (!files.CanCreateIn(folder, why))
      return texts::FolderNotWritable(folder, why);
  }
  return std::string();
}

Applied ApplyPlan(FileOperations& files, const Plan& plan) {
  Applied applied;
  Temporaries temporaries(files);
  std::vector<Entry> entries;
  std::vector<std::string> newFiles, backupFiles; // by change, under temporary names
  try {
    for (const FileChange& change : plan.changes)
      generation::RemoveStaleTemporaryFiles(files, path::Folder(change.path, path::Style::windows));
    // Everything is written first under names of this run's own.
    for (const FileChange& change : plan.changes) {
      TemporaryFiles& temporary = temporaries.In(change.path);
      Entry entry;
      entry.path = change.path;
      entry.before = change.existed ? fingerprint::Of(change.before) : kAbsent;
      entry.after = fingerprint::Of(change.after);
      std::string backupFile;
      if (change.existed) {
        entry.backup = BackupName(change.path, [&](const std::string& name) {
          if (Taken(files, name))
            return true;
          for (const Entry& earlier : entries)
            if (earlier.backup == name)
              return true;
          return false;
        });
        backupFile = temporary.CreateExact(Suffix(entries.size(), ".bak"), change.before);
        files.CopyPermissions(change.path, backupFile);
      }
      const std::string newFile = temporary.CreateExact(Suffix(entries.size(), ".new"), change.after);
      if (change.existed)
        files.CopyPermissions(change.path, newFile);
      entries.push_back(entry);
      newFiles.push_back(newFile);
      backupFiles.push_back(backupFile);
    }
    // The user may have saved from Visual Basic meanwhile.
    for (const FileRead& read : plan.reads)
      if (FingerprintOnDisk(files, read.path) != read.fingerprint) {
        applied.outcome = Applied::Outcome::Changed;
        applied.changed = read.path;
        return applied;
      }
    for (const Entry& entry : entries)
      if (FingerprintOnDisk(files, entry.path) != entry.before) {
        applied.outcome = Applied::Outcome::Changed;
        applied.changed = entry.path;
        return applied;
      }
    ReplaceWith(files, JournalPath(plan.projectPath), JournalText(files.ProcessId(), entries),
                std::string());
  } catch (const base::SystemError& error) {
    applied.outcome = Applied::Outcome::NotWritten;
    applied.failure = error.Description();
    return applied;
  }

  std::size_t done = 0;   // files replaced
  bool backedUp = false;  // the backup of entries[done] is in place
  try {
    for (; done < entries.size(); ++done) {
      const Entry& entry = entries[done];
      TemporaryFiles& temporary = temporaries.In(entry.path);
      backedUp = false;
      if (!entry.backup.empty()) {
        files.RenameOver(backupFiles[done], entry.backup);
        temporary.Release(backupFiles[done]);
        backedUp = true;
      }
      files.RenameOver(newFiles[done], entry.path);
      temporary.Release(newFiles[done]);
    }
  } catch (const base::SystemError& error) {
    applied.failure = error.Description();
    bool whole = true;
    if (backedUp)
      RemoveQuietly(files, entries[done].backup);
    for (std::size_t i = done; i-- > 0;) {
      const Entry& entry = entries[i];
      const FileChange& change = plan.changes[i];
      try {
        if (change.existed)
          ReplaceWith(files, entry.path, change.before, entry.backup);
        else
          files.RemoveFile(entry.path);
        applied.restored.push_back(entry.path);
        if (change.existed)
          RemoveQuietly(files, entry.backup);
      } catch (const base::SystemError&) {
        whole = false;
        applied.kept.emplace_back(entry.path, entry.backup);
      }
    }
    // With a file not put back, the journal stays for the next run to try again.
    if (whole)
      RemoveQuietly(files, JournalPath(plan.projectPath));
    applied.outcome = whole ? Applied::Outcome::Undone : Applied::Outcome::NotUndone;
    return applied;
  }
  for (const Entry& entry : entries)
    if (!entry.backup.empty())
      applied.backups.push_back(entry.backup);
  RemoveQuietly(files, JournalPath(plan.projectPath));
  return applied;
}

Recovery RecoverInterruptedRun(FileOperations& files, const std::string& projectPath) {
  Recovery recovery;
  const std::string journal = JournalPath(projectPath);
  if (!files.IsPlainFile(journal))
    return recovery;
  unsigned long processId = 0;
  std::vector<Entry> entries;
  try {
    if (!ReadJournal(files.ReadBytes(journal, 1 << 20), processId, entries)) {
      recovery.outcome = Recovery::Outcome::Failed;
      recovery.failure = texts::JournalUnreadable(journal);
      return recovery;
    }
  } catch (const base::SystemError& error) {
    recovery.outcome = Recovery::Outcome::Failed;
    recovery.failure = texts::CannotRead(journal, error.Description());
    return recovery;
  }
  if (processId != files.ProcessId() && files.ProcessRunning(processId)) {
    recovery.outcome = Recovery::Outcome::Busy;
    recovery.failure = texts::AnotherRun(projectPath, processId);
    return recovery;
  }
  for (const Entry& entry : entries)
    generation::RemoveStaleTemporaryFiles(files, path::Folder(entry.path, path::Style::windows));

  bool allReplaced = true;
  for (const Entry& entry : entries)
    allReplaced = allReplaced && FingerprintOnDisk(files, entry.path) == entry.after;
  if (allReplaced) {
    RemoveQuietly(files, journal);
    recovery.outcome = Recovery::Outcome::Finished;
    return recovery;
  }

  std::string failures;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const Entry& entry = *it;
    const std::string now = FingerprintOnDisk(files, entry.path);
    const bool backupHolds =
        !entry.backup.empty() && FingerprintOnDisk(files, entry.backup) == entry.before;
    try {
      if (now == entry.before) {
        // Not replaced yet; a backup the run made already goes again.
        if (backupHolds)
          files.RemoveFile(entry.backup);
      } else if (now == entry.after && entry.backup.empty()) {
        files.RemoveFile(entry.path);
        recovery.restored.push_back(entry.path);
      } else if (now == entry.after && backupHolds) {
        ReplaceWith(files, entry.path, files.ReadBytes(entry.backup, static_cast<std::size_t>(-1) >> 1),
                    entry.backup);
        files.RemoveFile(entry.backup);
        recovery.restored.push_back(entry.path);
      } else {
        failures += texts::NotPutBack(entry.path, backupHolds ? entry.backup : std::string());
      }
    } catch (const base::SystemError& error) {
      failures += texts::NotPutBack(entry.path, backupHolds ? entry.backup : std::string()) +
                  " (" + error.Description() + ")";
    }
  }
  if (!failures.empty()) {
    recovery.outcome = Recovery::Outcome::Failed;
    recovery.failure = texts::NotUndone(journal, failures);
    return recovery;
  }
  RemoveQuietly(files, journal);
  recovery.outcome = Recovery::Outcome::Undone;
  return recovery;
}

} // namespace project
