#include "generation/Placeholders.h"

namespace generation {

std::string ReplaceAll(const std::string& text, const std::string& placeholder,
                       const std::string& value) {
  if (placeholder.empty())
    return text;
  std::string out;
  out.reserve(text.size());
  std::string::size_type from = 0;
  for (;;) {
    const std::string::size_type at = text.find(placeholder, from);
    if (at == std::string::npos)
      break;
    out.append(text, from, at - from).append(value);
    from = at + placeholder.size();
  }
  return out.append(text, from, std::string::npos);
}

} // namespace generation
