// What the manifest reader takes from a manifest, and the warnings where Windows would
// refuse to start the program or ignore a setting.
#include "support/TestSupport.h"

#include "readers/ManifestReader.h"
#include "readers/PeImage.h"

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
       "version \"1.0\" is not four numbers of 0 to 65535: Windows refuses to start the program."},
      {Manifest(Identity("1.0.0.65536", "x86")), readers::kMachineI386,
       "version \"1.0.0.65536\" is not four numbers of 0 to 65535: Windows refuses to start the "
       "program."},
      {Manifest(Identity("1.0.0.0", "x86")), readers::kMachineAmd64,
       "the program's architecture x86 does not match the PE machine x64: Windows refuses to "
       "start the program."},
      {Manifest(Identity("1.0.0.0", "amd64")), readers::kMachineI386,
       "the program's architecture amd64 does not match the PE machine x86: Windows refuses to "
       "start the program."},
      {Manifest(Identity("1.0.0.0", "*") +
                "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
                "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                "processorArchitecture=\"x86\"/></dependentAssembly></dependency>"),
       readers::kMachineAmd64,
       "the Common Controls dependency's architecture x86 does not match the PE machine x64: "
       "Windows refuses to start the program."},
      {"<assembly><assemblyIdentity version=\"1.0.0.0\"/></assembly>", readers::kMachineI386,
       "the root element is not <assembly> in urn:schemas-microsoft-com:asm.v1: Windows refuses "
       "to start the program."},
      {Manifest("<assemblyIdentity name=\"A\" version=\"1.0.0.0\">"), readers::kMachineI386,
       "the manifest is not well-formed XML (line 1: '</assembly>' closes 'assemblyIdentity'): "
       "Windows refuses to start the program."},
      {Manifest("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>"
                "<dpiAware>true</dpiAware><longPathAware xmlns=\"http://schemas.microsoft.com/"
                "SMI/2005/WindowsSettings\">true</longPathAware></windowsSettings></application>"),
       readers::kMachineI386,
       "<dpiAware> is not in namespace http://schemas.microsoft.com/SMI/2005/WindowsSettings: "
       "Windows ignores it. | <longPathAware> is not in namespace "
       "http://schemas.microsoft.com/SMI/2016/WindowsSettings: Windows ignores it."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.manifest);
    EXPECT_EQ(Joined(readers::ReadManifest(row.manifest, row.machine).warnings), row.warnings);
  }
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
    EXPECT_EQ(facts.xmlError, "");
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
