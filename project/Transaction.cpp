#include "project/Transaction.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "base/Ascii.h"
#include "base/Fingerprint.h"
#include "base/Path.h"
#include "generation/ModuleText.h"
#include "generation/OutputNames.h"
#include "platform/TemporaryFiles.h"
#include "base/BackupNames.h"
#include "project/ProjectTexts.h"

namespace project {

namespace {

using platform::FileOperations;
using platform::FilePort;
using platform::TemporaryFiles;

constexpr std::size_t kChunk = 1 << 20;
constexpr const char* kAbsent = "-";
constexpr const char* kJournalHeader = "themefold project run 2";
/// The first journals named files by their full paths and copied backups.
constexpr const char* kFirstJournalHeader = "themefold project run 1";
/// A run changes a handful of files; a journal naming more is no journal of ours.
constexpr std::size_t kMaxEntries = 64;
constexpr std::size_t kMaxJournalBytes = 1 << 16;

/// Several files of a run may share a folder: each has a name of its own.
std::string Suffix(std::size_t index, const char* kind) {
  return "." + std::to_string(index + 1) + kind;
}

/// Anything at all has the name: a file, a link (to nothing, too) or a folder.
bool Taken(FilePort& files, const std::string& path) {
  return files.NameExists(path) || files.FileExists(path) || files.IsLink(path) ||
         files.IsFolder(path);
}

/// The fingerprint of what path holds now, read a piece at a time so that a large file is
/// never held twice; kAbsent when nothing has the name, "" when something other than a plain
/// file has it or it cannot be read.
std::string FingerprintOnDisk(FilePort& files, const std::string& path) {
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

/// The folder of a path on this system, in the port's style.
std::string FolderOf(FilePort& files, const std::string& path) {
  return path::Folder(path, path::StyleOf(files.PathSeparator()));
}

/// Temporary files in each folder a run writes, all kept until the run ends.
class Temporaries {
public:
  explicit Temporaries(FileOperations& files) : files_(files) {}
  TemporaryFiles& In(const std::string& path) {
    std::unique_ptr<TemporaryFiles>& slot = byFolder_[FolderOf(files_, path)];
    if (!slot)
      slot = std::make_unique<TemporaryFiles>(files_, FolderOf(files_, path));
    return *slot;
  }

private:
  FileOperations& files_;
  std::map<std::string, std::unique_ptr<TemporaryFiles>> byFolder_;
};

/// What killed runs left, swept once in each folder however many files lie there.
void SweepFolders(FileOperations& files, const std::vector<std::string>& paths) {
  std::set<std::string> swept;
  for (const std::string& path : paths)
    if (swept.insert(FolderOf(files, path)).second)
      platform::RemoveStaleTemporaryFiles(files, FolderOf(files, path));
}

/// One file of the run, as the journal names it.
struct Entry {
  std::string path;     ///< as this system names it
  std::string relative; ///< as the journal names it: from the project's folder
  std::string backup;   ///< "" for a file that is new
  std::string before;   ///< its fingerprint before; kAbsent for a new file
  std::string after;
};

/// path from folder when it lies there (".." parts and all, as the project names it);
/// else the whole path.
std::string FromFolder(const std::string& folder, const std::string& path) {
  return !folder.empty() && path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size())
                                                                        : path;
}

std::string JournalText(unsigned long processId, const std::string& identity,
                        const std::vector<Entry>& entries) {
  std::string text = std::string(kJournalHeader) + "\nprocess " + std::to_string(processId) + " " +
                     identity + "\n";
  for (const Entry& entry : entries)
    text += "file " + entry.relative + "\nbackup " +
            (entry.backup.empty() ? std::string()
                                  : entry.relative + entry.backup.substr(entry.path.size())) +
            "\nbefore " + entry.before + "\nafter " + entry.after + "\n";
  return text;
}

/// What the journal says, before anything of it is believed.
struct JournalLines {
  int version = 0; ///< 1 or 2
  unsigned long processId = 0;
  std::string identity; ///< "" in the first journals
  struct Raw {
    std::string file, backup, before, after;
  };
  std::vector<Raw> entries;
};

bool IsFingerprint(const std::string& text) {
  const std::size_t colon = text.find(':');
  return colon != std::string::npos && colon > 0 && colon <= 20 && text.size() == colon + 17 &&
         text.find_first_not_of("0123456789") == colon &&
         text.find_first_not_of("0123456789abcdef", colon + 1) == std::string::npos;
}

/// The journal's lines; unset when it is not in our format.
std::optional<JournalLines> ParseJournal(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      return std::nullopt; // cut short: our journal is written whole, so this is not ours
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  auto value = [&](std::size_t i, const std::string& key, std::string& out) {
    if (i >= lines.size() || lines[i].compare(0, key.size() + 1, key + " ") != 0)
      return false;
    out = lines[i].substr(key.size() + 1);
    return true;
  };
  JournalLines journal;
  std::string process;
  if (lines.size() < 2 || !value(1, "process", process) || (lines.size() - 2) % 4 != 0)
    return std::nullopt;
  journal.version = lines[0] == kJournalHeader ? 2 : lines[0] == kFirstJournalHeader ? 1 : 0;
  if (journal.version == 0)
    return std::nullopt;
  const std::size_t digits = std::min(process.find(' '), process.size());
  if (digits == 0 || digits > 10 || process.find_first_not_of("0123456789") < digits)
    return std::nullopt;
  journal.processId = std::stoul(process.substr(0, digits));
  if (digits < process.size())
    journal.identity = process.substr(digits + 1);
  for (std::size_t i = 2; i < lines.size(); i += 4) {
    JournalLines::Raw entry;
    if (!value(i, "file", entry.file) || !value(i + 1, "backup", entry.backup) ||
        !value(i + 2, "before", entry.before) || !value(i + 3, "after", entry.after))
      return std::nullopt;
    journal.entries.push_back(entry);
  }
  return journal;
}

bool HasControlCharacter(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      return true;
  return false;
}

/// Where name, relative to folder, lies in the folder's tree: the path on this system, and
/// the link on the way there, if any. Unset for a name that is absolute or climbs out ("..",
/// ".", an empty part).
struct InTree {
  std::string path;
  std::string link;
};
std::optional<InTree> FindInTree(FilePort& files, const std::string& folder,
                                 const std::string& name) {
  const char separator = files.PathSeparator();
  if (path::IsAbsolute(name, path::Style::windows) ||
      path::IsAbsolute(name, path::StyleOf(separator)))
    return std::nullopt;
  // Split at either separator, as a project's names are.
  const std::vector<std::string> parts = path::Parts(name, path::Style::windows);
  InTree found{folder, std::string()};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty() || parts[i] == "." || parts[i] == "..")
      return std::nullopt;
    found.path += parts[i];
    if (i + 1 < parts.size()) {
      if (found.link.empty() && files.IsLink(found.path))
        found.link = found.path;
      found.path += separator;
    }
  }
  return found;
}

/// The journal's entries believed only as far as this program could have written them:
/// each a plain file or none in the project's folder tree, reached through no link, its
/// backup named as ours are, a new file only of the kinds a run makes. A file outside the
/// folder is never taken, though the project list it: the project came with the journal.
class JournalCheck {
public:
  JournalCheck(FilePort& files, std::string folder) : files_(files), folder_(std::move(folder)) {}

  /// The entries, or why the journal is refused.
  std::vector<Entry> Entries(const JournalLines& journal, std::string& why) {
    std::vector<Entry> entries;
    std::set<std::string> seen;
    if (journal.entries.size() > kMaxEntries) {
      why = texts::kJournalTooLong;
      return {};
    }
    for (const JournalLines::Raw& raw : journal.entries) {
      Entry entry;
      why = Check(journal.version, raw, entry);
      if (!why.empty())
        return {};
      if (!seen.insert(ascii::Lower(entry.path)).second) {
        why = texts::JournalNamesTwice(entry.path);
        return {};
      }
      entries.push_back(entry);
    }
    for (const Entry& entry : entries)
      if (!entry.backup.empty() && seen.count(ascii::Lower(entry.backup)) != 0) {
        why = texts::JournalBadBackup(entry.path, entry.backup);
        return {};
      }
    return entries;
  }

private:
  std::string Check(int version, const JournalLines::Raw& raw, Entry& entry) {
    const char separator = files_.PathSeparator();
    if (raw.file.empty() || HasControlCharacter(raw.file) || HasControlCharacter(raw.backup))
      return texts::kJournalControlCharacter;
    std::string name = raw.file, backup = raw.backup;
    if (version == 1) {
      // Full paths then: only those in the project's folder are taken, wherever it is now.
      if (name.compare(0, folder_.size(), folder_) != 0 ||
          (!backup.empty() && backup.compare(0, folder_.size(), folder_) != 0))
        return texts::JournalOutside(name);
      name = name.substr(folder_.size());
      backup = backup.empty() ? backup : backup.substr(folder_.size());
    }
    entry.relative = name;
    const std::optional<InTree> inTree = FindInTree(files_, folder_, name);
    if (!inTree)
      return texts::JournalOutside(path::IsAbsolute(name, path::Style::windows) ||
                                           path::IsAbsolute(name, path::StyleOf(separator))
                                       ? name
                                       : folder_ + name);
    if (!inTree->link.empty())
      return texts::JournalThroughLink(folder_ + name, inTree->link);
    entry.path = inTree->path;
    if (!backup.empty() && !base::IsBackupName(name, backup))
      return texts::JournalBadBackup(entry.path, backup);
    entry.backup = backup.empty() ? backup : entry.path + backup.substr(name.size());
    // Only plain files are ever read, moved or deleted: nothing through a link.
    for (const std::string& path : {entry.path, entry.backup})
      if (!path.empty() && Taken(files_, path) && !files_.IsPlainFile(path))
        return texts::JournalNotAFile(path, files_.IsLink(path)     ? texts::kALink
                                            : files_.IsFolder(path) ? texts::kAFolder
                                                                    : texts::kNotAPlainFile);
    entry.before = raw.before;
    entry.after = raw.after;
    const bool isNew = entry.before == kAbsent;
    if (!IsFingerprint(entry.after) || (!isNew && !IsFingerprint(entry.before)) ||
        isNew != entry.backup.empty())
      return texts::kJournalNotOurs;
    // A run makes only the start-up module and the resource file named for the program,
    // both beside the project.
    if (isNew) {
      const std::string lower = ascii::Lower(name);
      const std::string suffix = ascii::Lower(generation::kOutputSuffix);
      const bool kind = ascii::EqualIgnoringCase(name, generation::kModuleFileName) ||
                        (lower.size() > suffix.size() &&
                         lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0);
      if (path::BaseName(name, path::Style::windows) != name || !kind)
        return texts::JournalNotNewKind(entry.path);
    }
    return std::string();
  }

  FilePort& files_;
  const std::string folder_;
};

void RemoveQuietly(FilePort& files, const std::string& path) {
  try {
    if (files.IsPlainFile(path))
      files.RemoveFile(path);
  } catch (const base::SystemError&) {
    // A stray copy is in nobody's way; the failure that matters is told.
  }
}

/// How putting one file back went.
enum class PutBack {
  Done,  ///< it holds its old bytes again
  Saved, ///< it changed since it was replaced: kept as it is, its old bytes in the backup
};

/// Puts the backup back in place of the new file at path, which must hold after. The new
/// file is first moved aside and checked, and the backup goes back only where nothing has
/// the name: a save made meanwhile is kept. Throws SystemError.
PutBack PutBackFromBackup(FilePort& files, Temporaries& temporaries, const Entry& entry) {
  const std::string now = FingerprintOnDisk(files, entry.path);
  if (now == kAbsent) {
    if (!files.RenameNoReplace(entry.backup, entry.path))
      return PutBack::Saved;
    return PutBack::Done;
  }
  if (now != entry.after)
    return PutBack::Saved;
  TemporaryFiles& temporary = temporaries.In(entry.path);
  const std::string aside = temporary.Claim(Suffix(0, ".old"));
  if (!files.RenameNoReplace(entry.path, aside))
    throw base::SystemError("Rename", aside, 17, "a file of this name exists already");
  if (FingerprintOnDisk(files, aside) != entry.after) {
    // Saved in the moment between: that save goes back where it was.
    temporary.Release(aside);
    if (!files.RenameNoReplace(aside, entry.path))
      throw base::SystemError("Rename", entry.path, 17, "a file of this name exists already");
    return PutBack::Saved;
  }
  bool back = false;
  try {
    back = files.RenameNoReplace(entry.backup, entry.path);
  } catch (const base::SystemError&) {
    // The new file goes back rather than nothing standing at the name.
    files.RenameNoReplace(aside, entry.path);
    throw;
  }
  temporary.Remove(aside);
  return back ? PutBack::Done : PutBack::Saved;
}

/// Undoes what the run did to one file: the backup back in place, a new file deleted; a
/// file changed since is kept. True when the file holds its old state again.
bool UndoEntry(FilePort& files, Temporaries& temporaries, const Entry& entry) {
  if (entry.backup.empty()) {
    if (FingerprintOnDisk(files, entry.path) != entry.after)
      return FingerprintOnDisk(files, entry.path) == kAbsent;
    files.RemoveFile(entry.path);
    return true;
  }
  return PutBackFromBackup(files, temporaries, entry) == PutBack::Done;
}

/// The process id in a journal, for the message; 0 when it cannot be read.
unsigned long OwnerOf(FilePort& files, const std::string& journal) {
  try {
    const std::optional<JournalLines> lines =
        ParseJournal(files.ReadBytes(journal, kMaxJournalBytes));
    return lines ? lines->processId : 0;
  } catch (const base::SystemError&) {
    return 0;
  }
}

std::string Lines(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths)
    text += path + "\n";
  return text;
}

} // namespace

std::string JournalPath(const std::string& projectPath) { return projectPath + ".themefold-run"; }

std::optional<Refusal> FindObstacle(FilePort& files, const Plan& plan) {
  std::vector<std::string> folders;
  const std::string projectFolder = FolderOf(files, plan.projectPath);
  for (const FileChange& change : plan.changes) {
    if (change.path.find_first_of("\r\n") != std::string::npos)
      return Refusal(Problem::LineBreakInName, {change.path});
    // A project may come from anyone: what it lists is written only inside its own folder,
    // and never through a link there.
    const std::string inside = FromFolder(projectFolder, change.path);
    const std::optional<InTree> inTree = inside == change.path && !projectFolder.empty()
                                             ? std::nullopt
                                             : FindInTree(files, projectFolder, inside);
    if (!inTree)
      return Refusal(Problem::OutsideProject, {change.path});
    if (!inTree->link.empty())
      return Refusal(Problem::LinkInTheWay, {inTree->link});
    if (files.IsLink(change.path))
      return Refusal(Problem::LinkInTheWay, {change.path});
    if (files.IsFolder(change.path))
      return Refusal(Problem::FolderInTheWay, {change.path});
    if (change.existed ? !files.IsPlainFile(change.path) : files.FileExists(change.path))
      return Refusal(Problem::NotAPlainFileInTheWay, {change.path});
    if (change.existed && files.IsReadOnly(change.path))
      return Refusal(Problem::ReadOnly, {change.path});
    folders.push_back(FolderOf(files, change.path));
  }
  // The journal goes beside the project, though the project file itself stays.
  folders.push_back(FolderOf(files, plan.projectPath));
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  const std::string journal = JournalPath(plan.projectPath);
  if (Taken(files, journal) && !files.IsPlainFile(journal))
    return Refusal(Problem::NotAPlainFileInTheWay, {journal});
  // A folder that takes no new file is found before anything is written, and without
  // writing: a dry run leaves no trace.
  for (const std::string& folder : folders) {
    std::string why;
    if (!files.CanCreateIn(folder, why))
      return Refusal(Problem::FolderNotWritable, {folder, why});
  }
  return std::nullopt;
}

namespace {

/// Every new file written under a name of this run's own, the journal created where none is,
/// and what the plan read checked again. False, with applied's outcome set, when the run goes
/// no further: nothing was replaced then.
bool Prepare(FileOperations& files, const Plan& plan, Temporaries& temporaries,
             std::vector<Entry>& entries, std::vector<std::string>& newFiles, Applied& applied) {
  const std::string folder = FolderOf(files, plan.projectPath);
  const std::string journal = JournalPath(plan.projectPath);
  bool journalled = false;
  try {
    std::vector<std::string> paths;
    for (const FileChange& change : plan.changes)
      paths.push_back(change.path);
    SweepFolders(files, paths);
    // Every new file is written first under a name of this run's own.
    for (const FileChange& change : plan.changes) {
      Entry entry;
      entry.path = change.path;
      entry.relative = FromFolder(folder, change.path);
      entry.before = change.existed ? fingerprint::Of(change.before) : kAbsent;
      entry.after = fingerprint::Of(change.after);
      if (change.existed) {
        entry.backup = base::BackupName(change.path, [&](const std::string& name) {
          if (Taken(files, name))
            return true;
          for (const Entry& earlier : entries)
            if (earlier.backup == name)
              return true;
          return false;
        });
        if (entry.backup.empty()) {
          applied.outcome = Applied::Outcome::NotWritten;
          applied.failure = Refusal(Problem::NoBackupName, {change.path});
          return false;
        }
      }
      const std::string newFile =
          temporaries.In(change.path).CreateExact(Suffix(entries.size(), ".new"), change.after);
      if (change.existed)
        files.CopyPermissions(change.path, newFile);
      entries.push_back(entry);
      newFiles.push_back(newFile);
    }
    // The journal is created only where none is: the run that made it holds the project.
    TemporaryFiles& beside = temporaries.In(journal);
    const std::string written = beside.CreateExact(
        ".run", JournalText(files.ProcessId(), files.ProcessIdentity(files.ProcessId()), entries));
    if (!files.RenameNoReplace(written, journal)) {
      applied.outcome = Applied::Outcome::Busy;
      applied.failure =
          Refusal(Problem::AnotherRun, {plan.projectPath, std::to_string(OwnerOf(files, journal))});
      return false;
    }
    beside.Release(written);
    journalled = true;
    // The user may have saved from Visual Basic meanwhile.
    for (const FileRead& read : plan.reads)
      if (FingerprintOnDisk(files, read.path) != read.fingerprint) {
        applied.changed = read.path;
        break;
      }
    for (const Entry& entry : entries)
      if (applied.changed.empty() && FingerprintOnDisk(files, entry.path) != entry.before)
        applied.changed = entry.path;
    if (!applied.changed.empty()) {
      RemoveQuietly(files, journal);
      applied.outcome = Applied::Outcome::Changed;
      return false;
    }
  } catch (const base::SystemError& error) {
    if (journalled)
      RemoveQuietly(files, journal);
    applied.outcome = Applied::Outcome::NotWritten;
    applied.failure = Refusal(Problem::SystemFailure, {error.Description()});
    return false;
  }
  return true;
}

/// Puts each new file in place; the number put in place. Stops at a save found (applied.changed)
/// or a failure (applied.failure).
std::size_t Replace(FileOperations& files, Temporaries& temporaries,
                    const std::vector<Entry>& entries, const std::vector<std::string>& newFiles,
                    Applied& applied) {
  // Each file moved aside to its backup, checked, and the new one put where nothing is: a
  // save that lands meanwhile is either moved with the file and found, or takes the name first
  // and is kept.
  std::size_t done = 0; // files in place
  try {
    for (; done < entries.size(); ++done) {
      const Entry& entry = entries[done];
      TemporaryFiles& temporary = temporaries.In(entry.path);
      if (!entry.backup.empty()) {
        if (!files.RenameNoReplace(entry.path, entry.backup))
          throw base::SystemError("Rename", entry.backup, 17, "a file of this name exists already");
        if (FingerprintOnDisk(files, entry.backup) != entry.before) {
          applied.changed = entry.path;
          if (!files.RenameNoReplace(entry.backup, entry.path))
            applied.savedAside = entry.backup; // saved twice: the newer save stays in place
          break;
        }
      }
      if (!files.RenameNoReplace(newFiles[done], entry.path)) {
        // Saved as a new file meanwhile: that save wins; the file it replaced is the backup.
        applied.changed = entry.path;
        applied.savedAside = entry.backup;
        break;
      }
      temporary.Release(newFiles[done]);
    }
    // A save into a file already moved aside lands in its backup: every one is looked at
    // once more before the run counts as done.
    if (applied.changed.empty())
      for (const Entry& entry : entries)
        if (applied.changed.empty() && !entry.backup.empty() &&
            FingerprintOnDisk(files, entry.backup) != entry.before)
          applied.changed = entry.path;
  } catch (const base::SystemError& error) {
    applied.failure = Refusal(Problem::SystemFailure, {error.Description()});
    // The file of the failed step may stand moved aside.
    const Entry& failed = entries[done];
    try {
      if (!failed.backup.empty() && FingerprintOnDisk(files, failed.path) == kAbsent &&
          FingerprintOnDisk(files, failed.backup) == failed.before &&
          !files.RenameNoReplace(failed.backup, failed.path))
        applied.saved.emplace_back(failed.path, failed.backup);
    } catch (const base::SystemError&) {
      applied.kept.emplace_back(failed.path, failed.backup);
    }
  }
  return done;
}

/// Undoes what an interrupted run did to one file, as far as its journal and backup show it
/// was the run's doing; what changed since is kept. The line of a file not put back, "" when
/// none. dryRun: only says what it would do.
std::string UndoRecorded(FileOperations& files, Temporaries& temporaries, const Entry& entry,
                         int version, bool dryRun, Recovery& recovery) {
  const std::string now = FingerprintOnDisk(files, entry.path);
  try {
    if (entry.backup.empty()) {
      // Only a file that holds what the run made is the run's: it goes.
      if (now == entry.after) {
        if (!dryRun)
          files.RemoveFile(entry.path);
        recovery.restored.push_back(entry.path);
      } else if (now != kAbsent) {
        recovery.kept.emplace_back(entry.path, std::string());
      }
      return std::string();
    }
    if (FingerprintOnDisk(files, entry.backup) != entry.before) {
      // A file whose backup was never put in its place was not replaced.
      return now == entry.after ? texts::BackupMissing(entry.path, entry.backup) : std::string();
    }
    if (now == entry.before) {
      // The first journals copied the backup before the file was replaced: that copy goes.
      if (version == 1 && !dryRun)
        files.RemoveFile(entry.backup);
      else if (version != 1)
        recovery.kept.emplace_back(entry.path, entry.backup);
      return std::string();
    }
    if (now != kAbsent && now != entry.after) {
      recovery.kept.emplace_back(entry.path, entry.backup);
      return std::string();
    }
    if (dryRun || PutBackFromBackup(files, temporaries, entry) == PutBack::Done)
      recovery.restored.push_back(entry.path);
    else
      recovery.kept.emplace_back(entry.path, entry.backup);
  } catch (const base::SystemError& error) {
    std::string line = texts::NotPutBack(entry.path, entry.backup);
    line.insert(line.size() - 1, " (" + error.Description() + ")");
    return line;
  }
  return std::string();
}

} // namespace

Applied ApplyPlan(FileOperations& files, const Plan& plan) {
  Applied applied;
  Temporaries temporaries(files);
  const std::string journal = JournalPath(plan.projectPath);
  std::vector<Entry> entries;
  std::vector<std::string> newFiles; // by change, under temporary names
  if (!Prepare(files, plan, temporaries, entries, newFiles, applied))
    return applied;
  const std::size_t done = Replace(files, temporaries, entries, newFiles, applied);
  if (applied.changed.empty() && !applied.failure) {
    for (const Entry& entry : entries)
      if (!entry.backup.empty())
        applied.backups.push_back(entry.backup);
    RemoveQuietly(files, journal);
    return applied;
  }

  // Undone in reverse order; where a save was found after every file was in place, the file
  // saved into is among them and gets the save back from its backup.
  bool whole = applied.kept.empty();
  for (std::size_t i = done; i-- > 0;) {
    const Entry& entry = entries[i];
    try {
      if (UndoEntry(files, temporaries, entry))
        applied.restored.push_back(entry.path);
      else
        applied.saved.emplace_back(entry.path, entry.backup);
    } catch (const base::SystemError&) {
      whole = false;
      applied.kept.emplace_back(entry.path, entry.backup);
    }
  }
  // With a file not put back, the journal stays for the next run to try again.
  if (whole)
    RemoveQuietly(files, journal);
  if (!whole && !applied.failure)
    applied.failure = Refusal(Problem::ChangedWhileReplaced, {applied.changed});
  applied.outcome = !whole                     ? Applied::Outcome::NotUndone
                    : !applied.changed.empty() ? Applied::Outcome::Changed
                                               : Applied::Outcome::Undone;
  return applied;
}

Recovery RecoverInterruptedRun(FileOperations& files, const std::string& projectPath, bool dryRun) {
  Recovery recovery;
  const std::string journal = JournalPath(projectPath);
  if (!Taken(files, journal))
    return recovery;
  auto refuse = [&](const std::string& why) {
    recovery.outcome = Recovery::Outcome::Refused;
    recovery.failure = texts::JournalRefused(journal, why);
    return recovery;
  };
  if (!files.IsPlainFile(journal))
    return refuse(files.IsLink(journal) ? texts::kJournalIsLink : texts::kJournalNotAFile);
  std::optional<JournalLines> lines;
  try {
    lines = ParseJournal(files.ReadBytes(journal, kMaxJournalBytes));
  } catch (const base::SystemError& error) {
    recovery.outcome = Recovery::Outcome::Failed;
    recovery.failure = texts::CannotRead(journal, error.Description());
    return recovery;
  }
  if (!lines)
    return refuse(texts::kJournalNotOurs);
  // A process that has the id now but started at another moment, or runs another program,
  // is not the run that wrote it: that run was killed.
  if (!lines->identity.empty() && lines->processId != files.ProcessId() &&
      files.ProcessIdentity(lines->processId) == lines->identity) {
    recovery.outcome = Recovery::Outcome::Busy;
    recovery.failure = texts::AnotherRun(projectPath, lines->processId);
    return recovery;
  }
  const std::string folder = FolderOf(files, projectPath);
  std::string why;
  const std::vector<Entry> entries = JournalCheck(files, folder).Entries(*lines, why);
  if (!why.empty())
    return refuse(why);
  std::vector<std::string> paths{projectPath};
  for (const Entry& entry : entries)
    paths.push_back(entry.path);
  if (!dryRun)
    SweepFolders(files, paths);

  bool allReplaced = true;
  for (const Entry& entry : entries)
    allReplaced = allReplaced && FingerprintOnDisk(files, entry.path) == entry.after;
  if (allReplaced) {
    if (!dryRun)
      RemoveQuietly(files, journal);
    recovery.outcome = Recovery::Outcome::Finished;
    return recovery;
  }

  Temporaries temporaries(files);
  std::string failures;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    failures += UndoRecorded(files, temporaries, *it, lines->version, dryRun, recovery);
  if (!failures.empty()) {
    recovery.outcome = Recovery::Outcome::Failed;
    recovery.failure = texts::NotUndone(journal, Lines(recovery.restored), failures);
    return recovery;
  }
  if (!dryRun)
    RemoveQuietly(files, journal);
  recovery.outcome = Recovery::Outcome::Undone;
  return recovery;
}

} // namespace project
