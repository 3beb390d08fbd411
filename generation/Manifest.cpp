#include "generation/Manifest.h"

#include <iterator>
#include <vector>

#include "base/Unicode.h"
#include "generation/Architecture.h"
#include "generation/Placeholders.h"

namespace generation {

namespace {

// Joined with CR LF, no line break after the last line. "%arch%" is ours, not a
// user-visible placeholder: it is filled first, before any user value goes in.
constexpr const char* kTemplate[] = {
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes" ?>)",
    R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)",
    R"(    <assemblyIdentity)",
    R"(        version="%version%")",
    R"(        processorArchitecture="%arch%")",
    R"(        name="%exename%")",
    R"(        type="win32" />)",
    R"(    <description>%description%</description>)",
    R"(    <dependency>)",
    R"(        <dependentAssembly>)",
    R"(            <assemblyIdentity)",
    R"(                type="win32")",
    R"(                name="Microsoft.Windows.Common-Controls")",
    R"(                version="6.0.0.0")",
    R"(                processorArchitecture="%arch%")",
    R"(                publicKeyToken="6595b64144ccf1df")",
    R"(                language="*" />)",
    R"(        </dependentAssembly>)",
    R"(    </dependency>)",
    R"(</assembly>)",
};

std::string SettingElement(const generation::WindowsSetting& setting, const std::string& value) {
  return std::string("<") + setting.element + " xmlns=\"" + setting.ns + "\">" + value + "</" +
         setting.element + ">";
}

// What the settings add after the dependency, in this order, one line each.
std::vector<std::string> SettingsLines(const generation::ManifestSettings& settings) {
  using generation::DpiAwareness;
  using generation::RunLevel;
  std::vector<std::string> lines;
  if (settings.supportedOs) {
    lines.push_back(std::string(R"(    <compatibility xmlns=")") +
                    generation::manifestns::kCompatibility + R"(">)");
    lines.push_back(R"(        <application>)");
    for (const generation::WindowsVersion& version : generation::kWindowsVersions)
      lines.push_back(std::string(R"(            <supportedOS Id=")") + version.id + R"("/>)");
    lines.push_back(R"(        </application>)");
    lines.push_back(R"(    </compatibility>)");
  }
  if (settings.runLevel != RunLevel::NotSet) {
    lines.push_back(std::string(R"(    <trustInfo xmlns=")") + generation::manifestns::kAsmV3 +
                    R"(">)");
    lines.push_back(R"(        <security>)");
    lines.push_back(R"(            <requestedPrivileges>)");
    lines.push_back(R"(                <requestedExecutionLevel level=")" +
                    generation::RunLevelName(settings.runLevel) + R"(" uiAccess="false"/>)");
    lines.push_back(R"(            </requestedPrivileges>)");
    lines.push_back(R"(        </security>)");
    lines.push_back(R"(    </trustInfo>)");
  }
  std::vector<std::string> windowsSettings;
  if (settings.dpi != DpiAwareness::Default) {
    const char* aware = settings.dpi == DpiAwareness::System ? "true" : "true/pm";
    windowsSettings.push_back(SettingElement(generation::kDpiAwareSetting, aware));
  }
  // Windows 10 1607 and later read dpiAwareness and then ignore dpiAware; older ones read
  // only dpiAware, where true/pm is the best they offer.
  if (settings.dpi == DpiAwareness::PerMonitorV2)
    windowsSettings.push_back(
        SettingElement(generation::kDpiAwarenessSetting, "PerMonitorV2, PerMonitor"));
  if (settings.gdiScaling)
    windowsSettings.push_back(SettingElement(generation::kGdiScalingSetting, "true"));
  if (settings.longPathAware)
    windowsSettings.push_back(SettingElement(generation::kLongPathAwareSetting, "true"));
  if (settings.codePage != generation::CodePage::NotSet)
    windowsSettings.push_back(SettingElement(generation::kActiveCodePageSetting,
                                             generation::CodePageValue(settings.codePage)));
  if (settings.printerIsolation)
    windowsSettings.push_back(SettingElement(generation::kPrinterIsolationSetting, "true"));
  if (!windowsSettings.empty()) {
    lines.push_back(std::string(R"(    <application xmlns=")") + generation::manifestns::kAsmV3 +
                    R"(">)");
    lines.push_back(R"(        <windowsSettings>)");
    for (const std::string& element : windowsSettings)
      lines.push_back("            " + element);
    lines.push_back(R"(        </windowsSettings>)");
    lines.push_back(R"(    </application>)");
  }
  return lines;
}

std::string Attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + EscapeXml(value) + "\"";
}

// One <file> element per component, in the order given.
std::vector<std::string> ComponentLines(const std::vector<generation::ComponentFacts>& components) {
  std::vector<std::string> lines;
  for (const generation::ComponentFacts& component : components) {
    lines.push_back("    <file" + Attribute("name", component.fileName) + ">");
    lines.push_back("        <typelib" + Attribute("tlbid", component.tlbid) +
                    Attribute("version", component.version) + Attribute("helpdir", "") +
                    Attribute("flags", component.flags) + "/>");
    for (const generation::ComClassFacts& item : component.classes) {
      std::string line =
          "        <comClass" + Attribute("clsid", item.clsid) +
          Attribute("tlbid", component.tlbid) + Attribute("threadingModel", "Apartment") +
          Attribute("progid", item.progId) + Attribute("description", item.description);
      if (!item.miscStatus.empty())
        line += Attribute("miscStatus", item.miscStatus);
      if (!item.miscStatusContent.empty())
        line += Attribute("miscStatusContent", item.miscStatusContent);
      lines.push_back(line + "/>");
    }
    lines.push_back("    </file>");
  }
  // The proxies are the program's, not the file's: they follow every <file>.
  for (const generation::ComponentFacts& component : components)
    for (const generation::ComInterfaceFacts& item : component.interfaces)
      lines.push_back("    <comInterfaceExternalProxyStub" + Attribute("name", item.name) +
                      Attribute("iid", item.iid) + Attribute("tlbid", component.tlbid) +
                      Attribute("proxyStubClsid32", kAutomationProxyStub) + "/>");
  return lines;
}

// The settings' lines go in before the template's last line, "</assembly>".
std::string JoinedTemplate(const std::vector<std::string>& settingsLines) {
  std::vector<std::string> lines(std::begin(kTemplate), std::end(kTemplate) - 1);
  lines.insert(lines.end(), settingsLines.begin(), settingsLines.end());
  lines.push_back(*(std::end(kTemplate) - 1));
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty())
      text += "\r\n";
    text += line;
  }
  return text;
}

} // namespace

namespace {

// XML 1.0's Char production.
bool IsXmlCharacter(char32_t code) {
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
}

} // namespace

std::string EscapeXml(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t at = 0; at < value.size();) {
    char32_t code = 0;
    const std::size_t length = unicode::Utf8Sequence(value, at, code);
    if (length == 0 || !IsXmlCharacter(code)) {
      // Windows refuses a manifest that holds what XML cannot: U+FFFD stands in for it.
      out += "\xEF\xBF\xBD";
      at += length ? length : 1;
      continue;
    }
    switch (value[at]) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&apos;";
      break;
    default:
      out.append(value, at, length);
    }
    at += length;
  }
  return out;
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture,
                              const generation::ManifestSettings& settings,
                              const std::vector<generation::ComponentFacts>& components) {
  using generation::ReplaceAll;
  std::string text = ReplaceAll(JoinedTemplate(SettingsLines(settings)), "%arch%", architecture);
  text = ReplaceAll(text, "%version%", EscapeXml(version));
  text = ReplaceAll(text, "%exename%", EscapeXml(exeName));
  text = ReplaceAll(text, "%description%", EscapeXml(description));
  // After the placeholders are filled, so that a '%' in a component's name stays as it is.
  const std::string end = "\r\n" + std::string(*(std::end(kTemplate) - 1));
  std::string componentText;
  for (const std::string& line : ComponentLines(components))
    componentText += "\r\n" + line;
  text.insert(text.size() - end.size(), componentText);

  // 3 for "-->" and 2 for the CR LF the file writer appends.
  text += "<!--";
  text.append((100 - (text.size() + 5) % 100) % 100, '.');
  text += "-->";
  return text;
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture,
                              const generation::ManifestSettings& settings) {
  return BuildManifestText(version, exeName, description, architecture, settings, {});
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture) {
  return BuildManifestText(version, exeName, description, architecture, {});
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description,
                              const generation::ManifestSettings& settings) {
  return BuildManifestText(version, exeName, description, generation::kDefaultArchitecture,
                           settings);
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description) {
  return BuildManifestText(version, exeName, description, generation::ManifestSettings());
}

bool IsManifestVersion(const std::string& version) {
  int parts = 0;
  std::string::size_type i = 0;
  for (;;) {
    long value = 0;
    std::string::size_type digits = 0;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
      value = value * 10 + (version[i] - '0');
      if (value > 65535)
        return false;
      ++i;
      ++digits;
    }
    if (digits == 0)
      return false;
    ++parts;
    if (i == version.size())
      return parts == 4;
    if (version[i] != '.' || parts == 4)
      return false;
    ++i;
  }
}

} // namespace generation
