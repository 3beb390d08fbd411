#pragma once
// The last stage: the Win32 .res layout. Each resource is a header (sizes, type, name,
// DWORD padding, data version, memory flags, language, version, characteristics) and its
// data padded to a DWORD; the file opens with an empty entry that marks it as 32-bit.

#include "rc/Files.h"
#include "rc/Statements.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rc {

struct WriterOptions {
  std::uint16_t language = 0x409;       ///< /l; U.S. English as both compilers default
  bool nullTerminateStrings = false;    ///< /n
  std::string scriptFolder;             ///< second place to look for files
  std::vector<std::string> includeDirs; ///< /i
  bool useIncludeVariable = true;       ///< not /x
};

/// Where the bytes go: a buffered file, whose errors are remembered for the end.
class ResOutput {
public:
  explicit ResOutput(files::OutputFile& file) : file_(file) {}
  void Write(std::string_view bytes);
  /// Flushes; false if any write failed.
  bool Finish();

private:
  files::OutputFile& file_;
  std::string buffer_;
  bool failed_ = false;
};

class ResWriter : public StatementSink {
public:
  ResWriter(ResOutput& out, WriterOptions options);

  /// The empty entry at the start.
  void Begin();
  /// The string tables, which rc writes after everything else, in the order their
  /// bundles were first used.
  void End();

  void Language(const LanguageStatement&) override;
  void Image(const ImageStatement&) override;
  void File(const FileStatement&) override;
  void Data(const DataStatement&) override;
  void VersionInfo(const VersionInfoStatement&) override;
  void StringTable(const StringTableStatement&) override;
  void Dialog(const DialogStatement&) override;
  void Menu(const MenuStatement&) override;
  void Accelerators(const AcceleratorsStatement&) override;

private:
  struct Header {
    NameOrId type;
    NameOrId name;
    std::uint16_t flags = 0;
    std::uint16_t language = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
    Location where; ///< for a size that does not fit
  };
  struct Bundle {
    std::vector<std::u16string> strings = std::vector<std::u16string>(16);
    std::vector<bool> present = std::vector<bool>(16);
    std::uint16_t flags = 0;
    std::uint16_t language = 0;
    std::uint32_t version = 0;
    std::uint32_t characteristics = 0;
  };

  /// A resource: its header, then more and data as one piece of data.
  void Write(const Header& header, std::string_view data, std::string_view more = {});
  std::string Load(const std::string& name, const Location& where) const;
  Header HeaderFor(const ResourceHead& head, NameOrId type,
                   const Attributes& attributes = {}) const;

  ResOutput& out_;
  WriterOptions options_;
  std::uint16_t language_;
  std::uint32_t nextImageId_ = 1;       // one past the last image's id: 65536 once all are used
  std::string headerBytes_, dataBytes_; // buffers kept between resources
  std::map<std::pair<std::uint16_t, std::uint16_t>, Bundle> bundles_;
  std::map<std::pair<std::uint16_t, std::uint16_t>, Bundle>::iterator lastBundle_;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> bundleOrder_;
};

} // namespace rc
