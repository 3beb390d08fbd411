#pragma once
// The components a Visual Basic 6 project (.vbp) names: its Object= lines (controls) and
// Reference= lines (libraries), and where their files are.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace readers {

struct ProjectComponent {
  enum class Kind { Object, Reference };
  Kind kind = Kind::Object;
  std::string guid;    ///< the type library's, "{...}" as written
  std::string version; ///< "2.0": major.minor in hexadecimal, as the registry keys them
  std::string lcid;
  std::string file; ///< Object: the file name; Reference: the path as written
  std::string description;
  int line = 0;
};

struct ProjectComponents {
  std::vector<ProjectComponent> components; ///< in the project's order, without what
                                            ///< every Windows has registered
  std::vector<std::string> notes;           ///< lines left out, and why
};

/// The largest project file read. Visual Basic writes a few kilobytes; the limit leaves room
/// for generated projects a thousand times that, 100,000 Object= lines among them.
inline constexpr std::size_t kMaxProjectBytes = 16 << 20;

/// The Object= and Reference= lines of a project file's text. stdole, the Visual Basic
/// runtime and OLE Automation are left out: every Windows has them registered.
ProjectComponents ReadProjectComponents(const std::string& text);

/// True for the libraries every Windows has registered.
bool IsSystemLibrary(const std::string& guid);

/// Where a component's file is: its path taken from the project's folder (an absolute path
/// as it stands), else its file name in each of the other folders in turn; "" when exists
/// finds it nowhere. Paths use '\\' or '/' as written; separator joins them.
std::string LocateComponent(const ProjectComponent& component, const std::string& projectFolder,
                            const std::vector<std::string>& otherFolders, char separator,
                            const std::function<bool(const std::string&)>& exists);

} // namespace readers
