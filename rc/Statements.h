#pragma once
// The third stage's output: one object per statement of the script, handed to a
// StatementSink (the .res writer) as soon as it is parsed, so a script of thousands of
// resources never sits in memory whole.

#include "rc/Token.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rc {

/// Resource kinds; the values are the type numbers of the .res format.
enum class ResourceType : std::uint16_t {
  kCursor = 1,
  kBitmap = 2,
  kIcon = 3,
  kMenu = 4,
  kDialog = 5,
  kString = 6,
  kAccelerators = 9,
  kRcData = 10,
  kGroupCursor = 12,
  kGroupIcon = 14,
  kVersion = 16,
  kHtml = 23,
  kManifest = 24,
};

/// Memory flags of a resource header.
namespace memory {
inline constexpr std::uint16_t kMoveable = 0x0010;
inline constexpr std::uint16_t kPure = 0x0020;
inline constexpr std::uint16_t kPreload = 0x0040;
inline constexpr std::uint16_t kDiscardable = 0x1000;
} // namespace memory

/// A number as the script wrote it: an L suffix anywhere in it makes it 32 bits wide
/// where the format leaves the choice (user data, version values).
struct RcInt {
  std::uint32_t value = 0;
  bool isLong = false;
};

/// A resource's type or name: a 16-bit ordinal or a name in capitals.
struct NameOrId {
  bool isId = true;
  std::uint16_t id = 0;
  std::u16string name;

  static NameOrId Id(std::uint16_t id) { return NameOrId{true, id, {}}; }
  static NameOrId Type(ResourceType type) { return Id(static_cast<std::uint16_t>(type)); }
  /// A text where the format takes an ordinal or a text (a control's title or class, a
  /// dialog's menu); an empty one is written as a lone NUL.
  static NameOrId Text(std::u16string text) { return NameOrId{false, 0, std::move(text)}; }
};

/// What every resource statement has.
struct ResourceHead {
  NameOrId name;
  std::uint16_t flags = 0;
  Location where;
};

struct LanguageStatement {
  std::uint16_t language = 0;
};

/// ICON, CURSOR and BITMAP: an image file.
struct ImageStatement {
  ResourceHead head;
  ResourceType kind = ResourceType::kIcon;
  std::string file;
};

/// A user-defined type, RCDATA or HTML with the contents of a file.
struct FileStatement {
  ResourceHead head;
  NameOrId type;
  std::string file;
};

/// A user-defined type or RCDATA with its bytes written out in the script.
struct DataStatement {
  struct Item {
    bool isString = false;
    RcInt number;
    std::u16string chars;
    bool wide = false;
  };
  ResourceHead head;
  NameOrId type;
  std::vector<Item> items;
};

struct VersionBlock;

struct VersionValue {
  struct Item {
    bool isString = false;
    RcInt number;
    std::u16string chars;
    bool terminated = false; ///< a NUL follows (the last string, or one before a comma)
  };
  std::u16string key;
  std::vector<Item> items;
  Location where;
};

struct VersionNode {
  std::unique_ptr<VersionBlock> block; ///< set for BLOCK, else value holds a VALUE
  VersionValue value;
};

struct VersionBlock {
  std::u16string name;
  std::vector<VersionNode> children;
};

struct VersionInfoStatement {
  ResourceHead head;
  std::array<std::uint16_t, 4> fileVersion{};
  std::array<std::uint16_t, 4> productVersion{};
  std::uint32_t fileFlagsMask = 0, fileFlags = 0, fileOs = 0, fileType = 0, fileSubtype = 0;
  VersionBlock root;
};

/// LANGUAGE, CHARACTERISTICS and VERSION given inside a resource.
struct Attributes {
  std::optional<std::uint16_t> language;
  std::optional<std::uint32_t> characteristics;
  std::optional<std::uint32_t> version;
};

/// DIALOG and DIALOGEX, with the styles already worked out as rc does.
struct DialogStatement {
  struct Font {
    std::uint16_t size = 0;
    std::uint16_t weight = 0;
    bool italic = false;
    std::uint8_t charset = 1;
    std::u16string face;
  };
  struct Control {
    std::uint32_t style = 0, exStyle = 0, helpId = 0, id = 0;
    std::uint16_t x = 0, y = 0, width = 0, height = 0;
    NameOrId windowClass;
    NameOrId title = NameOrId::Text({});
  };
  ResourceHead head;
  Attributes attributes;
  bool extended = false;
  std::uint16_t x = 0, y = 0, width = 0, height = 0;
  std::uint32_t helpId = 0, style = 0, exStyle = 0;
  NameOrId menu = NameOrId::Text({});
  NameOrId windowClass = NameOrId::Text({});
  std::u16string caption;
  std::optional<Font> font;
  std::vector<Control> controls;
};

/// MENU and MENUEX. A MENU item has flags; a MENUEX item has a type, a state and (for a
/// popup) a help ID.
struct MenuStatement {
  struct Item {
    enum class Kind : std::uint8_t { kItem, kSeparator, kPopup };
    Kind kind = Kind::kItem;
    std::u16string text;
    std::uint32_t id = 0;
    std::uint16_t flags = 0;
    std::uint32_t type = 0, state = 0, helpId = 0;
    std::vector<Item> children;
  };
  ResourceHead head;
  Attributes attributes;
  bool extended = false;
  std::vector<Item> items;
};

struct AcceleratorsStatement {
  struct Entry {
    std::uint16_t flags = 0;
    std::uint16_t key = 0;
    std::uint16_t id = 0;
  };
  ResourceHead head;
  Attributes attributes;
  std::vector<Entry> entries;
};

struct StringTableStatement {
  struct Entry {
    std::uint16_t id = 0;
    std::u16string text;
    Location where;
  };
  std::uint16_t flags = 0;
  Attributes attributes;
  std::vector<Entry> entries;
};

/// The writer's side of the parser.
class StatementSink {
public:
  virtual ~StatementSink() = default;
  virtual void Language(const LanguageStatement&) = 0;
  virtual void Image(const ImageStatement&) = 0;
  virtual void File(const FileStatement&) = 0;
  virtual void Data(const DataStatement&) = 0;
  virtual void VersionInfo(const VersionInfoStatement&) = 0;
  virtual void StringTable(const StringTableStatement&) = 0;
  virtual void Dialog(const DialogStatement&) = 0;
  virtual void Menu(const MenuStatement&) = 0;
  virtual void Accelerators(const AcceleratorsStatement&) = 0;
};

} // namespace rc
