#include "app/ComponentFiles.h"

#include "app/AppTexts.h"
#include "base/Path.h"
#include "readers/Bytes.h"
#include "readers/ComponentReader.h"
#include "readers/PeImage.h"

namespace app {

std::string InspectedComponentFiles::ChooseComponent() {
  int filterIndex = 1;
  return dialog_.Show(texts::kComponentFilter, owner_, "", texts::kComponentDialogTitle, 0, false,
                      filterIndex, "");
}

std::string InspectedComponentFiles::ChooseProject() {
  int filterIndex = 1;
  return dialog_.Show(texts::kProjectFilter, owner_, "", texts::kProjectDialogTitle, 0, false,
                      filterIndex, "");
}

namespace {

readers::RegistryReader ReaderOf(Registry& registry) {
  return [&registry](const std::string& subKey) {
    return registry.ReadLocalMachineString(subKey, "");
  };
}

} // namespace

ComponentEntry InspectedComponentFiles::Describe(const std::string& path,
                                                 const std::string& exePath) {
  ComponentEntry entry;
  try {
    const std::string folder = path::Folder(exePath, path::StyleOf(separator_));
    const readers::Component component = readers::ReadComponents(
        {path}, folder, separator_, ReaderOf(registry_), readers::ProgramMachine(exePath))[0];
    entry.classCount = component.classCount;
    entry.outside = component.outside;
    for (const std::string& note : component.miscStatusNotes)
      entry.source += (entry.source.empty() ? "" : "; ") + note;
  } catch (const readers::ComponentRefused& refused) {
    entry.problem = refused.what();
    entry.refusal = *entry.problem;
  } catch (const readers::FormatError& error) {
    entry.problem = error.what();
  }
  return entry;
}

std::vector<std::string> InspectedComponentFiles::FromProject(const std::string& project,
                                                              std::string& problem) {
  std::vector<std::string> notes;
  try {
    return readers::ProjectComponentPaths(project, separator_, notes);
  } catch (const readers::FormatError& error) {
    problem = error.what();
    return {};
  }
}

std::optional<std::string> ReadComponentFacts(const std::vector<std::string>& paths,
                                              const std::string& exePath, Registry& registry,
                                              char separator,
                                              std::vector<generation::ComponentFacts>& facts) {
  try {
    const std::string folder = path::Folder(exePath, path::StyleOf(separator));
    facts = readers::FactsOf(readers::ReadComponents(paths, folder, separator, ReaderOf(registry),
                                                     readers::ProgramMachine(exePath)));
    return std::nullopt;
  } catch (const readers::FormatError& error) {
    return std::string(error.what());
  }
}

} // namespace app
