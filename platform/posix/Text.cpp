// POSIX only: text is UTF-8, unless it came from Windows in its ANSI code page.
#include "base/CodePages.h"
#include "base/Unicode.h"
#include "platform/Platform.h"

namespace platform {

std::string AnsiToUtf8(const std::string& text, unsigned codePage) {
  return unicode::IsUtf8(text) ? text : codepages::ToUtf8(text, codePage);
}

} // namespace platform
