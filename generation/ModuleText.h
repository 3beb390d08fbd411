#pragma once

/// The start-up module handed to users: 45 lines joined with CR LF. The file writer adds
/// the final CR LF. Every byte is ASCII.
extern const char* const kModuleText;
