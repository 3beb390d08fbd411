// A manifest written into a built program: read it, build its manifest, embed it, check,
// back up, write under a temporary name, check the written file, rename. Any fault leaves the
// program as it was.
#include "front/Ways.h"

#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "base/BackupNames.h"
#include "embed/Embed.h"
#include "front/EmbedRefusals.h"
#include "front/EmbedTexts.h"
#include "front/Programs.h"
#include "front/Target.h"
#include "front/Theming.h"
#include "generation/Manifest.h"
#include "platform/Platform.h"
#include "platform/TemporaryFiles.h"
#include "readers/Bytes.h"
#include "readers/ManifestReader.h"
#include "readers/PeConditions.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"

namespace front {

namespace {

namespace texts = embedtexts;
using namespace programs;

std::string SectionLine(const readers::PeSection& s) {
  std::string name = s.name;
  name.resize(8, ' ');
  return "  " + name + " RVA " + readers::Hex(s.virtualAddress) + ", size " +
         readers::Hex(s.virtualSize) + "; file " + readers::Hex(s.rawOffset) + ", size " +
         readers::Hex(s.rawSize) + "; flags " + readers::Hex(s.characteristics);
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

/// The program as read: its stamp first, then its bytes held and read as an image.
struct Held {
  std::string stamp;
  std::unique_ptr<platform::HeldBytes> bytes;
  std::unique_ptr<readers::PeImage> image;
  std::string_view Program() const { return bytes->Bytes(); }
};

/// A dry run: what the writer would do, and what would stop the real run.
Result DryRun(platform::FilePort& files, const std::string& path, const Held& held,
              const embed::EmbedResult& embedded, bool hadManifest, Result result) {
  const std::string name = FileName(files, path);
  result.outcome = Outcome::DryRun;
  result.wouldWrite = embedded.outcome == embed::EmbedResult::Outcome::Embedded;
  result.lines = DryRunLines(*held.image, held.Program(), embedded, hadManifest, result.changes);
  if (files.LinkCount(path) > 1)
    result.warnings.push_back(texts::kOtherNames);
  if (files.IsReadOnly(path))
    result.lines.push_back(texts::ReadOnly(name));
  else if (files.InUse(path))
    result.lines.push_back(texts::InUse(name));
  result.message = embedded.outcome == embed::EmbedResult::Outcome::Unchanged
                       ? texts::AlreadyThere(name)
                       : texts::DryRun(name);
  return result;
}

/// The new bytes go under a name of this run's own, are read back and compared, and only
/// then take the program's name; the old program keeps a name of its own, the backup.
Result Write(platform::FileOperations& files, const std::string& path, Held& held,
             const embed::EmbedResult& embedded, Result result) {
  const std::string name = FileName(files, path);
  const std::string_view program = held.Program();
  platform::TemporaryFiles temporary(files, SweptFolder(files, path));
  std::vector<platform::SameStretch> same;
  for (const embed::Kept& k : embedded.kept)
    same.push_back({k.from, k.to, k.size});
  const std::vector<std::string_view> parts = embedded.Views(program);
  const std::string written = temporary.CreateExactFrom(".new", parts, path, same);
  // The unchanged bulk was copied from the program's file again, which may have changed.
  if (!files.SameContents(written, parts))
    return Fail(files.Stamp(path) != held.stamp ? texts::ChangedSinceRead(name)
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
  const std::string backup = base::BackupName(
      path, [&files](const std::string& candidate) { return files.NameExists(candidate); });
  if (backup.empty())
    return Fail(texts::Failed(name, "every backup name up to " + name + ".bak" +
                                        std::to_string(base::kMaxBackupNumber) + " is taken"));
  // Read before the backup adds a name of its own.
  if (files.LinkCount(path) > 1)
    result.warnings.push_back(texts::kOtherNames);
  // A second name for the old file costs nothing. Where the file system has none, a copy,
  // the system's own where it can, under this run's name first: one cut short (a full disk,
  // a kill) never has the backup's name.
  if (!files.LinkFile(path, backup)) {
    const std::string copy =
        temporary.CreateExactFrom(".bak", {program}, path, {{0, 0, program.size()}});
    files.CopyPermissions(path, copy);
    if (!files.RenameNoReplace(copy, backup))
      return Fail(texts::Failed(name, "its backup " + backup + " could not be made"));
    temporary.Release(copy);
  }
  // Windows renames over no file that is held.
  held.image.reset();
  held.bytes.reset();
  // What another program wrote meanwhile would be lost, and the backup would not hold it.
  if (files.Stamp(path) != held.stamp) {
    files.RemoveFile(backup);
    return Fail(texts::ChangedSinceRead(name));
  }
  try {
    files.RenameOver(written, path);
  } catch (const base::SystemError&) {
    files.RemoveFile(backup);
    throw;
  }
  temporary.Release(written);
  result.outcome = Outcome::Done;
  result.message = texts::Embedded(name, embed::PlacementName(embedded.placement));
  result.lines = embedded.report;
  result.backups.push_back(backup);
  return result;
}

/// The manifest the program carries now, unset when it has none or, with tooLarge set and
/// why, when it is too large to read.
std::optional<std::string> OldManifest(const readers::PeImage& image, std::uint16_t id,
                                       bool& tooLarge, std::string& why) {
  const readers::Resource* resource = image.Find(
      readers::ResourceKey::Id(readers::kManifestResourceType), readers::ResourceKey::Id(id));
  if (!resource)
    return std::nullopt;
  if (resource->size > readers::kMaxManifestBytes) {
    tooLarge = true;
    why = readers::TooLarge("it", resource->size, readers::kMaxManifestBytes);
    return std::nullopt;
  }
  return image.Data(*resource, "the manifest");
}

Result Embed(platform::FileOperations& files, const Request& request) {
  const std::string& path = request.target;
  const std::string name = FileName(files, path);
  if (!IsEmbeddablePath(path))
    return Refuse(texts::NotAProgram(name));
  if (!generation::IsManifestVersion(request.version))
    return Refuse(texts::BadVersion(false));
  if (files.IsLink(path) || !files.IsPlainFile(path))
    return Refuse(texts::Refused(name, "it is not a plain file (a link, a folder or a device, "
                                       "or it does not exist)"));
  // The stamp first: whatever changes the program from here on changes it.
  Held held;
  held.stamp = files.Stamp(path);
  held.bytes = files.Hold(path, kMaxProgramBytes);
  const std::string_view program = held.Program();
  try {
    held.image = std::make_unique<readers::PeImage>(program);
  } catch (const readers::FormatError& error) {
    return Refuse(
        texts::Refused(name, std::string("it cannot be read as a program: ") + error.what()));
  }
  const readers::PeImage& image = *held.image;
  const std::uint16_t id = image.IsDll() ? embed::kLibraryManifestId : embed::kProgramManifestId;
  // What the program's manifest says stays, unless the user's options say otherwise.
  bool tooLarge = false;
  std::string why;
  const std::optional<std::string> old = OldManifest(image, id, tooLarge, why);
  if (tooLarge)
    return Refuse(texts::Refused(name, texts::NotMerged("the manifest it carries", why)));
  const readers::MergedManifest merged =
      Merged(old, ManifestFor(files, request, image.Machine()), request);
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
  if (!held.bytes->Whole())
    return Fail(texts::ChangedSinceRead(name));
  Result result;
  result.changes = ChangeLines(merged.changes);
  const ProgramTheming theming = ThemingOf(image, program, request.manifest.codePage);
  result.visualBasic = theming.visualBasic;
  result.hadManifest = old.has_value();
  result.warnings = theming.warnings;
  if (embedded.outcome == embed::EmbedResult::Outcome::Refused)
    return Refuse(texts::Refused(name, Words(embedded.refusal)), embedded.refusal.liftedBy);
  if (request.dryRun)
    return DryRun(files, path, held, embedded, old.has_value(), std::move(result));
  if (embedded.outcome == embed::EmbedResult::Outcome::Unchanged) {
    result.outcome = Outcome::Unchanged;
    result.message = texts::AlreadyThere(name);
    result.changes.clear();
    return result;
  }
  if (files.IsReadOnly(path))
    return Refuse(texts::ReadOnly(name));
  if (files.InUse(path))
    return Refuse(texts::InUse(name));
  return Write(files, path, held, embedded, std::move(result));
}

} // namespace

Result EmbedInProgram(platform::FileOperations& files, const Request& request) {
  const std::string name = FileName(files, request.target);
  try {
    return Embed(files, request);
  } catch (const base::SystemError& error) {
    return Fail(texts::Failed(name, error.what()));
  } catch (const std::bad_alloc&) {
    return Fail(texts::Failed(name, readers::kOutOfMemory));
  }
}

std::vector<std::string> EmbedReport(const Result& result, const Wording& wording) {
  std::vector<std::string> lines{result.message};
  lines.insert(lines.end(), result.lines.begin(), result.lines.end());
  lines.insert(lines.end(), result.warnings.begin(), result.warnings.end());
  if (result.outcome == Outcome::Done) {
    if (!result.changes.empty())
      lines.push_back(texts::kDifferencesHeading);
    lines.insert(lines.end(), result.changes.begin(), result.changes.end());
    for (const std::string& backup : result.backups)
      lines.push_back(texts::Backup(backup));
    lines.push_back(texts::RebuildNote(result.visualBasic, wording));
  }
  return lines;
}

} // namespace front
