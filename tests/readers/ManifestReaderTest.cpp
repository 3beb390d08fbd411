// What the manifest reader takes from a manifest, and the warnings where Windows would
// refuse to start the program or ignore a setting.
#include "support/TestSupport.h"

#include "generation/Manifest.h"
#include "readers/ManifestMerge.h"
#include "readers/ManifestReader.h"
#include "readers/PeImage.h"
#include "readers/ReaderTexts.h"

namespace {

const char* const kHead =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">";

std::string Manifest(const std::string& body) { return kHead + body + "</assembly>"; }

std::string Identity(const std::string& version, const std::string& architecture) {
  return "<assemblyIdentity name=\"A\" version=\"" + version + "\" processorArchitecture=\"" +
         architecture + "\" type=\"win32\"/>";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items)
    text += (text.empty() ? "" : " | ") + item;
  return text;
}

} // namespace

TEST(ManifestReaderTest, WarnsWhereWindowsRefusesOrIgnores) {
  struct Row {
    std::string manifest;
    std::uint16_t machine;
    const char* warnings;
  };
  const Row rows[] = {
      {Manifest(Identity("1.0.0.0", "x86")), readers::kMachineI386, ""},
      {Manifest(Identity("1.0.0.0", "*")), readers::kMachineAmd64, ""},
      {Manifest(Identity("1.0.0.0", "AMD64")), readers::kMachineAmd64, ""},
      {Manifest(Identity("1.0", "x86")), readers::kMachineI386,
       "line 1: version \"1.0\" is not four numbers of 0 to 65535: Windows refuses to start the "
       "program."},
      {Manifest(Identity("1.0.0.65536", "x86")), readers::kMachineI386,
       "line 1: version \"1.0.0.65536\" is not four numbers of 0 to 65535: Windows refuses to start the "
       "program."},
      {Manifest(Identity("1.0.0.0", "x86")), readers::kMachineAmd64,
       "line 1: the program's architecture x86 does not match the PE machine x64: Windows refuses to "
       "start the program."},
      {Manifest(Identity("1.0.0.0", "amd64")), readers::kMachineI386,
       "line 1: the program's architecture amd64 does not match the PE machine x86: Windows refuses to "
       "start the program."},
      {Manifest(Identity("1.0.0.0", "*") +
                "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
                "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                "processorArchitecture=\"x86\"/></dependentAssembly></dependency>"),
       readers::kMachineAmd64,
       "line 1: the Common Controls dependency's architecture x86 does not match the PE machine x64: "
       "Windows refuses to start the program."},
      {"<assembly><assemblyIdentity version=\"1.0.0.0\"/></assembly>", readers::kMachineI386,
       "line 1: the root element is not <assembly> in urn:schemas-microsoft-com:asm.v1: Windows refuses "
       "to start the program."},
      {Manifest("<assemblyIdentity name=\"A\" version=\"1.0.0.0\">"), readers::kMachineI386,
       "the manifest is not well-formed XML (line 1: '</assembly>' closes 'assemblyIdentity'): "
       "Windows refuses to start the program."},
      {Manifest("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>"
                "<dpiAware>true</dpiAware><longPathAware xmlns=\"http://schemas.microsoft.com/"
                "SMI/2005/WindowsSettings\">true</longPathAware></windowsSettings></application>"),
       readers::kMachineI386,
       "line 1: the manifest has no <assemblyIdentity>, which the manifest schema requires: "
       "give it one that names the program. | line 1: <dpiAware> is not in namespace "
       "http://schemas.microsoft.com/SMI/2005/WindowsSettings: Windows ignores it. | line 1: "
       "<longPathAware> is not in namespace "
       "http://schemas.microsoft.com/SMI/2016/WindowsSettings: Windows ignores it."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.manifest);
    EXPECT_EQ(Joined(readers::ReadManifest(row.manifest, row.machine).warnings), row.warnings);
  }
}

namespace {

// A manifest Windows takes as it is, one element a line: the identity on line 2, then
// lines from line 3 on.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text = std::string(kHead) + "\n" + Identity("1.0.0.0", "x86") + "\n";
  for (const std::string& line : lines)
    text += line + "\n";
  return text + "</assembly>";
}

// Lines 3 to 5: one setting on line 4.
std::string Setting(const std::string& element, const std::string& ns) {
  return Lines({"<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>",
                "<" + element + " xmlns=\"" + ns + "\">true</" + element + ">",
                "</windowsSettings></application>"});
}

std::string Settings(int year) {
  return "http://schemas.microsoft.com/SMI/" + std::to_string(year) + "/WindowsSettings";
}

// Lines 3 to 6: the supported Windows versions, with line on line 5.
std::string Compatibility(const std::string& line) {
  return Lines({"<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
                "<application><supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", line,
                "</application></compatibility>"});
}

std::string Utf16(const std::string& text) {
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  return utf16;
}

} // namespace

// One finding each: the manifest, and the one warning it gets, line and all.
TEST(ManifestReaderTest, TellsEachMistakeOnItsLine) {
  struct Row {
    const char* what;
    std::string manifest;
    const char* warning;
  };
  // clang-format off
  const Row rows[] = {
      {"nothing wrong", Lines({}), ""},
      {"UTF-16", Utf16(Lines({})),
       "the manifest is UTF-16 (it begins with a UTF-16 byte order mark): save it as UTF-8, the "
       "encoding manifests are written in."},
      {"no identity", std::string(kHead) + "\n</assembly>",
       "line 1: the manifest has no <assemblyIdentity>, which the manifest schema requires: "
       "give it one that names the program."},
      {"three numbers", std::string(kHead) + "\n" + Identity("1.2.3", "x86") + "</assembly>",
       "line 2: version \"1.2.3\" is not four numbers of 0 to 65535: Windows refuses to start the "
       "program."},
      {"another machine", std::string(kHead) + "\n" + Identity("1.2.3.4", "arm64") + "</assembly>",
       "line 2: the program's architecture arm64 does not match the PE machine x86: Windows "
       "refuses to start the program."},
      {"https", Setting("dpiAware", "https://schemas.microsoft.com/SMI/2005/WindowsSettings"),
       "line 4: namespace https://schemas.microsoft.com/SMI/2005/WindowsSettings begins with "
       "https://: Windows knows only http://schemas.microsoft.com/SMI/2005/WindowsSettings and "
       "ignores <dpiAware>."},
      {"letter case", Setting("gdiScaling", "http://schemas.microsoft.com/SMI/2017/windowsSettings"),
       "line 4: namespace http://schemas.microsoft.com/SMI/2017/windowsSettings differs from "
       "http://schemas.microsoft.com/SMI/2017/WindowsSettings in letter case: Windows compares "
       "namespaces exactly and ignores <gdiScaling>."},
      {"a letter missing", Setting("dpiAware", "http://schemas.microsoft.com/SMI/2005/WindowSettings"),
       "line 4: namespace http://schemas.microsoft.com/SMI/2005/WindowSettings is a misspelling of "
       "http://schemas.microsoft.com/SMI/2005/WindowsSettings: Windows ignores <dpiAware>."},
      {"compatibility misspelt",
       Lines({"<compatibility xmlns=\"urn:schemas-microsoft-com:compatability.v1\"><application>",
              "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
              "</application></compatibility>"}),
       "line 3: namespace urn:schemas-microsoft-com:compatability.v1 is a misspelling of "
       "urn:schemas-microsoft-com:compatibility.v1: Windows ignores <compatibility>."},
      {"dpiAware of 2016", Setting("dpiAware", Settings(2016)),
       "line 4: <dpiAware> is not in namespace http://schemas.microsoft.com/SMI/2005/"
       "WindowsSettings: Windows ignores it."},
      {"dpiAwareness of 2005", Setting("dpiAwareness", Settings(2005)),
       "line 4: <dpiAwareness> is not in namespace http://schemas.microsoft.com/SMI/2016/"
       "WindowsSettings: Windows ignores it."},
      {"gdiScaling of 2016", Setting("gdiScaling", Settings(2016)),
       "line 4: <gdiScaling> is not in namespace http://schemas.microsoft.com/SMI/2017/"
       "WindowsSettings: Windows ignores it."},
      {"longPathAware of 2017", Setting("longPathAware", Settings(2017)),
       "line 4: <longPathAware> is not in namespace http://schemas.microsoft.com/SMI/2016/"
       "WindowsSettings: Windows ignores it."},
      {"activeCodePage of 2016", Setting("activeCodePage", Settings(2016)),
       "line 4: <activeCodePage> is not in namespace http://schemas.microsoft.com/SMI/2019/"
       "WindowsSettings: Windows ignores it."},
      {"printerDriverIsolation of 2005", Setting("printerDriverIsolation", Settings(2005)),
       "line 4: <printerDriverIsolation> is not in namespace http://schemas.microsoft.com/SMI/"
       "2011/WindowsSettings: Windows ignores it."},
      {"heapType of 2019", Setting("heapType", Settings(2019)),
       "line 4: <heapType> is not in namespace http://schemas.microsoft.com/SMI/2020/"
       "WindowsSettings: Windows ignores it."},
      {"unknown setting", Setting("magicFutureSetting", Settings(2005)),
       "line 4: Windows knows no <magicFutureSetting> in <windowsSettings> and ignores it."},
      {"unknown in compatibility", Compatibility("<supportedOs Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"),
       "line 5: Windows knows no <supportedOs> in <compatibility> and ignores it."},
      {"given twice",
       Lines({"<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>",
              "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
              "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
              "</windowsSettings></application>"}),
       "line 5: <dpiAware> is given again (first on line 4): give each setting once; which of the "
       "two Windows takes is not documented."},
      {"unknown Windows", Compatibility("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9b}\"/>"),
       "line 5: supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9b} names none of the Windows "
       "versions Windows knows (Vista, 7, 8, 8.1, 10 and 11): it declares nothing."},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Joined(readers::ReadManifest(row.manifest, readers::kMachineI386).warnings),
              row.warning);
  }
}

// What Windows documents gets no warning, in whatever namespace spelling it documents.
TEST(ManifestReaderTest, DocumentedSettingsPassWithoutWarning) {
  const std::string manifest = Lines({
      "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\"><application>",
      "<supportedOS Id=\"{E2011457-1546-43C5-A5FE-008DEEE3D3F0}\"/>",
      "<maxversiontested Id=\"10.0.22621.0\"/>",
      "</application></compatibility>",
      "<asmv3:application xmlns:asmv3=\"urn:schemas-microsoft-com:asm.v3\"><asmv3:windowsSettings>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
      "<disableTheming xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false</disableTheming>",
      "<printerDriverIsolation xmlns=\"http://schemas.microsoft.com/SMI/2011/WindowsSettings\">true</printerDriverIsolation>",
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2</dpiAwareness>",
      "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>",
      "<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>",
      "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">Legacy</activeCodePage>",
      "<heapType xmlns=\"http://schemas.microsoft.com/SMI/2020/WindowsSettings\">SegmentHeap</heapType>",
      "</asmv3:windowsSettings></asmv3:application>",
      "<msix xmlns=\"urn:schemas-microsoft-com:msix.v1\" publisher=\"CN=A\" packageName=\"A\" "
      "applicationId=\"A\"/>",
  });
  const readers::ManifestFacts facts = readers::ReadManifest(manifest, readers::kMachineI386);
  EXPECT_EQ(Joined(facts.warnings), "");
  EXPECT_EQ(facts.dpiAware, "true");
  EXPECT_EQ(Joined(facts.notes), "");
}

TEST(ManifestReaderTest, ReadsSettingsWhateverTheEncodingAndOrder) {
  const std::string body = Manifest(
      "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\"><application>"
      "<supportedOS Id=\"{1F676C76-80E1-4239-95BB-83D0F6D0DA78}\"/>"
      "<supportedOS Id=\"{aaaaaaaa-0000-0000-0000-000000000000}\"/>"
      "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>"
      "</application></compatibility>"
      "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\"><security><requestedPrivileges>"
      "<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>"
      "</requestedPrivileges></security></trustInfo>");
  std::string utf16;
  for (char c : body) {
    utf16 += c;
    utf16 += '\0';
  }
  struct Row {
    const char* what;
    std::string bytes;
  };
  const Row rows[] = {
      {"UTF-8", body},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" + body},
      {"UTF-16LE", "\xFF\xFE" + utf16},
      {"UTF-16BE", std::string("\xFE\xFF\0", 3) + utf16.substr(0, utf16.size() - 1)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const readers::ManifestFacts facts = readers::ReadManifest(row.bytes, readers::kMachineI386);
    EXPECT_FALSE(facts.xmlError) << *facts.xmlError;
    EXPECT_EQ(Joined(facts.supportedOs), "Vista | 8.1 | {aaaaaaaa-0000-0000-0000-000000000000}");
    EXPECT_EQ(facts.runLevel, "highestAvailable");
  }
}

TEST(ManifestReaderTest, DescribesDpiAsWindowsReadsIt) {
  struct Row {
    const char* dpiAware;
    const char* dpiAwareness;
    const char* words;
  };
  const Row rows[] = {
      {"", "", "not set (Windows scales it)"},
      {"true", "", "system aware"},
      {"True", "", "system aware"},
      {"true/pm", "", "per-monitor"},
      {"false", "", "not aware (Windows scales it)"},
      {"true/pm", "PerMonitorV2, PerMonitor", "per-monitor v2"},
      {"true", " permonitor ,system", "per-monitor"},
      {"", "System", "system aware"},
      {"yes", "", "not understood"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.dpiAware) + "/" + row.dpiAwareness);
    readers::ManifestFacts facts;
    facts.dpiAware = row.dpiAware;
    facts.dpiAwareness = row.dpiAwareness;
    EXPECT_EQ(readers::DescribeDpi(facts), row.words);
  }
}

namespace {

// A program built by Visual C++ 2008 that a developer extended by hand.
const char* const kOldManifest =
    "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
    "<!-- kept: a comment before the root -->\n"
    "<assembly xmlns='urn:schemas-microsoft-com:asm.v1' manifestVersion='1.0' "
    "xmlns:x='urn:example:tools'>\n"
    "  <assemblyIdentity name='Vendor.App' version='2.1.0.7' type='win32' "
    "processorArchitecture='x86'/>\n"
    "  <description>Old &amp; kept</description>\n"
    "  <dependency>\n"
    "    <dependentAssembly>\n"
    "      <assemblyIdentity type='win32' name='Microsoft.VC90.CRT' version='9.0.21022.8' "
    "processorArchitecture='x86' publicKeyToken='1fc8b3b9a1e18e3b'/>\n"
    "    </dependentAssembly>\n"
    "  </dependency>\n"
    "  <file name='Grid.ocx'>\n"
    "    <comClass clsid='{11111111-2222-3333-4444-555555555555}' threadingModel='Apartment'/>\n"
    "  </file>\n"
    "  <x:build stamp='42'><!-- the build machine's --></x:build>\n"
    "  <trustInfo xmlns='urn:schemas-microsoft-com:asm.v2'>\n"
    "    <security>\n"
    "      <requestedPrivileges>\n"
    "        <requestedExecutionLevel level='requireAdministrator' uiAccess='true'/>\n"
    "      </requestedPrivileges>\n"
    "    </security>\n"
    "  </trustInfo>\n"
    "  <application xmlns='urn:schemas-microsoft-com:asm.v3'>\n"
    "    <windowsSettings>\n"
    "      <heapType xmlns='http://schemas.microsoft.com/SMI/2020/WindowsSettings'>"
    "SegmentHeap</heapType>\n"
    "      <disableWindowFiltering xmlns='http://schemas.microsoft.com/SMI/2011/"
    "WindowsSettings'>true</disableWindowFiltering>\n"
    "      <activeCodePage xmlns='http://schemas.microsoft.com/SMI/2019/WindowsSettings'>"
    "Legacy</activeCodePage>\n"
    "      <printerDriverIsolation xmlns='http://schemas.microsoft.com/SMI/2011/"
    "WindowsSettings'>true</printerDriverIsolation>\n"
    "      <dpiAwareness xmlns='http://schemas.microsoft.com/SMI/2016/WindowsSettings'>"
    "PerMonitorV2</dpiAwareness>\n"
    "    </windowsSettings>\n"
    "  </application>\n"
    "</assembly>\n";

std::string Changes(const readers::MergedManifest& merged) {
  std::string text =
      merged.refusal ? "refused: " + readers::texts::Words(*merged.refusal) + "\n" : "";
  for (const readers::ManifestChange& change : merged.changes)
    text += readers::DescribeChange(change) + "\n";
  return text;
}

std::string Ours(const generation::ManifestSettings& settings = {}) {
  return generation::BuildManifestText("3.0.0.0", "App.exe", "New", "x86", settings, {});
}

} // namespace

// Everything the old manifest says stays, unless an option says the same otherwise; the
// report names each change with its old and new value. Was: ours alone, and nothing said.
TEST(ManifestReaderTest, MergesWithTheOldManifestAsTheManifestToolDoes) {
  generation::ManifestSettings settings;
  settings.runLevel = generation::RunLevel::AsInvoker;
  settings.dpi = generation::DpiAwareness::System;
  settings.codePage = generation::CodePage::Utf8;
  settings.supportedOs = true;
  const readers::MergedManifest merged =
      readers::MergeManifests(std::string(kOldManifest), Ours(settings), {true, false});
  EXPECT_EQ(merged.text, testsupport::Golden("Merged.exe.manifest"));
  EXPECT_EQ(Changes(merged), "  assemblyIdentity version: 2.1.0.7 -> 3.0.0.0\n"
                             "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0\n"
                             "  supportedOS Windows Vista: none -> listed\n"
                             "  supportedOS Windows 7: none -> listed\n"
                             "  supportedOS Windows 8: none -> listed\n"
                             "  supportedOS Windows 8.1: none -> listed\n"
                             "  supportedOS Windows 10 and 11: none -> listed\n"
                             "  requestedExecutionLevel level: requireAdministrator -> asInvoker\n"
                             "  dpiAware: none -> true\n"
                             "  activeCodePage: Legacy -> UTF-8\n"
                             "  dpiAwareness: PerMonitorV2 -> none\n");
  // A second run with the same options, or with none, changes nothing: not one byte.
  const readers::MergedManifest again =
      readers::MergeManifests(merged.text, Ours(settings), {true, false});
  EXPECT_EQ(again.text, merged.text);
  EXPECT_EQ(Changes(again), "");
  EXPECT_EQ(readers::MergeManifests(merged.text, Ours(), {false, false}).text, merged.text);
  // Empty elements get an end tag around what goes in, and what follows them goes after it.
  const readers::MergedManifest empty = readers::MergeManifests(
      std::string("<assembly xmlns='urn:schemas-microsoft-com:asm.v1'><application "
                  "xmlns='urn:schemas-microsoft-com:asm.v3'><windowsSettings/></application>"
                  "<compatibility xmlns='urn:schemas-microsoft-com:compatibility.v1'/>"
                  "</assembly>"),
      Ours(settings));
  const readers::ManifestFacts filled = readers::ReadManifest(empty.text, 0x14C);
  EXPECT_TRUE(filled.visualStyles && filled.supportedOs.size() == 5 &&
              filled.runLevel == "asInvoker" && filled.dpiAware == "true")
      << empty.text;

  struct Row {
    const char* name;
    std::optional<std::string> old;
    const char* changes;
    std::string text; ///< "" when not checked
  };
  const std::string utf16 = std::string("\xFF\xFE", 2) + [] {
    std::string wide;
    for (char c : std::string("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\"/>"))
      wide += std::string{c, '\0'};
    return wide;
  }();
  const std::string common =
      "<assembly xmlns='urn:schemas-microsoft-com:asm.v1'><dependency><dependentAssembly>"
      "<assemblyIdentity name='Microsoft.Windows.Common-Controls' version='6.0.0.0' "
      "processorArchitecture='*'/></dependentAssembly></dependency></assembly>";
  const Row rows[] = {
      {"no old manifest: ours byte for byte", std::nullopt, "", Ours()},
      {"Common Controls 6 already there: not twice", common,
       "  assemblyIdentity: none -> App.exe\n", ""},
      {"another version of Common Controls",
       std::string(common).replace(common.find("6.0"), 3, "5.8"),
       "  assemblyIdentity: none -> App.exe\n"
       "  dependency Microsoft.Windows.Common-Controls: 5.8.0.0 -> 6.0.0.0\n",
       ""},
      {"Common Controls for another machine",
       std::string(common).replace(common.find("'*'"), 3, "'amd64'"),
       "  assemblyIdentity: none -> App.exe\n"
       "  dependency Microsoft.Windows.Common-Controls processorArchitecture: amd64 -> x86\n",
       ""},
      {"not well-formed", std::string("<assembly xmlns='urn:schemas-microsoft-com:asm.v1'>"),
       "refused: it is not well-formed XML (line 1: 'assembly' is not closed)\n", ""},
      {"not a manifest", std::string("<html/>"),
       "refused: its root element is not <assembly> of urn:schemas-microsoft-com:asm.v1\n", ""},
      {"too large", std::string(readers::kMaxManifestBytes + 1, ' '),
       "refused: it is 1048577 bytes; at most 1048576 are read\n", ""},
      {"UTF-16, and an empty root", utf16,
       "  assemblyIdentity: none -> App.exe\n"
       "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0\n",
       ""},
      {"a prefixed root",
       std::string("<a:assembly xmlns:a='urn:schemas-microsoft-com:asm.v1'>"
                   "<a:assemblyIdentity name='Old' version='1.0.0.0'/>"
                   "</a:assembly>"),
       "  dependency Microsoft.Windows.Common-Controls: none -> 6.0.0.0\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const readers::MergedManifest result = readers::MergeManifests(row.old, Ours(), {false, false});
    EXPECT_EQ(Changes(result), row.changes);
    if (!row.text.empty()) {
      EXPECT_EQ(result.text, row.text);
    }
    // What is merged reads back as a manifest with visual styles, and merges to itself.
    if (!result.refusal) {
      const readers::ManifestFacts facts = readers::ReadManifest(result.text, 0x14C);
      EXPECT_TRUE(facts.visualStyles) << result.text;
      EXPECT_FALSE(facts.xmlError) << result.text;
      EXPECT_EQ(readers::MergeManifests(result.text, Ours(), {false, false}).changes.size(), 0u);
    }
  }
}
