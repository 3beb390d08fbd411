#pragma once
#include <string>

namespace generation {

/// The resource script that embeds manifestName as resource type 24, identifier 1.
/// Five lines joined with CR LF; the file writer adds the last CR LF.
std::string BuildResourceScript(const std::string& manifestName);

/// "rc" /r /fo "folder+output" "folder+script": three quoted paths, single blanks.
/// folder already ends in its separator.
std::string BuildCompilerCommand(const std::string& rcExePath, const std::string& folder,
                                 const std::string& outputName, const std::string& scriptName);

} // namespace generation
