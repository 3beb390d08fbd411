#include "project/ProjectTexts.h"

#include <cstdlib>

#include "base/SystemError.h"
#include "generation/DriverTexts.h"
#include "readers/ReaderTexts.h"

namespace project::texts {

namespace {

unsigned long Number(const std::string& fact) { return std::strtoul(fact.c_str(), nullptr, 10); }

/// After "which": what is where the project's resource file should be.
std::string InsteadOfAFile(const std::string& what, const std::string& codePage) {
  namespace gt = generation::texts;
  const char* is = what == "link"     ? gt::kLinkInTheWay
                   : what == "folder" ? gt::kFolderInTheWay
                   : what == "device" ? gt::kDeviceInTheWay
                                      : nullptr;
  if (is)
    return std::string("is ") + is;
  return kDoesNotExist + (codePage.empty() ? std::string() : NotInCodePage(Number(codePage)));
}

} // namespace

std::string Words(const Refusal& r) {
  switch (r.code) {
  case Problem::CannotRead:
    return CannotRead(r.Fact(0), r.Fact(1));
  case Problem::LineEnds:
    return LineEnds(r.Fact(0), r.Fact(1));
  case Problem::NotStandardExe:
    return NotStandardExe(r.Fact(0), r.Fact(1));
  case Problem::RepeatedKey:
    return RepeatedKey(r.Fact(0), r.Fact(1));
  case Problem::ControlCharacterInName:
    return NameWithControlCharacter(r) + kNothingChanged;
  case Problem::NoResFile:
    return NoResFile(r.Fact(0), r.Fact(1), InsteadOfAFile(r.Fact(2), r.Fact(3)));
  case Problem::NotResFile:
    return NotResFile(r.Fact(0), r.Fact(1));
  case Problem::StartupNotAForm:
    return StartupNotAForm(r.Fact(0), r.Fact(1));
  case Problem::NoStartupForm:
    return NoStartupForm(r.Fact(0));
  case Problem::SubMainNotStarted:
    return SubMainNotStarted(r.Fact(0), r.Fact(1));
  case Problem::NoSubMain:
    return NoSubMain(r.Fact(0));
  case Problem::ModuleInTheWay:
    return ModuleInTheWay(r.Fact(0));
  case Problem::ListedModuleWithoutSubMain:
    return ListedModuleWithoutSubMain(r.Fact(0));
  case Problem::SubMainOnItsHeaderLine:
    return SubMainOnItsHeaderLine(r.Fact(0), static_cast<int>(Number(r.Fact(1))));
  case Problem::FormNotShown:
    return FormNotShown(r.Fact(0), r.Fact(1));
  case Problem::VersionDeclined:
    return VersionDeclined(r.Fact(0), r.Fact(1));
  case Problem::ManifestNotMerged:
    return ManifestNotMerged(r.Fact(0),
                             readers::texts::Words(Wrapped<readers::MergeProblem>(r, 1)));
  case Problem::ResNotMerged:
    return NotResFile(r.Fact(0), Words(Wrapped<Problem>(r, 1)));
  case Problem::ResNotRead:
    return r.Fact(0);
  case Problem::CompiledResNotRead:
    return "the compiled manifest: " + r.Fact(0);
  case Problem::CompiledResWithoutManifest:
    return "the compiled manifest holds no manifest entry";
  case Problem::CompilerNotStarted:
    return generation::texts::CompilerNotStarted(base::SystemError("", "", 0, r.Fact(0)));
  case Problem::CompileFailed:
    return generation::texts::kCompileFailed;
  case Problem::CompilerOutputNotRes:
    return CompilerOutput(r.Fact(0), r.Fact(1));
  case Problem::CompilerOutputNoManifest:
    return CompilerOutput(r.Fact(0), kNoManifestEntry);
  case Problem::LineBreakInName:
    return LineBreakInName(r.Fact(0));
  case Problem::OutsideProject:
    return OutsideProject(r.Fact(0));
  case Problem::LinkInTheWay:
    return InTheWay(r.Fact(0), kALink);
  case Problem::FolderInTheWay:
    return InTheWay(r.Fact(0), kAFolder);
  case Problem::NotAPlainFileInTheWay:
    return InTheWay(r.Fact(0), kNotAPlainFile);
  case Problem::ReadOnly:
    return ReadOnly(r.Fact(0));
  case Problem::FolderNotWritable:
    return FolderNotWritable(r.Fact(0), r.Fact(1));
  case Problem::NoBackupName:
    return NoBackupName(r.Fact(0));
  case Problem::AnotherRun:
    return AnotherRun(r.Fact(0), Number(r.Fact(1)));
  case Problem::SystemFailure:
    return r.Fact(0);
  case Problem::ChangedWhileReplaced:
    return ChangedWhileReplaced(r.Fact(0));
  }
  return std::string();
}

std::string Words(const std::optional<Refusal>& refusal) {
  return refusal ? Words(*refusal) : std::string();
}

std::string NameWithControlCharacter(const Refusal& refusal) {
  return ControlCharacterInName(refusal.Fact(0), static_cast<int>(Number(refusal.Fact(1))),
                                refusal.Fact(2), refusal.Fact(3));
}

} // namespace project::texts
