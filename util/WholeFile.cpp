#include "platform/Platform.h"
#include "util/BraskModule.h"

namespace brask {

std::string ReadWholeFile(const std::string& path) {
  std::string text = platform::ReadFileBytes(path, kMaxWholeFileBytes);
  // One final CR LF only: a second one before it, or a bare LF or CR, stays.
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  platform::WriteFileBytes(path, text + "\r\n");
}

} // namespace brask
