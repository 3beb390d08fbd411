#pragma once
// The windows' layout in twips, the unit they were designed in, and the conversion to
// pixels for the screen's DPI.

#include <cstddef>

namespace app::layout {

enum class Kind {
  Picture,
  Label,
  Link,
  Edit,
  ReadOnlyEdit,
  Button,
  DefaultButton,
  CheckBox,
  DropList, ///< height: the closed box; the list drops below it
  Note,     ///< a label that wraps
  Report,   ///< read-only text of several lines
  List,     ///< a list box of lines
};

struct Control {
  int id;
  Kind kind;
  const char* text;
  int left, top, width, height; ///< twips
};

/// frmMain's controls in tab order: Text1, Command3, Text3, Text4, Command4, Command1,
/// Command2, Command5, Check1, then the labels, which take no focus, and Picture1, which does.
extern const Control kMainControls[];
extern const std::size_t kMainControlCount;

/// frmOptions's controls in tab order, each label before the list it names.
extern const Control kOptionsControls[];
extern const std::size_t kOptionsControlCount;

inline constexpr int kMainClientWidth = 7095;
inline constexpr int kMainClientHeight = 4140;
inline constexpr int kReadmeClientWidth = 7065;
inline constexpr int kReadmeClientHeight = 4800;
inline constexpr int kOptionsClientWidth = 8100;
inline constexpr int kOptionsClientHeight = 8235;

inline constexpr int kDescriptionLimit = 300;

/// 1440 twips to the inch; 15 twips per pixel at 96 DPI.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

/// Font height in pixels for hundredths of a point; negative asks for the character height.
constexpr int FontHeight(int centipoints, int dpi) { return -((centipoints * dpi + 3600) / 7200); }

} // namespace app::layout
