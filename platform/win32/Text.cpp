// Win32 only: the ANSI code page to UTF-8, through UTF-16.
#include <windows.h>

#include "platform/Platform.h"

namespace platform {

// codePage is for systems without one of their own: Windows has its ANSI code page.
std::string AnsiToUtf8(const std::string& text, unsigned /*codePage*/) {
  if (text.empty())
    return text;
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wide <= 0)
    return text;
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, utf16.data(), wide);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return text;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

} // namespace platform
