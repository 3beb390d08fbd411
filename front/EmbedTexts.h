#pragma once
// The texts of a manifest written into a built program and of one written beside it, for
// both front ends. What the user does about them is named by the front end (front/Wording.h).

#include <string>

#include "front/Wording.h"

namespace front::embedtexts {

/// A version Windows would refuse: the changed program, or the one beside the manifest,
/// would no longer start. beside: the manifest goes beside the program.
inline std::string BadVersion(bool beside) {
  return std::string("Version info should be four numbers separated by dots, such as 1.0.0.0. "
                     "Windows will not start a program whose manifest has another version: ") +
         (beside ? "nothing was written." : "nothing was embedded.");
}
inline std::string Refused(const std::string& name, const std::string& reason) {
  return name + " is left as it was: " + reason + ".";
}
inline std::string ReadOnly(const std::string& name) {
  return name + " is left as it was: it is read-only. Clear its read-only attribute (or give "
                "write permission) to embed the manifest.";
}
inline std::string InUse(const std::string& name) {
  return name + " is left as it was: it is running, or another program holds it open. Close "
                "it and try again.";
}
inline std::string NotAProgram(const std::string& name) {
  return name + " is left as it was: only a built .exe, .dll or .ocx takes an embedded "
                "manifest.";
}
inline std::string Failed(const std::string& name, const std::string& error) {
  return name + " is left as it was: " + error;
}
inline std::string VerifyFailed(const std::string& name, const std::string& what) {
  return name +
         " is left as it was: the new program written to disk did not read back as "
         "built (" +
         what + ").";
}
inline std::string ChangedSinceRead(const std::string& name) {
  return name + " changed since it was read: another program wrote to it or replaced it while "
                "the manifest was embedded. Nothing was changed. Run again to embed the "
                "manifest in the program as it is now.";
}
inline std::string Embedded(const std::string& name, const std::string& placement) {
  return name + ": manifest embedded (" + placement + ").";
}
inline std::string AlreadyThere(const std::string& name) {
  return name + " already carries this manifest: nothing changed.";
}
inline std::string Backup(const std::string& path) { return "backup: " + path; }
/// Why an old manifest is not merged: Windows would have refused it, and ours alone would
/// drop what it says.
inline std::string NotMerged(const std::string& what, const std::string& why) {
  return what + " cannot be merged with the new one: " + why;
}
constexpr const char* kDifferencesHeading = "Manifest, before -> after:";
constexpr const char* kNoDifferences = "Manifest: the one it carries already says all of this";
constexpr const char* kNoOldManifest = "  none -> visual styles on";
constexpr const char* kSectionsBefore = "Sections before:";
constexpr const char* kSectionsAfter = "Sections after:";
inline std::string DryRun(const std::string& name) {
  return name + ": what embedding the manifest would do; nothing was written.";
}
/// visualBasic: the program was built by Visual Basic, whose project can carry the manifest.
inline std::string RebuildNote(bool visualBasic, const Wording& wording) {
  if (!visualBasic)
    return "Rebuilding the program replaces it, and with it the embedded manifest. For a "
           "lasting change, put the manifest into the program's own build, or embed it again "
           "after each build" +
           wording.embedAfterBuild + ".";
  return "Rebuilding the program in Visual Basic replaces it, and with it the embedded "
         "manifest. For a lasting change, set the project up instead" +
         wording.setUpProject + ".";
}
/// Another hard link to the program keeps the file that is replaced here.
constexpr const char* kOtherNames =
    "the program has other names (hard links) as well: they keep the old program, and only "
    "this name takes the new one";

// ---- Beside the program --------------------------------------------------------------

inline std::string BesideNeedsProgram(const std::string& name, const Wording& wording) {
  return name +
         ": a manifest beside the file is read for a program (.exe) only; a library's "
         "comes from its own resources" +
         wording.embedInstead + ".";
}
inline std::string BesideEmbedded(const std::string& name) {
  return name + " embeds a manifest of its own, and Windows since Vista uses the embedded one "
                "and ignores a file beside it. (The PreferExternalManifest setting of the "
                "registry turns that round for every program; this tool never sets it.) "
                "Nothing was written.";
}
/// What the tool adds to the file it writes beside a program, so that it knows the file as
/// its own: a merged manifest of the user's never carries it. A comment may not hold "--".
constexpr const char* kBesideMarker = "<!-- Written beside the program by Themefold Maker; its "
                                      "options beside and remove together remove it. -->";
/// The mark earlier versions wrote; its option names made the file ill-formed XML, but the
/// file is still the tool's own.
constexpr const char* kEarlierBesideMarker =
    "<!-- Written beside the program by Themefold Maker; --beside --remove removes it. -->";
inline std::string BesideNotOurs(const std::string& manifestName) {
  return manifestName + " is the program's own manifest, not one this tool wrote: it is left "
                        "alone. Nothing was removed.";
}
inline std::string BesideNotMerged(const std::string& manifestName, const std::string& why) {
  return manifestName + " is left as it was: " + NotMerged("it", why) + ". Nothing was written.";
}
inline std::string BesideNotAFile(const std::string& manifestName) {
  return manifestName + " is not a plain file (a link, a folder or a device): it is left "
                        "alone. Nothing was written.";
}
inline std::string BesideReadOnly(const std::string& manifestName) {
  return manifestName + " is read-only: it is left as it was. Clear its read-only attribute "
                        "(or give write permission) to merge the manifest into it.";
}
inline std::string BesideMerged(const std::string& manifestName, const std::string& name) {
  return manifestName + " merged with the manifest for " + name + "; its time stamp renewed.";
}
inline std::string BesideFolderNotWritable(const std::string& folder, const std::string& error) {
  return "the folder " + folder + " cannot be written (" + error + "): nothing was written.";
}
inline std::string BesideNotTouchable(const std::string& name, const std::string& error) {
  return "the time stamp of " + name + " cannot be set (" + error +
         "), and Windows would go "
         "on using what it cached for the program: the manifest beside it is as it was.";
}
inline std::string BesideWritten(const std::string& manifestName, const std::string& name) {
  return manifestName + " written beside " + name + "; its time stamp renewed.";
}
inline std::string BesideUnchanged(const std::string& manifestName) {
  return manifestName + " already holds this manifest: nothing changed.";
}
inline std::string BesideRemoved(const std::string& manifestName, const std::string& name) {
  return manifestName + " removed; the time stamp of " + name + " renewed.";
}
inline std::string BesideNothingToRemove(const std::string& manifestName) {
  return "there is no " + manifestName + ": nothing removed.";
}

} // namespace front::embedtexts
