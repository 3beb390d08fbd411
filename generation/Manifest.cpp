#include "generation/Manifest.h"

#include <iterator>
#include <vector>

#include "generation/Placeholders.h"

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

std::string EscapeXml(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&apos;"; break;
    default: out += c;
    }
  }
  return out;
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture,
                              const generation::ManifestSettings& settings) {
  using generation::ReplaceAll;
  std::string text = ReplaceAll(JoinedTemplate(generation::ManifestSettingsLines(settings)),
                                "%arch%", architecture);
  text = ReplaceAll(text, "%version%", EscapeXml(version));
  text = ReplaceAll(text, "%exename%", EscapeXml(exeName));
  text = ReplaceAll(text, "%description%", EscapeXml(description));

  // 3 for "-->" and 2 for the CR LF the file writer appends.
  text += "<!--";
  text.append((100 - (text.size() + 5) % 100) % 100, '.');
  text += "-->";
  return text;
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture) {
  return BuildManifestText(version, exeName, description, architecture, {});
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description,
                              const generation::ManifestSettings& settings) {
  return BuildManifestText(version, exeName, description, "X86", settings);
}

std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description) {
  return BuildManifestText(version, exeName, description, generation::ManifestSettings());
}
