#pragma once
// A small strict XML reader, enough for application manifests: it checks that a document
// is well-formed (Windows refuses to start a program whose manifest is not) and gives its
// elements with their namespaces resolved. There is no document type declaration, and so
// no entity besides the five predefined ones and character references.

#include <string>
#include <vector>

#include "readers/Bytes.h"

namespace readers::xml {

struct Attribute {
  std::string ns; ///< "" for an attribute without prefix
  std::string local;
  std::string value; ///< references replaced, white space normalized
};

struct Element {
  std::string ns;
  std::string local;
  int line = 0;
  std::vector<Attribute> attributes;
  std::vector<Element> children;
  std::string text; ///< the character data directly inside, joined

  /// The attribute of that local name and namespace, or null.
  const Attribute* Find(const std::string& local, const std::string& ns = "") const;
  /// Its value, or "" when absent.
  std::string Value(const std::string& local) const;
};

/// Deeper nesting than this is refused: no manifest needs it, and it bounds the recursion.
inline constexpr int kMaxDepth = 200;

/// The root element of text, which is UTF-8 with an optional byte order mark. Throws
/// FormatError ("line 3: ...") where the document is not well-formed.
Element Parse(const std::string& text);

} // namespace readers::xml
