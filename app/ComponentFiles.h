#pragma once
// The COM components the options window lists: chosen through the file dialog, read
// through readers/, and read again as facts when a generation starts.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/Services.h"
#include "generation/ComponentFacts.h"

namespace app {

/// A component as the options window shows it.
struct ComponentEntry {
  std::size_t classCount = 0;
  bool outside = false;               ///< not in the program's folder or below it
  std::optional<std::string> problem; ///< why it cannot be read; unset when it can
  std::string source; ///< where the controls' miscStatus comes from; "" without controls
  /// Why the program cannot load it (built for another machine); unset when it can.
  std::optional<std::string> refusal;
};

class ComponentFiles {
public:
  virtual ~ComponentFiles() = default;
  /// A .ocx, .dll or .tlb file; "" when the user cancels.
  virtual std::string ChooseComponent() = 0;
  /// A .vbp file; "" when the user cancels.
  virtual std::string ChooseProject() = 0;
  virtual ComponentEntry Describe(const std::string& path, const std::string& exePath) = 0;
  /// The components project names; problem says why none could be taken.
  virtual std::vector<std::string> FromProject(const std::string& project,
                                               std::string& problem) = 0;
};

/// The real one: the common dialog, and readers/'s readers.
class InspectedComponentFiles : public ComponentFiles {
public:
  InspectedComponentFiles(FileDialog& dialog, Registry& registry, WindowHandle owner,
                          char separator)
      : dialog_(dialog), registry_(registry), owner_(owner), separator_(separator) {}
  std::string ChooseComponent() override;
  std::string ChooseProject() override;
  ComponentEntry Describe(const std::string& path, const std::string& exePath) override;
  std::vector<std::string> FromProject(const std::string& project, std::string& problem) override;

private:
  FileDialog& dialog_;
  Registry& registry_;
  WindowHandle owner_;
  char separator_;
};

/// The facts of each component for a generation of exePath, misc status from registry.
/// Returns why one cannot be read (naming the file); unset with facts filled.
std::optional<std::string> ReadComponentFacts(const std::vector<std::string>& paths,
                                              const std::string& exePath, Registry& registry,
                                              char separator,
                                              std::vector<generation::ComponentFacts>& facts);

} // namespace app
