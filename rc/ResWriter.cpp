#include "rc/ResWriter.h"

#include "rc/Diagnostics.h"
#include "rc/Files.h"

namespace rc {

namespace {

// The one little-endian writer: values put in place at p, which moves past them.
void Put16(char*& p, std::uint16_t v) {
  *p++ = static_cast<char>(v & 0xff);
  *p++ = static_cast<char>(v >> 8);
}
void Put32(char*& p, std::uint32_t v) {
  Put16(p, static_cast<std::uint16_t>(v & 0xffff));
  Put16(p, static_cast<std::uint16_t>(v >> 16));
}
/// The characters, without a terminator.
void PutText(char*& p, const std::u16string& s) {
  for (char16_t c : s)
    Put16(p, c);
}
std::size_t IdSize(const NameOrId& n) { return n.isId ? 4 : 2 * (n.name.size() + 1); }
void PutId(char*& p, const NameOrId& n) {
  if (n.isId) {
    Put16(p, 0xffff);
    Put16(p, n.id);
    return;
  }
  PutText(p, n.name);
  Put16(p, 0);
}

// Resource data, each building block appended in one piece.
struct Bytes {
  std::string data;

  std::size_t U16(std::uint16_t v) {
    const std::size_t at = data.size();
    char b[2];
    char* p = b;
    Put16(p, v);
    data.append(b, 2);
    return at;
  }
  std::size_t U32(std::uint32_t v) {
    const std::size_t at = data.size();
    char b[4];
    char* p = b;
    Put32(p, v);
    data.append(b, 4);
    return at;
  }
  void Text(const std::u16string& s, bool terminate = true) {
    char* p = Grow(2 * (s.size() + (terminate ? 1 : 0))); // the terminator is the zero fill
    PutText(p, s);
  }
  /// Narrow user data: the low byte of each character.
  void Narrow(const std::u16string& s) {
    char* p = Grow(s.size());
    for (char16_t c : s)
      *p++ = static_cast<char>(c);
  }
  void Id(const NameOrId& n) {
    char* p = Grow(IdSize(n));
    PutId(p, n);
  }
  void Pad() { data.append((4 - data.size() % 4) % 4, '\0'); }
  void Patch16(std::size_t at, std::uint16_t v) {
    char* p = &data[at];
    Put16(p, v);
  }
  /// count zero bytes at the end, to be written in place.
  char* Grow(std::size_t count) {
    const std::size_t at = data.size();
    data.resize(at + count);
    return &data[at];
  }
};

std::uint16_t Read16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                    (static_cast<unsigned char>(s[at + 1]) << 8));
}
std::uint32_t Read32(const std::string& s, std::size_t at) {
  return Read16(s, at) | (static_cast<std::uint32_t>(Read16(s, at + 2)) << 16);
}

// VERSIONINFO lengths are 16-bit; a block that outgrows them cannot be written.
std::uint16_t CheckedLength(std::size_t length, const Location& where) {
  if (length > 0xffff)
    throw CompileError(ErrorCode::kBadValue, where,
                       "VERSIONINFO block of " + std::to_string(length) +
                           " bytes exceeds the 65535 that its length field holds");
  return static_cast<std::uint16_t>(length);
}

// The sizes in a resource's header are 32-bit.
std::uint32_t Fit32(std::size_t size, const Location& where) {
  if (size > 0xffffffffu)
    throw CompileError(
        ErrorCode::kBadValue, where,
        DoesNotFit("resource size", static_cast<long long>(size), "the 32 bits of a .res entry"));
  return static_cast<std::uint32_t>(size);
}

void WriteBlock(Bytes& b, const VersionBlock& block, bool header, const Location& where);

// The flag that ends each level of a menu or an accelerator table.
constexpr std::uint16_t kLastItem = 0x80;

void WriteMenuItems(Bytes& b, const std::vector<MenuStatement::Item>& items) {
  using Kind = MenuStatement::Item::Kind;
  for (const auto& item : items) {
    const std::uint16_t last = &item == &items.back() ? kLastItem : 0;
    b.U16(static_cast<std::uint16_t>(item.flags | last | (item.kind == Kind::kPopup ? 0x10 : 0)));
    if (item.kind == Kind::kSeparator) {
      b.U32(0);
    } else if (item.kind == Kind::kPopup) {
      b.Text(item.text);
      WriteMenuItems(b, item.children);
    } else {
      b.U16(static_cast<std::uint16_t>(item.id));
      b.Text(item.text);
    }
  }
}

// MENUEX items start on a DWORD, as does a popup's help ID after its text, where the
// system's menu loader looks for them.
void WriteMenuExItems(Bytes& b, const std::vector<MenuStatement::Item>& items) {
  for (const auto& item : items) {
    const bool popup = item.kind == MenuStatement::Item::Kind::kPopup;
    b.Pad();
    b.U32(item.type);
    b.U32(item.state);
    b.U32(item.id);
    b.U16(
        static_cast<std::uint16_t>((popup ? 0x01 : 0) | (&item == &items.back() ? kLastItem : 0)));
    b.Text(item.text);
    if (popup) {
      b.Pad();
      b.U32(item.helpId);
      WriteMenuExItems(b, item.children);
    }
  }
}

void WriteValue(Bytes& b, const VersionValue& v) {
  b.Pad();
  std::size_t lengthAt = b.U16(0);
  std::size_t valueLengthAt = b.U16(0);
  bool strings = !v.items.empty() && v.items.front().isString;
  b.U16(strings ? 1 : 0);
  b.Text(v.key);
  b.Pad();
  std::size_t dataAt = b.data.size();
  for (const auto& item : v.items) {
    if (item.isString) {
      b.Text(item.chars, item.terminated);
    } else if (item.number.isLong) {
      b.U32(item.number.value);
    } else {
      b.U16(static_cast<std::uint16_t>(item.number.value));
    }
  }
  std::size_t valueLength = b.data.size() - dataAt;
  if (strings)
    valueLength /= 2;
  b.Patch16(lengthAt, CheckedLength(b.data.size() - lengthAt, v.where));
  b.Patch16(valueLengthAt, static_cast<std::uint16_t>(valueLength)); // within the length
}

void WriteBlock(Bytes& b, const VersionBlock& block, bool header, const Location& where) {
  b.Pad();
  std::size_t lengthAt = 0;
  if (header) {
    lengthAt = b.U16(0);
    b.U16(0);
    b.U16(1);
    b.Text(block.name);
    b.Pad();
  }
  for (const auto& child : block.children) {
    if (child.block)
      WriteBlock(b, *child.block, true, where);
    else
      WriteValue(b, child.value);
  }
  if (header) {
    b.Patch16(lengthAt, CheckedLength(b.data.size() - lengthAt, where));
  }
}

} // namespace

void ResOutput::Write(std::string_view bytes) {
  buffer_.append(bytes.data(), bytes.size());
  if (buffer_.size() >= (64u << 10)) {
    if (!file_.Write(buffer_))
      failed_ = true;
    buffer_.clear();
  }
}

bool ResOutput::Finish() {
  if (!buffer_.empty() && !file_.Write(buffer_))
    failed_ = true;
  buffer_.clear();
  return !failed_;
}

ResWriter::ResWriter(ResOutput& out, WriterOptions options)
    : out_(out), options_(std::move(options)), language_(options_.language),
      lastBundle_(bundles_.end()) {}

void ResWriter::Begin() {
  Header empty;
  empty.type = NameOrId::Id(0);
  empty.name = NameOrId::Id(0);
  Write(empty, "");
}

void ResWriter::Write(const Header& header, std::string_view data, std::string_view more) {
  const std::size_t size = data.size() + more.size();
  // The header is sized first and filled in place. Its size takes the whole 32-bit field:
  // a name of 32,000 characters already takes it past 16 bits.
  const std::size_t names = (8 + IdSize(header.type) + IdSize(header.name) + 3) & ~std::size_t{3};
  const std::size_t headerSize = names + 16;
  std::string& h = headerBytes_;
  h.assign(headerSize, '\0');
  char* p = &h[0];
  Put32(p, Fit32(size, header.where));
  Put32(p, Fit32(headerSize, header.where));
  PutId(p, header.type);
  PutId(p, header.name);
  p = &h[names];
  Put32(p, 0);
  Put16(p, header.flags);
  Put16(p, header.language);
  Put32(p, header.version);
  Put32(p, header.characteristics);
  out_.Write(h);
  out_.Write(more);
  out_.Write(data);
  static const char kZeros[4] = {};
  if (size % 4)
    out_.Write(std::string_view(kZeros, 4 - size % 4));
}

ResWriter::Header ResWriter::HeaderFor(const ResourceHead& head, NameOrId type,
                                       const Attributes& attributes) const {
  Header h;
  h.type = std::move(type);
  h.name = head.name;
  h.where = head.where;
  h.flags = head.flags;
  h.language = attributes.language.value_or(language_);
  h.version = attributes.version.value_or(0);
  h.characteristics = attributes.characteristics.value_or(0);
  return h;
}

std::string ResWriter::Load(const std::string& name, const Location& where) const {
  std::optional<files::Found> found;
  try {
    found =
        files::Load(name, options_.scriptFolder, options_.includeDirs, options_.useIncludeVariable);
  } catch (const files::Refused& refused) {
    throw CompileError(refused.code, where, refused.message);
  }
  if (!found)
    throw CompileError(ErrorCode::kFileNotFound, where, "file not found: " + name);
  if (found->data.size() > 0xffffffffu)
    throw CompileError(ErrorCode::kBadFile, where, "file too large for a resource: " + found->path);
  return std::move(found->data);
}

void ResWriter::Language(const LanguageStatement& s) { language_ = s.language; }

void ResWriter::File(const FileStatement& s) {
  Write(HeaderFor(s.head, s.type), Load(s.file, s.head.where));
}

void ResWriter::Data(const DataStatement& s) {
  // The buffer is kept from one resource to the next.
  Bytes b{std::move(dataBytes_)};
  b.data.clear();
  for (const auto& item : s.items) {
    if (!item.isString) {
      if (item.number.isLong)
        b.U32(item.number.value);
      else
        b.U16(static_cast<std::uint16_t>(item.number.value));
    } else if (item.wide) {
      b.Text(item.chars, false);
    } else {
      b.Narrow(item.chars);
    }
  }
  Write(HeaderFor(s.head, s.type), b.data);
  dataBytes_ = std::move(b.data);
}

void ResWriter::Image(const ImageStatement& s) {
  std::string file = Load(s.file, s.head.where);
  auto what = [&] { return "'" + s.file + "'"; };
  if (s.kind == ResourceType::kBitmap) {
    // The .res holds the bitmap without its 14-byte file header.
    if (file.size() < 14 || file[0] != 'B' || file[1] != 'M')
      throw CompileError(ErrorCode::kBadFile, s.head.where, what() + " is not a bitmap file");
    Write(HeaderFor(s.head, NameOrId::Type(ResourceType::kBitmap)),
          std::string_view(file).substr(14));
    return;
  }

  const bool cursor = s.kind == ResourceType::kCursor;
  auto bad = [&](const std::string& why) {
    throw CompileError(ErrorCode::kBadFile, s.head.where,
                       what() + " is not a valid " + (cursor ? "cursor" : "icon") +
                           " file: " + why);
  };
  if (file.size() < 6)
    bad("too short");
  if (Read16(file, 0) != 0)
    bad("reserved field is not 0");
  if (Read16(file, 2) != (cursor ? 2 : 1))
    bad(std::string("type field is not ") + (cursor ? "2" : "1"));
  const std::uint16_t count = Read16(file, 4);
  if (file.size() < 6 + 16u * count)
    bad("directory is truncated");

  // Each image becomes a resource of its own, numbered on from the last one; the group
  // resource lists them with the planes and bit count read from each bitmap.
  const std::uint32_t firstId = nextImageId_;
  if (count > 0 && firstId + count - 1 > 0xffff)
    throw CompileError(ErrorCode::kNumberTooLarge, s.head.where,
                       what() + ": " + DoesNotFit("image id", 0x10000, "16 bits"));
  Bytes group;
  group.data.append(file, 0, 6);
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16u * i;
    const std::uint32_t size = Read32(file, entry + 8);
    const std::uint32_t offset = Read32(file, entry + 12);
    if (offset > file.size() || size > file.size() - offset)
      bad("image " + std::to_string(i + 1) + " lies outside the file");
    if (file.size() - offset < 40)
      bad("image " + std::to_string(i + 1) + " is too short");
    const std::string_view whole(file);
    ResourceHead single = s.head;
    single.name = NameOrId::Id(static_cast<std::uint16_t>(firstId + i));
    // A cursor's image follows its hotspot.
    Write(HeaderFor(single, NameOrId::Type(cursor ? ResourceType::kCursor : ResourceType::kIcon)),
          whole.substr(offset, size), cursor ? whole.substr(entry + 4, 4) : std::string_view());

    std::uint16_t planes = 1, bitCount = 32; // a PNG image has no BITMAPINFOHEADER
    if (Read32(file, offset) == 40) {
      planes = Read16(file, offset + 12);
      bitCount = Read16(file, offset + 14);
    }
    if (cursor) {
      group.U16(static_cast<unsigned char>(file[entry]));
      group.U16(static_cast<std::uint16_t>(static_cast<unsigned char>(file[entry + 1]) * 2));
    } else {
      group.data.append(file, entry, 4);
    }
    group.U16(planes);
    group.U16(bitCount);
    group.U32(size + (cursor ? 4 : 0));
    group.U16(static_cast<std::uint16_t>(firstId + i));
  }
  nextImageId_ = firstId + count;

  ResourceHead groupHead = s.head;
  groupHead.flags = memory::kMoveable | memory::kPure | memory::kDiscardable;
  if (s.head.flags & memory::kPreload)
    groupHead.flags =
        static_cast<std::uint16_t>((groupHead.flags | memory::kPreload) & ~memory::kPure);
  Write(HeaderFor(groupHead,
                  NameOrId::Type(cursor ? ResourceType::kGroupCursor : ResourceType::kGroupIcon)),
        group.data);
}

void ResWriter::VersionInfo(const VersionInfoStatement& s) {
  Bytes b;
  std::size_t lengthAt = b.U16(0);
  b.U16(52);
  b.U16(0);
  b.Text(u"VS_VERSION_INFO");
  b.Pad();
  b.U32(0xFEEF04BD);
  b.U32(0x10000);
  b.U32((static_cast<std::uint32_t>(s.fileVersion[0]) << 16) | s.fileVersion[1]);
  b.U32((static_cast<std::uint32_t>(s.fileVersion[2]) << 16) | s.fileVersion[3]);
  b.U32((static_cast<std::uint32_t>(s.productVersion[0]) << 16) | s.productVersion[1]);
  b.U32((static_cast<std::uint32_t>(s.productVersion[2]) << 16) | s.productVersion[3]);
  b.U32(s.fileFlagsMask);
  b.U32(s.fileFlags);
  b.U32(s.fileOs);
  b.U32(s.fileType);
  b.U32(s.fileSubtype);
  b.U32(0); // file date, which rc never sets
  b.U32(0);
  b.Pad();
  WriteBlock(b, s.root, false, s.head.where);
  b.Patch16(lengthAt, CheckedLength(b.data.size(), s.head.where));
  Write(HeaderFor(s.head, NameOrId::Type(ResourceType::kVersion)), b.data);
}

void ResWriter::Dialog(const DialogStatement& s) {
  Bytes b;
  // The extended templates put the help ID first and the style last.
  auto styles = [&](std::uint32_t helpId, std::uint32_t exStyle, std::uint32_t style) {
    if (s.extended) {
      b.U32(helpId);
      b.U32(exStyle);
      b.U32(style);
    } else {
      b.U32(style);
      b.U32(exStyle);
    }
  };
  auto box = [&](std::uint16_t x, std::uint16_t y, std::uint16_t width, std::uint16_t height) {
    for (std::uint16_t v : {x, y, width, height})
      b.U16(v);
  };
  if (s.extended) {
    b.U16(1);
    b.U16(0xffff);
  }
  styles(s.helpId, s.exStyle, s.style);
  b.U16(static_cast<std::uint16_t>(s.controls.size()));
  box(s.x, s.y, s.width, s.height);
  b.Id(s.menu);
  b.Id(s.windowClass);
  b.Text(s.caption);
  if (s.font) {
    b.U16(s.font->size);
    if (s.extended) {
      b.U16(s.font->weight);
      b.data += static_cast<char>(s.font->italic ? 1 : 0);
      b.data += static_cast<char>(s.font->charset);
    }
    b.Text(s.font->face);
  }
  for (const auto& c : s.controls) {
    b.Pad();
    styles(c.helpId, c.exStyle, c.style);
    box(c.x, c.y, c.width, c.height);
    if (s.extended)
      b.U32(c.id);
    else
      b.U16(static_cast<std::uint16_t>(c.id));
    b.Id(c.windowClass);
    b.Id(c.title);
    b.U16(0); // no creation data
  }
  Write(HeaderFor(s.head, NameOrId::Type(ResourceType::kDialog), s.attributes), b.data);
}

void ResWriter::Menu(const MenuStatement& s) {
  Bytes b;
  if (s.extended) {
    b.U16(1); // version
    b.U16(4); // offset of the items from the end of this field
    b.U32(0); // help ID of the menu
    WriteMenuExItems(b, s.items);
  } else {
    b.U32(0);
    WriteMenuItems(b, s.items);
  }
  Write(HeaderFor(s.head, NameOrId::Type(ResourceType::kMenu), s.attributes), b.data);
}

void ResWriter::Accelerators(const AcceleratorsStatement& s) {
  Bytes b;
  for (const auto& e : s.entries) {
    b.U16(static_cast<std::uint16_t>(e.flags | (&e == &s.entries.back() ? kLastItem : 0)));
    b.U16(e.key);
    b.U16(e.id);
    b.U16(0);
  }
  Write(HeaderFor(s.head, NameOrId::Type(ResourceType::kAccelerators), s.attributes), b.data);
}

void ResWriter::StringTable(const StringTableStatement& s) {
  const std::uint16_t language = s.attributes.language.value_or(language_);
  for (const auto& entry : s.entries) {
    auto key = std::make_pair(static_cast<std::uint16_t>(entry.id >> 4), language);
    // Strings mostly come in order: the bundle of the one before is the likely one.
    auto found = lastBundle_ != bundles_.end() && lastBundle_->first == key ? lastBundle_
                                                                            : bundles_.find(key);
    if (found == bundles_.end()) {
      Bundle bundle;
      bundle.flags = s.flags;
      bundle.language = language;
      bundle.version = s.attributes.version.value_or(0);
      bundle.characteristics = s.attributes.characteristics.value_or(0);
      found = bundles_.emplace(key, std::move(bundle)).first;
      bundleOrder_.push_back(key);
    }
    lastBundle_ = found;
    Bundle& bundle = found->second;
    const unsigned slot = entry.id & 15;
    if (bundle.present[slot])
      throw CompileError(ErrorCode::kDuplicateString, entry.where,
                         "STRINGTABLE id " + std::to_string(entry.id) + " is used twice");
    bundle.present[slot] = true;
    bundle.strings[slot] = entry.text;
    if (options_.nullTerminateStrings)
      bundle.strings[slot] += u'\0';
    if (bundle.strings[slot].size() > 0xffff)
      throw CompileError(ErrorCode::kBadValue, entry.where,
                         "STRINGTABLE string " + std::to_string(entry.id) + " is too long");
  }
}

void ResWriter::End() {
  for (const auto& key : bundleOrder_) {
    const Bundle& bundle = bundles_.at(key);
    Bytes b;
    for (const auto& text : bundle.strings) {
      b.U16(static_cast<std::uint16_t>(text.size()));
      b.Text(text, false);
    }
    Header h;
    h.type = NameOrId::Type(ResourceType::kString);
    h.name = NameOrId::Id(static_cast<std::uint16_t>(key.first + 1));
    h.flags = bundle.flags;
    h.language = bundle.language;
    h.version = bundle.version;
    h.characteristics = bundle.characteristics;
    Write(h, b.data);
  }
}

} // namespace rc
