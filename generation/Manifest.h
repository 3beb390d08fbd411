#pragma once
#include <string>

#include <vector>

#include "generation/ComponentFacts.h"
#include "generation/ManifestSettings.h"

namespace generation {

/// The application manifest that gives a program Common Controls 6, with the three values
/// put in and the filler comment that makes the file on disk a multiple of 100 bytes once
/// the writer has appended CR LF.
///
/// Inputs and result are UTF-8, as the XML declaration says; the filler counts bytes.
/// The values are XML-escaped before they go in: an '&' or '<' in a description would
/// otherwise make a manifest that Windows refuses, and the program would not start.
std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description);

/// The same with the architecture of both identities given (the program's own test build
/// embeds an amd64 manifest); BuildManifestText uses "X86".
std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture);

/// With the settings' elements after the dependency; the default settings give the same
/// text as the overloads without them.
std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description,
                              const generation::ManifestSettings& settings);
std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture,
                              const generation::ManifestSettings& settings);

/// With one <file> element per component after the settings' elements; no component gives
/// the same text as the overloads without them.
std::string BuildManifestText(const std::string& version, const std::string& exeName,
                              const std::string& description, const std::string& architecture,
                              const generation::ManifestSettings& settings,
                              const std::vector<generation::ComponentFacts>& components);

/// The proxy of the automation marshaler, which serves every dispatch and dual interface.
inline constexpr const char* kAutomationProxyStub = "{00020424-0000-0000-C000-000000000046}";

/// Four dot-separated numbers of 0 to 65535: the only versions Windows accepts in a manifest.
bool IsManifestVersion(const std::string& version);

/// Escapes & < > " ' as XML entities, and puts U+FFFD in place of what XML cannot hold:
/// control characters other than tab, CR and LF, and bytes that are not UTF-8.
std::string EscapeXml(const std::string& value);

} // namespace generation
