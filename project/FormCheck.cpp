#include "project/FormCheck.h"

#include <algorithm>
#include <unordered_set>

#include "base/Ascii.h"
#include "base/Path.h"
#include "project/Paths.h"
#include "project/ProjectTexts.h"
#include "readers/FormTexts.h"
#include "readers/Forms.h"
#include "readers/VbProject.h"

namespace project {

namespace {

namespace formtexts = readers::formtexts;

/// A standard EXE that starts in a form.
bool StartsInForm(const readers::ProjectFacts& facts) {
  return readers::IsStandardExe(facts.type) && facts.StartsInForm();
}

struct Listed {
  const readers::ProjectModule* file;
  bool userControl;
};

/// A path as a key that names its file once, whatever case Windows is given it in.
std::string FileKey(platform::FilePort& files, const std::string& path) {
  return files.PathSeparator() == '\\' ? ascii::Lower(path) : path;
}

/// The files whose texts Visual Basic converts through the ANSI code page; those after the
/// first two the check of the forms does not read.
constexpr const char* kSourceKeys[] = {"Form", "UserControl", "Module", "Class"};

/// The texts, and in modulesRead how many module and class files were read for them.
std::vector<readers::SourceText> ListedTexts(platform::FilePort& files, ProjectFiles& paths,
                                             const readers::ProjectFacts& facts, unsigned codePage,
                                             std::size_t& modulesRead) {
  std::vector<readers::SourceText> texts;
  std::unordered_set<std::string> read;
  for (const readers::ProjectPath& named : facts.paths) {
    const auto key =
        std::find_if(std::begin(kSourceKeys), std::end(kSourceKeys), [&named](const char* one) {
          return ascii::EqualIgnoringCase(named.key, one);
        });
    if (key == std::end(kSourceKeys))
      continue;
    const std::string path = paths.Find(named.path);
    std::string source, why;
    if (!read.insert(FileKey(files, path)).second ||
        !paths.Read(path, readers::kMaxFormBytes, source, why))
      continue;
    modulesRead += key - std::begin(kSourceKeys) >= 2 ? 1 : 0;
    for (readers::SourceText& text : readers::TextsOutsideAscii(source)) {
      text.file = path;
      text.text = codepages::ToUtf8(text.text, codePage);
      texts.push_back(std::move(text));
    }
  }
  return texts;
}

/// --check-forms' findings of the texts the UTF-8 code page garbles.
void AddGarbledTexts(const std::vector<readers::SourceText>& texts,
                     std::vector<std::string>& findings) {
  for (std::size_t i = 0; i < texts.size() && i < readers::kTextsShown; ++i)
    findings.push_back(
        formtexts::Line(texts[i].file, texts[i].line, texts[i].text, readers::kGarbledText));
  if (texts.size() > readers::kTextsShown)
    findings.push_back(readers::MoreGarbledTexts(texts.size() - readers::kTextsShown));
}

} // namespace

FormCheck CheckForms(platform::FilePort& files, const std::string& projectPath, unsigned codePage,
                     bool utf8CodePage) {
  FormCheck check;
  std::string text, why;
  if (!ReadProjectFile(files, projectPath, readers::kMaxProjectBytes, text, why)) {
    check.refusal = formtexts::ProjectUnreadable(projectPath, why);
    return check;
  }
  const readers::ProjectFacts facts = readers::ReadProjectFacts(text);
  if (const std::optional<Refusal> badName = NameWithControlCharacter(projectPath, facts)) {
    check.refusal = texts::NameWithControlCharacter(*badName);
    return check;
  }
  std::vector<Listed> listed;
  for (const readers::ProjectModule& form : facts.forms)
    listed.push_back({&form, false});
  for (const readers::ProjectModule& control : facts.userControls)
    listed.push_back({&control, true});
  std::stable_sort(listed.begin(), listed.end(),
                   [](const Listed& a, const Listed& b) { return a.file->line < b.file->line; });

  ProjectFiles paths(files, path::Folder(projectPath, path::StyleOf(files.PathSeparator())),
                     codePage);
  // A file listed again, in whatever spelling, is the same file: read and told once. Each
  // line that names a file that cannot be read is told, as each needs correcting.
  std::unordered_set<std::string> checked;
  for (const Listed& entry : listed) {
    const readers::ProjectModule& written = *entry.file;
    const std::string path = paths.Find(written.path);
    const std::string key = FileKey(files, path);
    if (checked.count(key) != 0)
      continue;
    std::string form;
    if (!paths.Read(path, readers::kMaxFormBytes, form, why)) {
      check.findings.push_back(
          formtexts::Line(projectPath, written.line, written.path,
                          formtexts::CannotRead(entry.userControl ? "UserControl" : "Form", why)));
      continue;
    }
    checked.insert(key);
    ++check.filesChecked;
    const readers::FormFile read = readers::ReadForm(form);
    for (const readers::FormFinding& finding : readers::CheckForm(read))
      check.findings.push_back(formtexts::Line(path, finding.line, finding.control, finding.text));
    if (entry.userControl && StartsInForm(facts)) {
      const std::string name = !read.vbName.empty() ? read.vbName
                               : read.controls.empty() || read.controls[0].name.empty()
                                   ? written.path
                                   : read.controls[0].name;
      check.findings.push_back(formtexts::Line(projectPath, written.line, name,
                                               formtexts::UserControlExit(facts.startup)));
    }
  }
  if (utf8CodePage)
    AddGarbledTexts(ListedTexts(files, paths, facts, codePage, check.filesChecked), check.findings);
  return check;
}

std::vector<readers::SourceText>
TextsOutsideAscii(platform::FilePort& files, const std::string& projectPath, unsigned codePage) {
  std::string text, why;
  if (!ReadProjectFile(files, projectPath, readers::kMaxProjectBytes, text, why))
    return {};
  const readers::ProjectFacts facts = readers::ReadProjectFacts(text);
  if (NameWithControlCharacter(projectPath, facts))
    return {};
  ProjectFiles paths(files, path::Folder(projectPath, path::StyleOf(files.PathSeparator())),
                     codePage);
  std::size_t modulesRead = 0;
  return ListedTexts(files, paths, facts, codePage, modulesRead);
}

std::string FormCheckReport(const FormCheck& check, std::size_t shown) {
  if (check.refusal)
    return *check.refusal;
  if (check.findings.empty())
    return formtexts::Summary(check.filesChecked, 0);
  std::string report = std::string(formtexts::kHeading) + "\n";
  for (std::size_t i = 0; i < check.findings.size() && i < shown; ++i)
    report += check.findings[i] + "\n";
  if (check.findings.size() > shown)
    report += formtexts::More(check.findings.size() - shown) + "\n";
  return report + formtexts::Summary(check.filesChecked, check.findings.size());
}

} // namespace project
