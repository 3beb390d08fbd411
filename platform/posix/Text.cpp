// POSIX only: text is UTF-8 already.
#include "platform/Platform.h"

namespace platform {

std::string AnsiToUtf8(const std::string& text) { return text; }

} // namespace platform
