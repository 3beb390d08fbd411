#pragma once
// The files a run makes under temporary names of its own, and a folder of its own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Ports.h"
#include "platform/Stopping.h"

namespace platform {

// Files this run made under temporary names. Whatever happens they go again, but never a
// file the run did not make itself; a stop request removes them too.
class TemporaryFiles {
public:
  TemporaryFiles(FileOperations& files, std::string folder)
      : files_(files), folder_(std::move(folder)) {
    NewStem();
  }
  ~TemporaryFiles() {
    for (const std::string& path : owned_) {
      try {
        if (files_.IsPlainFile(path))
          files_.RemoveFile(path);
      } catch (const base::SystemError&) {
        // The error that stopped the run is the one to report.
      }
      files_.Untrack(path);
    }
  }
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  /// The path of this run's file with the suffix; it is removed at the end if it exists.
  std::string Claim(const std::string& suffix) {
    std::string path = folder_ + stem_ + suffix;
    owned_.push_back(path);
    files_.Track(path);
    return path;
  }
  /// Creates this run's file with the suffix, the text and CR LF. Only the first file may meet a
  /// name that is taken (a stem nobody could guess, unless they saw it): it then takes another
  /// stem.
  std::string Create(const std::string& suffix, const std::string& text) {
    return CreateWith(suffix, [&](const std::string& path) {
      return files_.CreateNewFile(path, text + "\r\n", Keep::durable);
    });
  }
  /// Create for a file that goes again within the run: it need not reach the disk.
  std::string CreateScratch(const std::string& suffix, const std::string& text) {
    return CreateWith(suffix, [&](const std::string& path) {
      return files_.CreateNewFile(path, text + "\r\n", Keep::scratch);
    });
  }
  /// Create with the bytes exactly as given.
  std::string CreateExact(const std::string& suffix, const std::string& bytes) {
    return CreateWith(suffix, [&](const std::string& path) {
      return files_.CreateNewFile(path, bytes, Keep::durable);
    });
  }
  /// CreateExact of the parts laid one after another, with the stretches that hold source's
  /// bytes unchanged copied from it where the system can (FilePort::CreateNewFileFrom).
  std::string CreateExactFrom(const std::string& suffix, const std::vector<std::string_view>& parts,
                              const std::string& source, const std::vector<SameStretch>& same) {
    return CreateWith(suffix, [&](const std::string& path) {
      return files_.CreateNewFileFrom(path, parts, source, same, Keep::durable);
    });
  }
  const std::string& Folder() const { return folder_; }
  /// The bare name of this run's file with the suffix.
  std::string Name(const std::string& suffix) const { return stem_ + suffix; }
  /// A file this run made now has a lasting name.
  void Release(const std::string& path) {
    for (auto it = owned_.begin(); it != owned_.end(); ++it)
      if (*it == path) {
        owned_.erase(it);
        break;
      }
    files_.Untrack(path);
  }
  /// The regular clean-up after the compiler; errors here are reported.
  void Remove(const std::string& path) {
    if (files_.IsPlainFile(path))
      files_.RemoveFile(path);
    Release(path);
  }

private:
  template <typename Creator> std::string CreateWith(const std::string& suffix, Creator create) {
    for (int attempt = 0;; ++attempt) {
      std::string path = Claim(suffix);
      if (create(path))
        return path;
      owned_.pop_back();
      files_.Untrack(path);
      if (attempt == 3 || !owned_.empty())
        throw base::SystemError("Create", path, 17, "a file of this name exists already");
      NewStem();
    }
  }
  void NewStem() { stem_ = TemporaryStem(files_.ProcessId(), files_.RandomBits()); }

  FileOperations& files_;
  std::string folder_;
  std::string stem_;
  std::vector<std::string> owned_;
};

/// A folder of this run's own under the system's temporary folder, for files that have no
/// business where the user's files lie (a project run's compiler). It goes again with what it
/// holds, whatever happens; a stop request removes it too, once its files are gone.
class PrivateFolder {
public:
  explicit PrivateFolder(FileOperations& files) : files_(files), path_(files.MakePrivateFolder()) {
    files_.Track(Tracked());
  }
  ~PrivateFolder() {
    // The compiler's own leftovers too.
    for (const std::string& name : files_.FolderEntries(path_)) {
      try {
        files_.RemoveFile(path_ + name);
      } catch (const base::SystemError&) {
        // Then the folder stays too.
      }
    }
    try {
      files_.RemoveFolder(path_);
    } catch (const base::SystemError&) {
      // The error that stopped the run is the one to report; a folder left in the system's
      // temporary folder is in nobody's way.
    }
    files_.Untrack(Tracked());
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  /// Ends in the separator.
  const std::string& Path() const { return path_; }

private:
  std::string Tracked() const { return path_.substr(0, path_.size() - 1); }

  FileOperations& files_;
  std::string path_;
};

/// Removes the temporary files of runs that were killed: their process id has ended.
void RemoveStaleTemporaryFiles(FileOperations& files, const std::string& folder);

} // namespace platform
