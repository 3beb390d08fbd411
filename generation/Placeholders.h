#pragma once
#include <string>

namespace generation {

/// Replaces every occurrence of placeholder, left to right, exactly and case-sensitively,
/// without rescanning what it inserts.
std::string ReplaceAll(const std::string& text, const std::string& placeholder,
                       const std::string& value);

} // namespace generation
