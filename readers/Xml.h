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
  std::string value;                        ///< references replaced, white space normalized
  std::size_t valueBegin = 0, valueEnd = 0; ///< the value as written, inside its quotes
};

struct Element {
  std::string ns;
  std::string local;
  int line = 0;
  std::vector<Attribute> attributes;
  std::vector<Element> children;
  std::string text; ///< the character data directly inside, joined
  /// Where it lies in the text parsed (line ends made LF): its '<', the end of its name, the
  /// end of its start tag, the start of its end tag and its end. An empty element's content
  /// begins and ends at its end.
  std::size_t begin = 0, nameEnd = 0, contentBegin = 0, contentEnd = 0, end = 0;
  std::string qualifiedName; ///< as written, with its prefix
  std::string defaultInside; ///< the namespace an unprefixed child would be in

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

/// text with its line ends made LF, as the parser reads it: the text Element's places are in.
std::string WithLfLineEnds(const std::string& text);

} // namespace readers::xml
