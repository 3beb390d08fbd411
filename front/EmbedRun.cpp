#include "front/EmbedRun.h"

#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "base/Ascii.h"
#include "base/CodePages.h"
#include "base/Path.h"
#include "embed/Embed.h"
#include "front/EmbedRefusals.h"
#include "front/EmbedTexts.h"
#include "front/Target.h"
#include "generation/Architecture.h"
#include "generation/Manifest.h"
#include "platform/TemporaryFiles.h"
#include "platform/Platform.h"
#include "base/BackupNames.h"
#include "readers/Bytes.h"
#include "readers/ManifestMerge.h"
#include "readers/ManifestReader.h"
#include "readers/PeConditions.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"

namespace front {

namespace {

namespace texts = embedtexts;

/// The largest program read whole: a PE image addresses at most 4 GiB, Visual Basic's are
/// megabytes.
constexpr std::size_t kMaxProgramBytes = std::size_t{1} << 30;

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The manifest for the program at path, as the generation writes it.
std::string ManifestFor(platform::FileOperations& files, const std::string& path,
                        const std::string& version, const std::string& description,
                        const generation::ManifestSettings& settings,
                        const std::vector<generation::ComponentFacts>& components,
                        std::uint16_t machine) {
  const auto utf8 = [&](const std::string& text) {
    return files.AnsiToUtf8(text, codepages::kDefault);
  };
  return BuildManifestText(utf8(version), utf8(FileName(path)), utf8(description),
                           generation::ArchitectureOf(machine), settings, components);
}

std::string SectionLine(const readers::PeSection& s) {
  std::string name = s.name;
  name.resize(8, ' ');
  return "  " + name + " RVA " + readers::Hex(s.virtualAddress) + ", size " +
         readers::Hex(s.virtualSize) + "; file " + readers::Hex(s.rawOffset) + ", size " +
         readers::Hex(s.rawSize) + "; flags " + readers::Hex(s.characteristics);
}

std::vector<std::string> ChangeLines(const std::vector<readers::ManifestChange>& changes) {
  std::vector<std::string> lines;
  lines.reserve(changes.size());
  for (const readers::ManifestChange& change : changes)
    lines.push_back(readers::DescribeChange(change));
  return lines;
}

/// The manifest for the program merged with the one it carries, or why they cannot be.
readers::MergedManifest Merged(const std::optional<std::string>& old, const std::string& ours,
                               const ManifestRequest& request) {
  return readers::MergeManifests(old, ours, {request.versionGiven, request.descriptionGiven});
}

/// The lines of a dry run: the sections, where the resources go, the tail and the manifest.
std::vector<std::string> DryRunLines(const readers::PeImage& before, std::string_view program,
                                     const embed::EmbedResult& embedded, bool hadManifest,
                                     const std::vector<std::string>& changes) {
  std::vector<std::string> lines{texts::kSectionsBefore};
  for (const readers::PeSection& s : before.Sections())
    lines.push_back(SectionLine(s));
  if (embedded.outcome == embed::EmbedResult::Outcome::Embedded) {
    lines.push_back(texts::kSectionsAfter);
    const readers::PeImage after(embedded.bytes);
    for (const readers::PeSection& s : after.Sections())
      lines.push_back(SectionLine(s));
  }
  lines.push_back(std::string("Placement: ") + embed::PlacementName(embedded.placement));
  const readers::PeConditions c = readers::ReadConditions(before, program);
  lines.push_back(c.overlayBytes == 0 ? std::string("Overlay: none")
                                      : "Overlay: " + std::to_string(c.overlaySize) +
                                            " bytes after the last section");
  lines.push_back(c.signatureSize == 0
                      ? std::string("Signature: none")
                      : "Signature: Authenticode, " + std::to_string(c.signatureSize) + " bytes");
  lines.push_back(
      c.storedChecksum == 0
          ? std::string("Checksum: not set (stays 0)")
          : std::string("Checksum: ") + readers::Hex(c.storedChecksum) +
                (c.storedChecksum == c.fileChecksum ? ", matches" : ", does not match") +
                (embedded.outcome == embed::EmbedResult::Outcome::Embedded ? "; recomputed"
                                                                           : "; left as it is"));
  const std::vector<std::string> differences =
      hadManifest ? changes : std::vector<std::string>{texts::kNoOldManifest};
  if (differences.empty()) {
    lines.push_back(texts::kNoDifferences);
  } else {
    lines.push_back(texts::kDifferencesHeading);
    lines.insert(lines.end(), differences.begin(), differences.end());
  }
  return lines;
}

/// The folder a run's temporary files go into, swept of dead runs' first.
std::string SweptFolder(platform::FileOperations& files, const std::string& path) {
  std::string folder = path::Folder(path, path::Style::windows);
  // A killed run's files lie in the program's folder; the current one has no name here.
  platform::RemoveStaleTemporaryFiles(
      files, folder.empty() ? std::string(".") + files.PathSeparator() : folder);
  return folder;
}

/// A fault of this run: the program is as it was.
EmbedRunResult Fail(const std::string& message) {
  EmbedRunResult result;
  result.message = message;
  return result;
}

EmbedRunResult Refuse(const std::string& message, base::Setting liftedBy = base::Setting::None) {
  EmbedRunResult result;
  result.outcome = EmbedOutcome::Refused;
  result.message = message;
  result.liftedBy = liftedBy;
  return result;
}

EmbedRunResult Embed(platform::FileOperations& files, const EmbedRequest& request) {
  const std::string& path = request.programPath;
  const std::string name = FileName(path);
  if (!IsEmbeddablePath(path))
    return Refuse(texts::NotAProgram(name));
  if (!generation::IsManifestVersion(request.version))
    return Refuse(texts::BadVersion(false));
  if (files.IsLink(path) || !files.IsPlainFile(path))
    return Refuse(texts::Refused(name, "it is not a plain file (a link, a folder or a device, "
                                       "or it does not exist)"));
  // The stamp first: whatever changes the program from here on changes it.
  const std::string stamp = files.Stamp(path);
  std::unique_ptr<platform::HeldBytes> held = files.Hold(path, kMaxProgramBytes);
  const std::string_view program = held->Bytes();
  std::unique_ptr<readers::PeImage> image;
  try {
    image = std::make_unique<readers::PeImage>(program);
  } catch (const readers::FormatError& error) {
    return Refuse(
        texts::Refused(name, std::string("it cannot be read as a program: ") + error.what()));
  }
  const std::uint16_t id = image->IsDll() ? embed::kLibraryManifestId : embed::kProgramManifestId;
  // What the program's manifest says stays, unless the user's options say otherwise.
  std::optional<std::string> old;
  if (const readers::Resource* resource = image->Find(
          readers::ResourceKey::Id(readers::kManifestResourceType), readers::ResourceKey::Id(id))) {
    if (resource->size > readers::kMaxManifestBytes)
      return Refuse(texts::Refused(
          name,
          texts::NotMerged("the manifest it carries",
                           readers::TooLarge("it", resource->size, readers::kMaxManifestBytes))));
    old = image->Data(*resource, "the manifest");
  }
  const readers::MergedManifest merged =
      Merged(old,
             ManifestFor(files, path, request.version, request.description, request.manifest,
                         request.components, image->Machine()),
             request);
  if (merged.refusal)
    return Refuse(texts::Refused(
        name, texts::NotMerged("the manifest it carries", readers::texts::Words(*merged.refusal))));
  const std::string& manifest = merged.text;

  embed::EmbedOptions options;
  options.keepOverlay = request.keepOverlay;
  options.stripSignature = request.stripSignature;
  // A dry run shows the new program's sections; a real one writes it, the bulk of it copied
  // file to file by the system, and reads it back from the file.
  options.inPieces = !request.dryRun;
  embed::EmbedResult embedded = embed::EmbedManifest(program, manifest, options);
  // Cut short by another program while read: nothing found in it holds.
  if (!held->Whole())
    return Fail(texts::ChangedSinceRead(name));
  EmbedRunResult result;
  result.changes = ChangeLines(merged.changes);
  result.visualBasic = readers::ImportsVisualBasic(*image, program);
  if (embedded.outcome == embed::EmbedResult::Outcome::Refused)
    return Refuse(texts::Refused(name, Words(embedded.refusal)), embedded.refusal.liftedBy);
  if (request.dryRun) {
    result.outcome = EmbedOutcome::DryRun;
    result.wouldWrite = embedded.outcome == embed::EmbedResult::Outcome::Embedded;
    result.lines = DryRunLines(*image, program, embedded, old.has_value(), result.changes);
    result.otherNames = files.LinkCount(path) > 1;
    if (files.IsReadOnly(path))
      result.lines.push_back(texts::ReadOnly(name));
    else if (files.InUse(path))
      result.lines.push_back(texts::InUse(name));
    result.message = embedded.outcome == embed::EmbedResult::Outcome::Unchanged
                         ? texts::AlreadyThere(name)
                         : texts::DryRun(name);
    return result;
  }
  if (embedded.outcome == embed::EmbedResult::Outcome::Unchanged) {
    result.outcome = EmbedOutcome::Unchanged;
    result.message = texts::AlreadyThere(name);
    result.changes.clear();
    return result;
  }
  if (files.IsReadOnly(path))
    return Refuse(texts::ReadOnly(name));
  if (files.InUse(path))
    return Refuse(texts::InUse(name));

  // The new bytes go under a name of this run's own, are read back and compared, and only
  // then take the program's name; the old program keeps a name of its own, the backup.
  platform::TemporaryFiles temporary(files, SweptFolder(files, path));
  std::vector<platform::SameStretch> same;
  for (const embed::Kept& k : embedded.kept)
    same.push_back({k.from, k.to, k.size});
  const std::vector<std::string_view> parts = embedded.Views(program);
  const std::string written = temporary.CreateExactFrom(".new", parts, path, same);
  // The unchanged bulk was copied from the program's file again, which may have changed.
  if (!files.SameContents(written, parts))
    return Fail(files.Stamp(path) != stamp ? texts::ChangedSinceRead(name)
                                           : texts::VerifyFailed(name, "its bytes differ"));
  {
    // Held only while read: Windows renames over no file that is held.
    const std::unique_ptr<platform::HeldBytes> back =
        files.Hold(written, static_cast<std::size_t>(platform::PartsReader::Size(parts)));
    const std::string wrong =
        back->Whole() ? embedded.check(back->Bytes()) : std::string("it was cut short");
    if (!wrong.empty())
      return Fail(texts::VerifyFailed(name, wrong));
  }
  files.CopyPermissions(path, written);
  // Anything of that name, a folder too, is passed over: it is not the backup of this run.
  result.backupPath = base::BackupName(
      path, [&files](const std::string& candidate) { return files.NameExists(candidate); });
  if (result.backupPath.empty())
    return Fail(texts::Failed(name, "every backup name up to " + FileName(path) + ".bak" +
                                        std::to_string(base::kMaxBackupNumber) + " is taken"));
  // Read before the backup adds a name of its own.
  result.otherNames = files.LinkCount(path) > 1;
  // A second name for the old file costs nothing. Where the file system has none, a copy,
  // the system's own where it can, under this run's name first: one cut short (a full disk,
  // a kill) never has the backup's name.
  if (!files.LinkFile(path, result.backupPath)) {
    const std::string copy =
        temporary.CreateExactFrom(".bak", {program}, path, {{0, 0, program.size()}});
    files.CopyPermissions(path, copy);
    if (!files.RenameNoReplace(copy, result.backupPath))
      return Fail(texts::Failed(name, "its backup " + result.backupPath + " could not be made"));
    temporary.Release(copy);
  }
  // Windows renames over no file that is held.
  image.reset();
  held.reset();
  // What another program wrote meanwhile would be lost, and the backup would not hold it.
  if (files.Stamp(path) != stamp) {
    files.RemoveFile(result.backupPath);
    return Fail(texts::ChangedSinceRead(name));
  }
  try {
    files.RenameOver(written, path);
  } catch (const base::SystemError&) {
    files.RemoveFile(result.backupPath);
    throw;
  }
  temporary.Release(written);
  result.outcome = EmbedOutcome::Embedded;
  result.message = texts::Embedded(name, embed::PlacementName(embedded.placement));
  result.lines = embedded.report;
  return result;
}

/// The manifest beside the program: on Windows a name that differs in letter case only is
/// the same file, so that is the one to use, never a second one beside it.
std::string BesidePath(platform::FileOperations& files, const std::string& path) {
  const std::string wanted = FileName(path) + ".manifest";
  const std::string folder = path::Folder(path, path::Style::windows);
  for (const std::string& entry : files.FolderEntries(folder.empty() ? "." : folder))
    if (entry != wanted && ascii::EqualIgnoringCase(entry, wanted))
      return path.substr(0, path.size() - FileName(path).size()) + entry;
  return path + ".manifest";
}

BesideResult Beside(platform::FileOperations& files, const BesideRequest& request) {
  const std::string& path = request.programPath;
  const std::string name = FileName(path);
  BesideResult result;
  auto refuse = [&result](const std::string& message) {
    result.outcome = BesideOutcome::Refused;
    result.message = message;
    return result;
  };
  if (!IsProgramPath(path))
    return refuse(texts::BesideNeedsProgram(name));
  if (!request.remove && !generation::IsManifestVersion(request.version))
    return refuse(texts::BadVersion(true));
  if (files.IsLink(path) || !files.IsPlainFile(path))
    return refuse(texts::Refused(name, "it is not a plain file (a link, a folder or a device, "
                                       "or it does not exist)"));
  result.manifestPath = BesidePath(files, path);
  const std::string manifestName = FileName(result.manifestPath);
  const bool exists = files.FileExists(result.manifestPath) || files.IsLink(result.manifestPath);
  std::string current;
  if (exists) {
    if (files.IsLink(result.manifestPath) || !files.IsPlainFile(result.manifestPath))
      return refuse(texts::BesideNotAFile(manifestName));
    current = files.ReadBytes(result.manifestPath, readers::kMaxManifestBytes);
  }
  const std::string program = files.ReadBytes(path, kMaxProgramBytes);
  std::unique_ptr<readers::PeImage> image;
  try {
    image = std::make_unique<readers::PeImage>(program);
  } catch (const readers::FormatError& error) {
    if (!request.remove)
      return refuse(
          texts::Refused(name, std::string("it cannot be read as a program: ") + error.what()));
  }
  const std::string plain =
      image ? ManifestFor(files, path, request.version, request.description, request.manifest,
                          request.components, image->Machine())
            : std::string();
  // Ours only with the marker, or exactly what an earlier version wrote for these options:
  // anything else is the user's and is merged, never replaced.
  const bool ours = exists && (current.find(texts::kBesideMarker) != std::string::npos ||
                               (!plain.empty() && current == plain));
  if (request.remove) {
    if (!exists) {
      result.outcome = BesideOutcome::NothingToRemove;
      result.message = texts::BesideNothingToRemove(manifestName);
      return result;
    }
    if (!ours)
      return refuse(texts::BesideNotOurs(manifestName));
    files.RemoveFile(result.manifestPath);
    files.TouchFile(path);
    result.outcome = BesideOutcome::Removed;
    result.message = texts::BesideRemoved(manifestName, name);
    return result;
  }
  if (image->Find(readers::ResourceKey::Id(readers::kManifestResourceType),
                  readers::ResourceKey::Id(embed::kProgramManifestId)))
    return refuse(texts::BesideEmbedded(name));
  if (exists && files.IsReadOnly(result.manifestPath))
    return refuse(texts::BesideReadOnly(manifestName));
  std::string manifest = plain + "\r\n" + texts::kBesideMarker;
  std::vector<std::string> changes;
  if (exists && !ours) {
    const readers::MergedManifest merged = Merged(current, plain, request);
    if (merged.refusal)
      return refuse(texts::BesideNotMerged(manifestName, readers::texts::Words(*merged.refusal)));
    manifest = merged.text;
    changes = ChangeLines(merged.changes);
  }
  if (exists && current == manifest) {
    result.outcome = BesideOutcome::Unchanged;
    result.message = texts::BesideUnchanged(manifestName);
    return result;
  }
  const std::string folder = SweptFolder(files, path);
  platform::TemporaryFiles temporary(files, folder);
  std::string written;
  try {
    written = temporary.CreateExact(".manifest", manifest);
  } catch (const base::SystemError& error) {
    return refuse(
        texts::BesideFolderNotWritable(folder.empty() ? "." : folder, error.Description()));
  }
  if (exists) {
    files.CopyPermissions(result.manifestPath, written);
    // The user's own file: its backup first, as for a program.
    if (!ours) {
      // Anything of that name, a folder too, is passed over, as for a program.
      result.backupPath = base::BackupName(
          result.manifestPath, [&files](const std::string& c) { return files.NameExists(c); });
      if (result.backupPath.empty() ||
          !files.CreateNewFile(result.backupPath, current, platform::Keep::durable)) {
        result.message =
            texts::Failed(manifestName, "its backup " + result.backupPath + " could not be made");
        return result;
      }
      files.CopyPermissions(result.manifestPath, result.backupPath);
    }
  }
  try {
    files.RenameOver(written, result.manifestPath);
  } catch (const base::SystemError&) {
    if (!result.backupPath.empty())
      files.RemoveFile(result.backupPath);
    throw;
  }
  temporary.Release(written);
  // Only now that the manifest is there: a program whose stamp cannot change would keep its
  // cached manifest, and then the file is put back as it was.
  try {
    files.TouchFile(path);
  } catch (const base::SystemError& error) {
    if (exists) {
      const std::string back = temporary.CreateExact(".manifest", current);
      files.CopyPermissions(result.manifestPath, back);
      files.RenameOver(back, result.manifestPath);
      temporary.Release(back);
    } else
      files.RemoveFile(result.manifestPath);
    if (!result.backupPath.empty())
      files.RemoveFile(result.backupPath);
    return refuse(texts::BesideNotTouchable(name, error.Description()));
  }
  result.outcome = BesideOutcome::Written;
  result.message = exists && !ours ? texts::BesideMerged(manifestName, name)
                                   : texts::BesideWritten(manifestName, name);
  if (exists && !ours) {
    result.lines = changes;
    result.lines.push_back(texts::Backup(result.backupPath));
  }
  return result;
}

} // namespace

EmbedRunResult EmbedInProgram(platform::FileOperations& files, const EmbedRequest& request) {
  try {
    return Embed(files, request);
  } catch (const base::SystemError& error) {
    return Fail(texts::Failed(FileName(request.programPath), error.what()));
  } catch (const std::bad_alloc&) {
    return Fail(texts::Failed(FileName(request.programPath), readers::kOutOfMemory));
  }
}

std::vector<std::string> EmbedWarnings(const EmbedRunResult& result) {
  std::vector<std::string> lines;
  if (result.otherNames)
    lines.push_back(texts::kOtherNames);
  return lines;
}

std::vector<std::string> EmbedReport(const EmbedRunResult& result, ReportFor reader) {
  const bool window = reader == ReportFor::Window;
  std::vector<std::string> lines{result.message};
  lines.insert(lines.end(), result.lines.begin(), result.lines.end());
  const std::vector<std::string> warnings = EmbedWarnings(result);
  lines.insert(lines.end(), warnings.begin(), warnings.end());
  if (result.outcome == EmbedOutcome::Embedded) {
    if (!result.changes.empty())
      lines.push_back(texts::kDifferencesHeading);
    lines.insert(lines.end(), result.changes.begin(), result.changes.end());
    lines.push_back(texts::Backup(result.backupPath));
    lines.push_back(texts::RebuildNote(window, result.visualBasic));
  }
  return lines;
}

void Allow(EmbedRequest& request, base::Setting setting) {
  switch (setting) {
  case base::Setting::KeepOverlay:
    request.keepOverlay = true;
    break;
  case base::Setting::StripSignature:
    request.stripSignature = true;
    break;
  case base::Setting::None:
    break;
  }
}

BesideResult WriteBeside(platform::FileOperations& files, const BesideRequest& request) {
  try {
    return Beside(files, request);
  } catch (const base::SystemError& error) {
    BesideResult result;
    result.message = texts::Failed(FileName(request.programPath), error.what());
    return result;
  }
}

} // namespace front
