// A manifest given to a built program without a rebuild, by the real themefold-batch on real
// files: written into it (--embed) with its backup, refused with every file left as it was,
// or written beside it (--beside) and removed again.
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "batch/Batch.h"
#include "batch/Runner.h"
#include "front/Services.h"
#include "generation/Driver.h"
#include "generation/Manifest.h"
#include "readers/Bytes.h"
#include "readers/ManifestReader.h"
#include "readers/PeImage.h"
#include "support/PeBuilder.h"

namespace fs = std::filesystem;

namespace {

using readers::ResourceKey;
using testsupport::PeSectionSpec;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

using Tree = std::map<std::string, std::string>; ///< name in the folder -> bytes

/// Code of more than 64 KiB, which the system copies file to file rather than the tool
/// writing it, varied so that a stretch copied to the wrong place shows.
std::string Code() {
  std::string code(0x10400, '\0');
  for (std::size_t i = 0; i < code.size(); ++i)
    code[i] = static_cast<char>(i * 7 + i / 251);
  return code;
}

const PeSectionSpec kText{".text", std::string(0x300, '\xCC'), 0x60000020};
const PeSectionSpec kResources{".rsrc", "", 0x40000040, true};

const char* const kAdministrator =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
    "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>"
    "<requestedExecutionLevel level=\"requireAdministrator\"/></requestedPrivileges>"
    "</security></trustInfo></assembly>";

/// A program with an icon, a type library and an old manifest asking for administrator.
testsupport::BuiltImage Program(std::uint32_t checksum = 0, const std::string& tail = "",
                                const std::string& code = kText.data,
                                const std::string& manifest = kAdministrator) {
  testsupport::PeSpec spec;
  spec.sections = {{".text", code, kText.characteristics}, kResources};
  spec.resources = {{ResourceKey::Name("TYPELIB"), ResourceKey::Id(1), "MSFT"},
                    {ResourceKey::Id(3), ResourceKey::Id(1), std::string(700, 'i')},
                    {ResourceKey::Id(24), ResourceKey::Id(1), manifest}};
  spec.checksum = checksum;
  spec.tail = tail;
  return testsupport::BuildImage(spec);
}

std::string Plain() {
  testsupport::PeSpec spec;
  spec.sections = {kText};
  return testsupport::BuildImage(spec).image;
}

/// Plain() as Visual Basic builds it: it imports the runtime.
std::string VisualBasicProgram() {
  testsupport::PeSpec spec;
  spec.sections = {kText, {".idata", std::string(40, '\0') + "MSVBVM60.DLL", 0x40000040}};
  testsupport::BuiltImage pe = testsupport::BuildImage(spec);
  testsupport::PutU32(pe.image, pe.offsets[1] + 12, pe.rvas[1] + 40);
  pe.SetDirectory(1, pe.rvas[1], 40);
  return pe.image;
}

std::string ExpectedManifest(const std::string& name) {
  return BuildManifestText("1.0.0.0", name, "", "X86", generation::ManifestSettings(), {});
}

std::string ManifestOf(const std::string& image) {
  const readers::PeImage pe(image);
  const readers::Resource* manifest = pe.Find(ResourceKey::Id(24), ResourceKey::Id(1));
  return manifest ? pe.Data(*manifest, "the manifest") : std::string();
}

/// What a manifest asks for: visual styles, run level, DPI.
std::string Says(const std::string& manifest) {
  const readers::ManifestFacts facts = readers::ReadManifest(manifest, 0x14C);
  return std::string(facts.visualStyles ? "styles" : "no styles") + ", " + facts.runLevel + ", " +
         readers::DescribeDpi(facts) + (facts.xmlError ? ", " + *facts.xmlError : "");
}

class EmbedCliTest : public testsupport::TempDirTest {
protected:
  batchtest::Result Batch(std::vector<std::string> args) {
    batchtest::Launch launch;
    launch.program = batchtest::BuildPath(THEMEFOLD_BATCH_PROGRAM);
    launch.args = std::move(args);
    launch.folder = dir_.string();
    launch.environment = {{"XDG_CONFIG_HOME", Path()}};
    batchtest::Result result = batchtest::RunProgram(launch);
    for (std::string* text : {&result.out, &result.err})
      text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    return result;
  }
  Tree Read() const {
    Tree tree;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.is_regular_file())
        tree[entry.path().filename().string()] = ReadBytes(entry.path());
    return tree;
  }
};

// The manifest goes in once, merged with the old one: every other resource as it was, the old
// program in its .bak, each change named; a second run changes nothing, and one with other
// options keeps what neither changed. Was: the run level dropped.
TEST_F(EmbedCliTest, EmbedsOnceAndLeavesItOnTheSecondRun) {
  const std::string old = Program(0x1234, "", Code()).image;
  WriteBytes(dir_ / "App.exe", old);
  const batchtest::Result first = Batch({"--embed", "App.exe"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(first.out,
            "App.exe: manifest embedded (grown).\n"
            "manifest: resource 24/1, language 1033, 776 bytes, replacing the one there\n"
            "resources: section .rsrc grown to 2048 bytes\n"
            "checksum: recomputed\n"
            "Manifest, before -> after:\n"
            "  assemblyIdentity: none -> App.exe\n"
            "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0\n"
            "backup: " +
                Path("App.exe.bak") +
                "\n"
                "Rebuilding the program replaces it, and with it the embedded manifest. For a "
                "lasting change, put the manifest into the program's own build, or embed it "
                "again after each build (--embed in the build's last step).\n");
  const Tree after = Read();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after.at("App.exe.bak"), old);
  const std::string& now = after.at("App.exe");
  EXPECT_EQ(Says(ManifestOf(now)), "styles, requireAdministrator, not set (Windows scales it)");
  const readers::PeImage before(old);
  const readers::PeImage image(now);
  ASSERT_EQ(image.StoredResources().size(), before.StoredResources().size());
  for (std::size_t i = 0; i < 2; ++i) {
    const readers::StoredResource& a = before.StoredResources()[i];
    const readers::StoredResource& b = image.StoredResources()[i];
    EXPECT_EQ(now.substr(b.offset, b.size), old.substr(a.offset, a.size)) << i;
  }

  const batchtest::Result second = Batch({"--embed", "App.exe"});
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out, "App.exe already carries this manifest: nothing changed.\n");
  EXPECT_EQ(Read(), after);

  fs::remove(dir_ / "App.exe.bak");
  const batchtest::Result third = Batch({"--embed", "--dpi", "system", "App.exe"});
  EXPECT_EQ(third.exitCode, 0) << third.err;
  EXPECT_NE(third.out.find("Manifest, before -> after:\n  dpiAware: none -> true\nbackup"),
            std::string::npos)
      << third.out;
  EXPECT_EQ(Says(ManifestOf(ReadBytes(dir_ / "App.exe"))),
            "styles, requireAdministrator, system aware");
}

// What --embed will not change, each named, with every file left as it was; and an
// overlay kept when allowed.
TEST_F(EmbedCliTest, RefusesByNameAndLeavesEveryFile) {
  testsupport::BuiltImage signedProgram = Program(0, std::string(16, 'S'));
  signedProgram.SetDirectory(4, static_cast<std::uint32_t>(signedProgram.sectionsEnd), 16);
  testsupport::BuiltImage signedThenData = Program(0, std::string(16, 'S') + "more");
  signedThenData.SetDirectory(4, static_cast<std::uint32_t>(signedThenData.sectionsEnd), 16);
  testsupport::BuiltImage dotNet = Program();
  dotNet.SetDirectory(14, 0x1000, 72);
  struct Row {
    const char* name;
    std::string image;
    std::vector<std::string> args;
    bool readOnly;
    int exitCode;
    std::string said; ///< what it says on standard error
  };
  const Row rows[] = {
      {"signed",
       signedProgram.image,
       {},
       false,
       2,
       "themefold-batch: App.exe is left as it was: it carries an Authenticode signature, "
       "which any change breaks: Windows would treat it as tampered with. Allowed to remove "
       "the signature, this writes the manifest and leaves the program unsigned, to be signed "
       "again.\nthemefold-batch: --strip-signature allows it.\n"},
      // Was told that --strip-signature allows it, which then refused it again.
      {"data after the signature",
       signedThenData.image,
       {},
       false,
       2,
       "themefold-batch: App.exe is left as it was: it carries an Authenticode signature, "
       "which any change breaks, and data after its signature table, which removing the "
       "signature would lose.\n"},
      {"overlay",
       Program(0, "installer payload").image,
       {},
       false,
       2,
       "themefold-batch: App.exe is left as it was: it carries data after its last section (an "
       "overlay, 17 bytes); installers and self-extractors check this data. Allowed to keep "
       "it, this copies it unchanged after the program's new end.\nthemefold-batch: "
       "--keep-overlay allows it.\n"},
      {".NET",
       dotNet.image,
       {"--keep-overlay"},
       false,
       2,
       "themefold-batch: App.exe is left as it was: it is a .NET program: its manifest comes "
       "from its build, and its resources are not changed here.\n"},
      {"read-only",
       Program().image,
       {},
       true,
       2,
       "themefold-batch: App.exe is left as it was: it is read-only. Clear its read-only "
       "attribute (or give write permission) to embed the manifest.\n"},
      {"not a program",
       "MZ",
       {},
       false,
       2,
       "themefold-batch: App.exe is left as it was: it cannot be read as a program: the MZ "
       "header at offset 0x3C (4 bytes) runs past the end of the file (2 bytes).\n"},
      {"overlay kept", Program(0, "installer payload").image, {"--keep-overlay"}, false, 0, ""},
      // Was: replaced by ours, and nothing said.
      {"an old manifest that is not well-formed",
       Program(0, "", kText.data, "<assembly xmlns='urn:schemas-microsoft-com:asm.v1'>").image,
       {},
       false,
       2,
       "themefold-batch: App.exe is left as it was: the manifest it carries cannot be merged "
       "with the new one: it is not well-formed XML (line 1: 'assembly' is not closed).\n"},
      // Was: embedded with version="abc", and the program no longer started.
      {"a version Windows refuses",
       Program().image,
       {"--version-info", "abc"},
       false,
       2,
       "themefold-batch: Version info should be four numbers separated by dots, such as "
       "1.0.0.0. Windows will not start a program whose manifest has another version: nothing "
       "was embedded.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (fs::exists(dir_ / "App.exe"))
      fs::permissions(dir_ / "App.exe", fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteBytes(dir_ / "App.exe", row.image);
    if (row.readOnly)
      fs::permissions(dir_ / "App.exe",
                      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
    std::vector<std::string> args{"--embed", "App.exe"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_EQ(result.err, row.said);
    if (row.exitCode != 0) {
      EXPECT_EQ(Read(), (Tree{{"App.exe", row.image}}));
      continue;
    }
    const std::string now = ReadBytes(dir_ / "App.exe");
    EXPECT_EQ(now.substr(now.size() - 17), "installer payload");
    EXPECT_EQ(ReadBytes(dir_ / "App.exe.bak"), row.image);
  }
}

// A dry run tells the sections, the placement and the manifest's changes and writes nothing.
TEST_F(EmbedCliTest, DryRunWritesNothing) {
  WriteBytes(dir_ / "App.exe", Program().image);
  const Tree before = Read();
  const batchtest::Result result =
      Batch({"--embed", "--dry-run", "--execution-level", "asInvoker", "App.exe"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Read(), before);
  EXPECT_EQ(result.out,
            "App.exe: what embedding the manifest would do; nothing was written.\n"
            "Sections before:\n"
            "  .text    RVA 0x1000, size 0x300; file 0x400, size 0x400; flags 0x60000020\n"
            "  .rsrc    RVA 0x2000, size 0x4C3; file 0x800, size 0x600; flags 0x40000040\n"
            "Sections after:\n"
            "  .text    RVA 0x1000, size 0x300; file 0x400, size 0x400; flags 0x60000020\n"
            "  .rsrc    RVA 0x2000, size 0x6C0; file 0x800, size 0x800; flags 0x40000040\n"
            "Placement: grown\n"
            "Overlay: none\n"
            "Signature: none\n"
            "Checksum: not set (stays 0)\n"
            "Manifest, before -> after:\n"
            "  assemblyIdentity: none -> App.exe\n"
            "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0\n"
            "  requestedExecutionLevel level: requireAdministrator -> asInvoker\n");

  // Was: "recomputed" of a checksum that nothing rewrites.
  ASSERT_EQ(Batch({"--embed", "App.exe"}).exitCode, 0);
  std::string embedded = ReadBytes(dir_ / "App.exe");
  testsupport::PutU32(embedded, 0x58 + 64, 0x1234);
  WriteBytes(dir_ / "App.exe", embedded);
  const std::string again = Batch({"--embed", "--dry-run", "App.exe"}).out;
  EXPECT_NE(again.find("\nChecksum: 0x1234, does not match; left as it is\n"), std::string::npos)
      << again;
}

// Beside the program: written with the tool's marker and the program's time stamp renewed,
// removed only when it carries the marker. The user's own is merged after its backup, under
// the name it has in whatever letter case, or refused; the program's stamp stays whenever
// nothing is written.
TEST_F(EmbedCliTest, WritesBesideAndRemovesOnlyItsOwn) {
  WriteBytes(dir_ / "Plain.exe", Plain());
  // A dead run's (no process has that id): was left there for good.
  WriteBytes(dir_ / "~themefold-4000000000-0123456789abcdef.manifest", "<assembly");
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(dir_ / "Plain.exe", past);
  const batchtest::Result written = Batch({"--beside", "Plain.exe"});
  ASSERT_EQ(written.exitCode, 0) << written.err;
  EXPECT_EQ(written.out,
            "Plain.exe.manifest written beside Plain.exe; its time stamp renewed.\n"
            "Caveats: programs started from a themed Visual Basic IDE with F5 look themed even "
            "when their own build is not, so try the built program itself; and what "
            "--check-forms finds in a project's forms applies to the IDE's forms as well.\n");
  EXPECT_EQ(ReadBytes(dir_ / "Plain.exe.manifest"),
            ExpectedManifest("Plain.exe") +
                "\r\n<!-- Written beside the program by Themefold Maker; its options beside "
                "and remove together remove it. -->");
  EXPECT_FALSE(fs::exists(dir_ / "~themefold-4000000000-0123456789abcdef.manifest"));
  EXPECT_GT(fs::last_write_time(dir_ / "Plain.exe"), past + std::chrono::hours(1));
  // Well-formed, with nothing to warn of.
  EXPECT_EQ(Batch({"--inspect", "--strict", "Plain.exe"}).exitCode, 0);

  fs::last_write_time(dir_ / "Plain.exe", past);
  const batchtest::Result removed = Batch({"--beside", "--remove", "Plain.exe"});
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(removed.out, "Plain.exe.manifest removed; the time stamp of Plain.exe renewed.\n");
  EXPECT_FALSE(fs::exists(dir_ / "Plain.exe.manifest"));
  EXPECT_GT(fs::last_write_time(dir_ / "Plain.exe"), past + std::chrono::hours(1));
  // What earlier versions wrote is ours as well.
  WriteBytes(dir_ / "Plain.exe.manifest", ExpectedManifest("Plain.exe") +
                                              "\r\n<!-- Written beside the program by Themefold "
                                              "Maker; --beside --remove removes it. -->");
  EXPECT_EQ(Batch({"--beside", "--remove", "Plain.exe"}).exitCode, 0);
  EXPECT_FALSE(fs::exists(dir_ / "Plain.exe.manifest"));

  // A hand-written one that names the program and Common Controls, named in other letter
  // case: on Windows the same file.
  const std::string own =
      "<assembly xmlns='urn:schemas-microsoft-com:asm.v1' manifestVersion='1.0'>\n"
      "  <assemblyIdentity name='Plain.exe' version='1.0.0.0' type='win32'/>\n"
      "  <dependency><dependentAssembly><assemblyIdentity name='Microsoft.Windows.Common-Controls' "
      "version='6.0.0.0' type='win32' processorArchitecture='*' "
      "publicKeyToken='6595b64144ccf1df'/></dependentAssembly></dependency>\n"
      "  <dependency><dependentAssembly><assemblyIdentity name='Vendor.Private' "
      "version='1.0.0.0' type='win32'/></dependentAssembly></dependency>\n"
      "  <file name='Grid.ocx'/>\n"
      "  <trustInfo xmlns='urn:schemas-microsoft-com:asm.v3'><security><requestedPrivileges>"
      "<requestedExecutionLevel level='requireAdministrator'/></requestedPrivileges></security>"
      "</trustInfo>\n"
      "</assembly>\n";
  WriteBytes(dir_ / "App.exe", Program().image);
  fs::last_write_time(dir_ / "Plain.exe", past);
  struct Row {
    std::vector<std::string> args;
    std::string manifest; ///< plain.exe.manifest
    bool readOnly;
    std::string said;
  };
  const Row rows[] = {
      // Was: deleted.
      {{"--beside", "--remove", "Plain.exe"},
       own,
       false,
       "themefold-batch: plain.exe.manifest is the program's own manifest, not one this tool "
       "wrote: it is left alone. Nothing was removed.\n"},
      // Was: replaced, and made 0644.
      {{"--beside", "Plain.exe"},
       own,
       true,
       "themefold-batch: plain.exe.manifest is read-only: it is left as it was. Clear its "
       "read-only attribute (or give write permission) to merge the manifest into it.\n"},
      // Was: a second file, Plain.exe.manifest, beside it.
      {{"--beside", "Plain.exe"},
       own.substr(0, 60),
       false,
       "themefold-batch: plain.exe.manifest is left as it was: it cannot be merged with the "
       "new one: it is not well-formed XML (line 1: the document ends inside an attribute). Nothing was written.\n"},
      {{"--beside", "App.exe"},
       own,
       false,
       "themefold-batch: App.exe embeds a manifest of its own, and Windows since Vista uses the "
       "embedded one and ignores a file beside it. (The PreferExternalManifest setting of the "
       "registry turns that round for every program; this tool never sets it.) Nothing was "
       "written.\n"},
      {{"--beside", "--version-info", "1.2.x", "Plain.exe"},
       own,
       false,
       "themefold-batch: Version info should be four numbers separated by dots, such as "
       "1.0.0.0. Windows will not start a program whose manifest has another version: nothing "
       "was written.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.said);
    if (fs::exists(dir_ / "plain.exe.manifest"))
      fs::permissions(dir_ / "plain.exe.manifest", fs::perms::owner_write, fs::perm_options::add);
    WriteBytes(dir_ / "plain.exe.manifest", row.manifest);
    fs::permissions(dir_ / "plain.exe.manifest",
                    row.readOnly ? fs::perms::owner_read
                                 : fs::perms::owner_read | fs::perms::owner_write);
    const Tree before = Read();
    const batchtest::Result result = Batch(row.args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, row.said);
    EXPECT_EQ(Read(), before);
    // Not renewed; Wine keeps whole seconds of what it is given.
    EXPECT_LT(fs::last_write_time(dir_ / "Plain.exe"), past + std::chrono::hours(1));
  }

  // Merged after its backup, its mode kept: all it had stays, with what was asked for.
  fs::permissions(dir_ / "plain.exe.manifest",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const batchtest::Result merged =
      Batch({"--beside", "--execution-level", "asInvoker", "Plain.exe"});
  EXPECT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_EQ(merged.out.substr(0, merged.out.find("Caveats")),
            "plain.exe.manifest merged with the manifest for Plain.exe; its time stamp renewed.\n"
            "  requestedExecutionLevel level: requireAdministrator -> asInvoker\n"
            "backup: " +
                Path("plain.exe.manifest.bak") + "\n");
  const Tree after = Read();
  EXPECT_EQ(after.size(), 4u);
  EXPECT_EQ(after.at("plain.exe.manifest.bak"), own);
  const std::string& now = after.at("plain.exe.manifest");
  EXPECT_EQ(Says(now), "styles, asInvoker, not set (Windows scales it)");
  for (const char* kept : {"Vendor.Private", "<file name='Grid.ocx'/>", "name='Plain.exe'"})
    EXPECT_NE(now.find(kept), std::string::npos) << kept;
#ifndef _WIN32 // Windows keeps a read-only flag alone
  EXPECT_EQ(fs::status(dir_ / "plain.exe.manifest").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  EXPECT_GT(fs::last_write_time(dir_ / "Plain.exe"), past + std::chrono::hours(1));
  const batchtest::Result again =
      Batch({"--beside", "--execution-level", "asInvoker", "Plain.exe"});
  EXPECT_EQ(again.out, "plain.exe.manifest already holds this manifest: nothing changed.\n");
  EXPECT_EQ(Read(), after);
}

// What the report adds, and what a run clears away first: each row's program embedded, the
// end of what it says, and every other file afterwards.
TEST_F(EmbedCliTest, SaysWhatNeedsTheUserAndSweepsDeadRuns) {
  // Made by a run whose process has ended: no process has that id.
  const std::string leftover = "~themefold-4000000000-0123456789abcdef.new";
  const std::string plain = Plain();
  struct Row {
    const char* name;
    std::string image;
    std::vector<std::string> args;
    std::function<void()> before;
    std::string ending; ///< of standard output
    Tree others;        ///< every file but App.exe afterwards
  };
  const auto nothing = [] {};
  const Row rows[] = {
      // Was: a C program's rebuild note.
      {"built by Visual Basic",
       VisualBasicProgram(),
       {},
       nothing,
       "Rebuilding the program in Visual Basic replaces it, and with it the embedded manifest. "
       "For a lasting change, set the project up instead (--project PROJECT.vbp).\n",
       {{"App.exe.bak", VisualBasicProgram()}}},
      // Was: the whole report.
      {"quiet", plain, {"--quiet"}, nothing, "", {{"App.exe.bak", plain}}},
      // Was: nothing said of the other name, which keeps the old program.
      {"another name",
       plain,
       {"--quiet"},
       [&] { fs::create_hard_link(dir_ / "App.exe", dir_ / "Other.exe"); },
       "the program has other names (hard links) as well: they keep the old program, and only "
       "this name takes the new one\n",
       {{"App.exe.bak", plain}, {"Other.exe", plain}}},
      // Was: refused, "its backup could not be made".
      {"a folder named as the backup",
       plain,
       {"--quiet"},
       [&] { fs::create_directory(dir_ / "App.exe.bak"); },
       "",
       {{"App.exe.bak2", plain}}},
      // Was: left there for good.
      {"a dead run's leftover",
       plain,
       {"--quiet"},
       [&] { WriteBytes(dir_ / leftover, "the first half of a program"); },
       "",
       {{"App.exe.bak", plain}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteBytes(dir_ / "App.exe", row.image);
    row.before();
    std::vector<std::string> args{"--embed", "App.exe"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const batchtest::Result result = Batch(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.substr(result.out.size() - std::min(result.out.size(), row.ending.size())),
              row.ending);
    EXPECT_EQ(result.out.empty(), row.ending.empty());
    Tree after = Read();
    EXPECT_EQ(ManifestOf(after["App.exe"]), ExpectedManifest("App.exe"));
    after.erase("App.exe");
    EXPECT_EQ(after, row.others);
  }
}

/// The real files, with the program held by a running process, a folder where nothing can
/// be created, a disk that gives back other bytes than were written, another program that
/// puts a copy of the program in its place once it has been read, or a disk that fills up
/// halfway through a backup. They have no second names: a backup is a copy.
class FaultyFiles : public platform::SystemFileOperations {
public:
  bool held = false;
  bool readOnlyFolder = false;
  bool corruptReadBack = false;
  bool replaced = false;
  bool replacedAlready = false;
  bool renameFails = false;
  void RenameOver(const std::string& from, const std::string& to) override {
    if (renameFails)
      throw base::SystemError("Rename", to, 28, "No space left on device");
    SystemFiles::RenameOver(from, to);
  }
  bool fullDisk = false;
  bool InUse(const std::string&) override { return held; }
  // Another program cannot replace a file this one maps on Windows: held as a copy instead.
  std::unique_ptr<platform::HeldBytes> Hold(const std::string& path, std::size_t limit) override {
    if (!replaced)
      return SystemFiles::Hold(path, limit);
    return std::make_unique<platform::HeldCopy>(ReadBytes(path, limit));
  }
  bool SameContents(const std::string& path, const std::vector<std::string_view>& parts) override {
    return !(corruptReadBack && path.find("~") != std::string::npos) &&
           SystemFiles::SameContents(path, parts);
  }
  // Same bytes and time: only the file's identity tells. Once: a second replacement could
  // take the first file's freed inode number, and with it its identity.
  void CopyPermissions(const std::string& from, const std::string& to) override {
    SystemFiles::CopyPermissions(from, to);
    if (!replaced || replacedAlready)
      return;
    replacedAlready = true;
    const auto stamp = fs::last_write_time(from);
    WriteBytes(from + ".other", ReadBytes(from, std::string::npos));
    fs::last_write_time(from + ".other", stamp);
    fs::rename(from + ".other", from);
  }
  bool LinkFile(const std::string&, const std::string&) override { return false; }
  bool CreateNewFile(const std::string& path, const std::string& bytes,
                     platform::Keep keep) override {
    if (readOnlyFolder)
      throw base::SystemError("Create", path, 13, "Permission denied");
    return CreateNewFileFrom(path, {bytes}, "", {}, keep);
  }
  bool CreateNewFileFrom(const std::string& path, const std::vector<std::string_view>& parts,
                         const std::string& source, const std::vector<platform::SameStretch>& same,
                         platform::Keep keep) override {
    if (!fullDisk || path.find(".bak") == std::string::npos)
      return SystemFiles::CreateNewFileFrom(path, parts, source, same, keep);
    WriteBytes(path, std::string(parts.at(0).substr(0, parts.at(0).size() / 2)));
    throw base::SystemError("Write", path, 28, "No space left on device");
  }
};

// What the system refuses: nothing is written, and the program keeps its bytes and stamp.
TEST_F(EmbedCliTest, RefusesWhatTheSystemHolds) {
  struct Row {
    const char* name;
    bool held, readOnlyFolder, corruptReadBack, replaced;
    std::vector<std::string> args;
    int exitCode;
    std::string said; ///< the start of it, for a full disk: the path names the run
    bool renameFails = false;
    bool fullDisk = false;
  };
  const Row rows[] = {
      // Was: the program's stamp renewed all the same.
      {"beside, the rename fails",
       false,
       false,
       false,
       false,
       {"--beside"},
       batch::kFileOperationFailed,
       "themefold-batch: App.exe is left as it was: Rename \"" + Path("App.exe.manifest") +
           "\": No space left on device (28)\n",
       true},
      {"running",
       true,
       false,
       false,
       false,
       {"--embed"},
       batch::kUsage,
       "themefold-batch: App.exe is left as it was: it is running, or another program holds "
       "it open. Close it and try again.\n"},
      {"folder",
       false,
       true,
       false,
       false,
       {"--beside"},
       batch::kUsage,
       "themefold-batch: the folder " + Path() +
           " cannot be written (Permission denied): nothing was written.\n"},
      {"read back",
       false,
       false,
       true,
       false,
       {"--embed"},
       batch::kFileOperationFailed,
       "themefold-batch: App.exe is left as it was: the new program written to disk did not "
       "read back as built (its bytes differ).\n"},
      {"replaced meanwhile",
       false,
       false,
       false,
       true,
       {"--embed"},
       batch::kFileOperationFailed,
       "themefold-batch: App.exe changed since it was read: another program wrote to it or "
       "replaced it while the manifest was embedded. Nothing was changed. Run again to embed "
       "the manifest in the program as it is now.\n"},
      // Was: half a backup left as App.exe.bak, which restores to a broken program.
      {"backup on a full disk",
       false,
       false,
       false,
       false,
       {"--embed"},
       batch::kFileOperationFailed,
       "themefold-batch: App.exe is left as it was: Write ",
       false,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string old = row.readOnlyFolder || row.renameFails ? Plain() : Program().image;
    WriteBytes(dir_ / "App.exe", old);
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(dir_ / "App.exe", past);
    const auto stamp = fs::last_write_time(dir_ / "App.exe");
    FaultyFiles files;
    files.held = row.held;
    files.readOnlyFolder = row.readOnlyFolder;
    files.corruptReadBack = row.corruptReadBack;
    files.replaced = row.replaced;
    files.renameFails = row.renameFails;
    files.fullDisk = row.fullDisk;
    std::ostringstream out, err;
    front::SystemRegistry registry;
    front::SystemSettings settings;
    batch::Console console{out, err, registry, settings, "", "", ""};
    std::vector<std::string> args = row.args;
    args.push_back(Path("App.exe"));
    EXPECT_EQ(batch::Run(args, files, console), row.exitCode);
    EXPECT_EQ(row.fullDisk ? err.str().substr(0, row.said.size()) : err.str(), row.said);
    EXPECT_EQ(Read(), (Tree{{"App.exe", old}}));
    EXPECT_EQ(fs::last_write_time(dir_ / "App.exe"), stamp);
  }
  // Where the file system has no second names, the backup is a copy.
  FaultyFiles files;
  std::ostringstream out, err;
  front::SystemRegistry registry;
  front::SystemSettings settings;
  batch::Console console{out, err, registry, settings, "", "", ""};
  const std::string old = Program().image;
  WriteBytes(dir_ / "App.exe", old);
  EXPECT_EQ(batch::Run({"--embed", Path("App.exe")}, files, console), batch::kDone) << err.str();
  EXPECT_EQ(ReadBytes(dir_ / "App.exe.bak"), old);
  EXPECT_EQ(Says(ManifestOf(ReadBytes(dir_ / "App.exe"))),
            "styles, requireAdministrator, not set (Windows scales it)");
}

} // namespace
