// A manifest written beside a program, merged with one of the user's there, or removed: the
// tool's own file is known by its marker, and one of the user's is merged, never replaced.
#include "front/Ways.h"

#include <memory>

#include "base/Ascii.h"
#include "base/BackupNames.h"
#include "base/Path.h"
#include "embed/Embed.h"
#include "front/EmbedTexts.h"
#include "front/Programs.h"
#include "front/Target.h"
#include "front/Theming.h"
#include "generation/Manifest.h"
#include "platform/TemporaryFiles.h"
#include "readers/Bytes.h"
#include "readers/ManifestReader.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"

namespace front {

namespace {

namespace texts = embedtexts;
using namespace programs;

/// The manifest beside the program: on Windows a name that differs in letter case only is
/// the same file, so that is the one to use, never a second one beside it.
std::string BesidePath(platform::FilePort& files, const std::string& path) {
  const std::string name = FileName(files, path);
  const std::string wanted = name + ".manifest";
  const std::string folder = path::Folder(path, path::StyleOf(files.PathSeparator()));
  for (const std::string& entry : files.FolderEntries(folder.empty() ? "." : folder))
    if (entry != wanted && ascii::EqualIgnoringCase(entry, wanted))
      return path.substr(0, path.size() - name.size()) + entry;
  return path + ".manifest";
}

/// What lies beside the program now, and whether it is the tool's own.
struct Beside {
  std::string path; ///< in its letter case
  std::string name; ///< of the file beside the program
  bool exists = false;
  std::string current; ///< its bytes
  bool ours = false;
};

Result Told(Outcome outcome, const std::string& message) {
  Result result;
  result.outcome = outcome;
  result.message = message;
  return result;
}

Result Remove(platform::FilePort& files, const std::string& path, const Beside& beside) {
  if (!beside.exists)
    return Told(Outcome::Unchanged, texts::BesideNothingToRemove(beside.name));
  if (!beside.ours)
    return Refuse(texts::BesideNotOurs(beside.name));
  files.RemoveFile(beside.path);
  files.TouchFile(path);
  return Told(Outcome::Removed, texts::BesideRemoved(beside.name, FileName(files, path)));
}

/// The user's own file copied to its backup first, as for a program; false when it cannot
/// be, with the name tried in backup ("" when every one is taken). Anything of that name, a
/// folder too, is passed over, as for a program.
bool BackUp(platform::FilePort& files, const Beside& beside, std::string& backup) {
  backup =
      base::BackupName(beside.path, [&files](const std::string& c) { return files.NameExists(c); });
  if (backup.empty() || !files.CreateNewFile(backup, beside.current, platform::Keep::durable))
    return false;
  files.CopyPermissions(beside.path, backup);
  return true;
}

/// The manifest put in place under a temporary name first, and the program's stamp renewed.
Result Put(platform::FileOperations& files, const std::string& path, const Beside& beside,
           const std::string& manifest, std::vector<std::string> changes) {
  const std::string name = FileName(files, path);
  const std::string folder = SweptFolder(files, path);
  platform::TemporaryFiles temporary(files, folder);
  std::string written;
  try {
    written = temporary.CreateExact(".manifest", manifest);
  } catch (const base::SystemError& error) {
    return Refuse(
        texts::BesideFolderNotWritable(folder.empty() ? "." : folder, error.Description()));
  }
  const bool merged = beside.exists && !beside.ours;
  std::string backup;
  if (beside.exists) {
    files.CopyPermissions(beside.path, written);
    if (merged && !BackUp(files, beside, backup))
      return Fail(texts::Failed(beside.name, "its backup " + backup + " could not be made"));
  }
  try {
    files.RenameOver(written, beside.path);
  } catch (const base::SystemError&) {
    if (!backup.empty())
      files.RemoveFile(backup);
    throw;
  }
  temporary.Release(written);
  // Only now that the manifest is there: a program whose stamp cannot change would keep its
  // cached manifest, and then the file is put back as it was.
  try {
    files.TouchFile(path);
  } catch (const base::SystemError& error) {
    if (beside.exists) {
      const std::string back = temporary.CreateExact(".manifest", beside.current);
      files.CopyPermissions(beside.path, back);
      files.RenameOver(back, beside.path);
      temporary.Release(back);
    } else
      files.RemoveFile(beside.path);
    if (!backup.empty())
      files.RemoveFile(backup);
    return Refuse(texts::BesideNotTouchable(name, error.Description()));
  }
  Result result = Told(Outcome::Done, merged ? texts::BesideMerged(beside.name, name)
                                             : texts::BesideWritten(beside.name, name));
  if (merged) {
    result.changes = std::move(changes);
    result.backups.push_back(backup);
  }
  return result;
}

Result Deliver(platform::FileOperations& files, const Request& request, const Wording& wording) {
  const std::string& path = request.target;
  const std::string name = FileName(files, path);
  if (!IsProgramPath(path))
    return Refuse(texts::BesideNeedsProgram(name, wording));
  if (!request.remove && !generation::IsManifestVersion(request.version))
    return Refuse(texts::BadVersion(true));
  if (files.IsLink(path) || !files.IsPlainFile(path))
    return Refuse(texts::Refused(name, "it is not a plain file (a link, a folder or a device, "
                                       "or it does not exist)"));
  Beside beside;
  beside.path = BesidePath(files, path);
  beside.name = FileName(files, beside.path);
  beside.exists = files.FileExists(beside.path) || files.IsLink(beside.path);
  if (beside.exists) {
    if (files.IsLink(beside.path) || !files.IsPlainFile(beside.path))
      return Refuse(texts::BesideNotAFile(beside.name));
    beside.current = files.ReadBytes(beside.path, readers::kMaxManifestBytes);
  }
  const std::string program = files.ReadBytes(path, kMaxProgramBytes);
  std::unique_ptr<readers::PeImage> image;
  try {
    image = std::make_unique<readers::PeImage>(program);
  } catch (const readers::FormatError& error) {
    if (!request.remove)
      return Refuse(
          texts::Refused(name, std::string("it cannot be read as a program: ") + error.what()));
  }
  const std::string plain = image ? ManifestFor(files, request, image->Machine()) : std::string();
  // Ours only with the marker, or exactly what an earlier version wrote for these options:
  // anything else is the user's and is merged, never replaced.
  beside.ours =
      beside.exists && (beside.current.find(texts::kBesideMarker) != std::string::npos ||
                        beside.current.find(texts::kEarlierBesideMarker) != std::string::npos ||
                        (!plain.empty() && beside.current == plain));
  if (request.remove)
    return Remove(files, path, beside);
  if (image->Find(readers::ResourceKey::Id(readers::kManifestResourceType),
                  readers::ResourceKey::Id(embed::kProgramManifestId)))
    return Refuse(texts::BesideEmbedded(name));
  if (beside.exists && files.IsReadOnly(beside.path))
    return Refuse(texts::BesideReadOnly(beside.name));
  std::string manifest = plain + "\r\n" + texts::kBesideMarker;
  std::vector<std::string> changes;
  if (beside.exists && !beside.ours) {
    const readers::MergedManifest merged = Merged(beside.current, plain, request);
    if (merged.refusal)
      return Refuse(texts::BesideNotMerged(beside.name, readers::texts::Words(*merged.refusal)));
    manifest = merged.text;
    changes = ChangeLines(merged.changes);
  }
  // Read before anything is written; told when the program is themed, by this run or before.
  std::vector<std::string> warnings =
      ThemingOf(*image, program, request.manifest.codePage).warnings;
  Result result = beside.exists && beside.current == manifest
                      ? Told(Outcome::Unchanged, texts::BesideUnchanged(beside.name))
                      : Put(files, path, beside, manifest, std::move(changes));
  if (result.outcome == Outcome::Done || result.outcome == Outcome::Unchanged)
    result.warnings = std::move(warnings);
  return result;
}

} // namespace

Result WriteBeside(platform::FileOperations& files, const Request& request,
                   const Wording& wording) {
  try {
    return Deliver(files, request, wording);
  } catch (const base::SystemError& error) {
    return Fail(texts::Failed(FileName(files, request.target), error.what()));
  }
}

} // namespace front
