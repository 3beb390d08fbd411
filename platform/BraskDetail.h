#pragma once
// The portable halves of the utility module's system operations, apart so that they are tested on
// every platform: what goes into a platform call and what comes out of it.

#include <cstdint>
#include <string>

#include "platform/BraskModule.h"
#include "platform/Platform.h"

namespace brask::detail {

// Registry value types, as the platform numbers them.
inline constexpr unsigned long kRegBinary = 3;
inline constexpr unsigned long kRegDword = 4;
/// The value buffer: 2,048 bytes; larger data is not read.
inline constexpr std::size_t kRegistryBufferSize = 2048;

/// A query's result as text: "" unless the status is 0; REG_DWORD in decimal with at least
/// three digits, REG_BINARY as uppercase hex pairs, anything else as the buffer trimmed of
/// spaces and cut at its first NUL.
std::string FormatRegistryValue(const platform::RegistryQuery& query);

/// Room for 254 characters and the NUL, in the file and file-title buffers.
inline constexpr std::size_t kFileBufferSize = 255;

/// The dialog record for ShowFileDialog's arguments.
platform::FileDialogRecord MakeFileDialogRecord(const std::string& filter, WindowHandle ownerWindow,
                                                const std::string& initialFolder,
                                                const std::string& title, std::uint32_t flags,
                                                bool save, int filterIndex,
                                                const std::string& defaultName);
/// The file buffer's text before its first NUL, less leading and trailing spaces.
std::string ChosenPath(const std::string& fileBuffer);

} // namespace brask::detail
