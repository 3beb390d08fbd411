#include "readers/Xml.h"

#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/Unicode.h"

namespace readers::xml {

namespace {

const char* const kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool IsNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

std::string WithLfLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

namespace {

struct RawAttribute {
  std::string name;
  std::string value;
  std::size_t valueBegin = 0, valueEnd = 0;
};

class Parser {
public:
  explicit Parser(std::string text) : text_(std::move(text)) {}

  Element Document() {
    CheckCharacters();
    if (Starts("\xEF\xBB\xBF"))
      pos_ += 3;
    if (Starts("<?xml") && pos_ + 5 < text_.size() && IsSpace(text_[pos_ + 5]))
      Declaration();
    Misc();
    if (!Starts("<"))
      Fail(AtEnd() ? "no root element" : "text before the root element");
    if (Starts("<!DOCTYPE"))
      Fail("a document type declaration is not accepted in a manifest");
    Element root = ParseElement(1);
    Misc();
    if (!AtEnd())
      Fail("content after the root element");
    return root;
  }

private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw FormatError("line " + std::to_string(line_) + ": " + message);
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  bool Starts(const char* s) const {
    return text_.compare(pos_, std::char_traits<char>::length(s), s) == 0;
  }
  char Next() {
    const char c = text_[pos_++];
    if (c == '\n')
      ++line_;
    return c;
  }
  void Skip(std::size_t count) {
    while (count-- > 0 && !AtEnd())
      Next();
  }
  bool SkipSpace() {
    const std::size_t start = pos_;
    while (!AtEnd() && IsSpace(text_[pos_]))
      Next();
    return pos_ != start;
  }
  void Expect(const char* s, const char* what) {
    if (!Starts(s))
      Fail(AtEnd() ? std::string("the document ends inside ") + what
                   : std::string("expected '") + s + "' in " + what);
    Skip(std::char_traits<char>::length(s));
  }
  /// Skips to after the end marker, which must come.
  std::string Until(const char* end, const char* what) {
    const std::size_t found = text_.find(end, pos_);
    if (found == std::string::npos)
      Fail(std::string("the document ends inside ") + what);
    std::string content = text_.substr(pos_, found - pos_);
    Skip(found - pos_ + std::char_traits<char>::length(end));
    return content;
  }

  // UTF-8 well-formed and only characters XML allows, checked once before the parse.
  void CheckCharacters() {
    int line = 1;
    for (std::size_t i = 0; i < text_.size();) {
      const auto c = static_cast<unsigned char>(text_[i]);
      std::uint32_t code = c;
      std::size_t length = 1;
      if (c >= 0x80) {
        length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (length == 0 || c >= 0xF5 || i + length > text_.size())
          length = 0;
        code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; k < length; ++k) {
          const auto cont = static_cast<unsigned char>(text_[i + k]);
          if ((cont & 0xC0) != 0x80)
            length = 0;
          code = (code << 6) | (cont & 0x3F);
        }
        const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (length == 0 || code < least || (code >= 0xD800 && code <= 0xDFFF))
          throw FormatError("line " + std::to_string(line) + ": bytes that are not UTF-8");
      }
      if (!IsXmlChar(code))
        throw FormatError("line " + std::to_string(line) + ": character " + Hex(code) +
                          " is not allowed in XML");
      if (c == '\n')
        ++line;
      i += length;
    }
  }

  void Declaration() {
    Skip(5);
    std::vector<RawAttribute> pseudo;
    while (SkipSpace() && !Starts("?>"))
      pseudo.push_back(ParseAttribute());
    Expect("?>", "the XML declaration");
    if (pseudo.empty() || pseudo[0].name != "version")
      Fail("the XML declaration must begin with its version");
    for (const RawAttribute& a : pseudo)
      if (a.name != "version" && a.name != "encoding" && a.name != "standalone")
        Fail("'" + a.name + "' does not belong in the XML declaration");
  }

  void Misc() {
    for (;;) {
      SkipSpace();
      if (Starts("<!--"))
        Comment();
      else if (Starts("<?"))
        Instruction();
      else
        return;
    }
  }

  void Comment() {
    Skip(4);
    const std::string body = Until("-->", "a comment");
    if (body.find("--") != std::string::npos || (!body.empty() && body.back() == '-'))
      Fail("'--' inside a comment");
  }

  void Instruction() {
    Skip(2);
    const std::string target = Name("a processing instruction");
    if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
        (target[2] | 0x20) == 'l')
      Fail("an XML declaration is allowed only at the very start");
    Until("?>", "a processing instruction");
  }

  std::string Name(const char* what) {
    if (AtEnd() || !IsNameStart(static_cast<unsigned char>(text_[pos_])))
      Fail(std::string("a name is missing in ") + what);
    const std::size_t start = pos_;
    while (!AtEnd() && IsNameChar(static_cast<unsigned char>(text_[pos_])))
      Next();
    return text_.substr(start, pos_ - start);
  }

  void Reference(std::string& out) {
    Skip(1);
    const std::size_t end = text_.find(';', pos_);
    if (end == std::string::npos || end - pos_ > 12)
      Fail("'&' that begins no reference; write &amp;");
    const std::string name = text_.substr(pos_, end - pos_);
    Skip(end - pos_ + 1);
    static const std::pair<const char*, char> kPredefined[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& [entity, c] : kPredefined)
      if (name == entity) {
        out += c;
        return;
      }
    if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string digits = name.substr(hex ? 2 : 1);
      std::uint32_t code = 0;
      bool ok = !digits.empty();
      for (char d : digits) {
        int v = d >= '0' && d <= '9'          ? d - '0'
                : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                              : -1;
        if (v < 0 || code > 0x10FFFF) {
          ok = false;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      }
      if (!ok || !IsXmlChar(code))
        Fail("&" + name + "; is not a character XML allows");
      unicode::AppendUtf8(out, code);
      return;
    }
    Fail("unknown entity &" + name + ";");
  }

  RawAttribute ParseAttribute() {
    RawAttribute a;
    a.name = Name("an attribute");
    SkipSpace();
    Expect("=", "an attribute");
    SkipSpace();
    if (AtEnd() || (text_[pos_] != '"' && text_[pos_] != '\''))
      Fail("the value of '" + a.name + "' is not quoted");
    const char quote = Next();
    a.valueBegin = pos_;
    for (;;) {
      if (AtEnd())
        Fail("the document ends inside the value of '" + a.name + "'");
      const char c = text_[pos_];
      if (c == quote) {
        a.valueEnd = pos_;
        Next();
        return a;
      }
      if (c == '<')
        Fail("'<' inside the value of '" + a.name + "'");
      if (c == '&') {
        Reference(a.value);
        continue;
      }
      a.value += IsSpace(c) ? ' ' : c;
      Next();
    }
  }

  std::string Resolve(const std::string& prefix, bool forElement) const {
    if (prefix.empty() && !forElement)
      return std::string();
    if (prefix == "xml")
      return kXmlNamespace;
    const auto bound = bindings_.find(prefix);
    if (bound != bindings_.end() && !bound->second.empty())
      return scope_[bound->second.back()].second;
    if (!prefix.empty())
      Fail("prefix '" + prefix + "' is not declared");
    return std::string();
  }

  static std::pair<std::string, std::string> Split(const std::string& name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos)
      return {std::string(), name};
    return {name.substr(0, colon), name.substr(colon + 1)};
  }

  void CheckQualified(const std::string& name) const {
    const std::size_t colon = name.find(':');
    if (colon != std::string::npos &&
        (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string::npos))
      Fail("'" + name + "' is not a valid qualified name");
  }

  Element ParseElement(int depth) {
    if (depth > kMaxDepth)
      Fail("elements nested deeper than " + std::to_string(kMaxDepth));
    Element element;
    element.line = line_;
    element.begin = pos_;
    Skip(1);
    const std::string name = Name("a start tag");
    element.nameEnd = pos_;
    element.qualifiedName = name;
    CheckQualified(name);
    std::vector<RawAttribute> raw;
    // Sets, not a look back over the list: a start tag may hold any number of attributes.
    std::unordered_set<std::string> rawNames;
    for (;;) {
      const bool space = SkipSpace();
      if (Starts("/>") || Starts(">"))
        break;
      if (AtEnd())
        Fail("the document ends inside the start tag of '" + name + "'");
      if (!space)
        Fail("attributes of '" + name + "' must be separated by white space");
      raw.push_back(ParseAttribute());
      CheckQualified(raw.back().name);
      if (!rawNames.insert(raw.back().name).second)
        Fail("attribute '" + raw.back().name + "' appears twice in '" + name + "'");
    }

    const std::size_t scopeSize = scope_.size();
    for (const RawAttribute& a : raw) {
      if (a.name == "xmlns") {
        Bind(std::string(), a.value);
      } else if (a.name.compare(0, 6, "xmlns:") == 0) {
        const std::string prefix = a.name.substr(6);
        if (a.value.empty())
          Fail("prefix '" + prefix + "' is bound to no namespace");
        if (prefix == "xmlns" || prefix == "xml")
          Fail("prefix '" + prefix + "' cannot be declared");
        Bind(prefix, a.value);
      }
    }
    const auto [prefix, local] = Split(name);
    element.ns = Resolve(prefix, true);
    element.local = local;
    std::set<std::pair<std::string, std::string>> resolvedNames;
    for (const RawAttribute& a : raw) {
      if (a.name == "xmlns" || a.name.compare(0, 6, "xmlns:") == 0)
        continue;
      const auto [attributePrefix, attributeLocal] = Split(a.name);
      Attribute resolved{Resolve(attributePrefix, false), attributeLocal, a.value, a.valueBegin,
                         a.valueEnd};
      if (!resolvedNames.emplace(resolved.ns, resolved.local).second)
        Fail("attribute '" + attributeLocal + "' appears twice in '" + name + "'");
      element.attributes.push_back(std::move(resolved));
    }

    element.defaultInside = Resolve(std::string(), true);
    if (Starts("/>")) {
      Skip(2);
      element.contentBegin = element.contentEnd = pos_;
    } else {
      Skip(1);
      element.contentBegin = pos_;
      Content(element, name, depth);
    }
    element.end = pos_;
    Unbind(scopeSize);
    return element;
  }

  void Content(Element& element, const std::string& name, int depth) {
    for (;;) {
      if (AtEnd())
        Fail("'" + name + "' is not closed");
      if (Starts("</")) {
        element.contentEnd = pos_;
        Skip(2);
        const std::string closing = Name("an end tag");
        if (closing != name)
          Fail("'</" + closing + ">' closes '" + name + "'");
        SkipSpace();
        Expect(">", "an end tag");
        return;
      }
      if (Starts("<!--")) {
        Comment();
      } else if (Starts("<![CDATA[")) {
        Skip(9);
        element.text += Until("]]>", "a CDATA section");
      } else if (Starts("<?")) {
        Instruction();
      } else if (Starts("<!")) {
        Fail("a declaration inside '" + name + "'");
      } else if (Starts("<")) {
        element.children.push_back(ParseElement(depth + 1));
      } else if (Starts("&")) {
        Reference(element.text);
      } else {
        if (Starts("]]>"))
          Fail("']]>' in text");
        element.text += Next();
      }
    }
  }

  void Bind(const std::string& prefix, const std::string& uri) {
    bindings_[prefix].push_back(scope_.size());
    scope_.emplace_back(prefix, uri);
  }
  void Unbind(std::size_t size) {
    while (scope_.size() > size) {
      bindings_[scope_.back().first].pop_back();
      scope_.pop_back();
    }
  }

  std::string text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  /// Every binding in force, in the order made; bindings_ holds each prefix's, innermost
  /// last, so that a lookup does not walk them all.
  std::vector<std::pair<std::string, std::string>> scope_;
  std::unordered_map<std::string, std::vector<std::size_t>> bindings_;
};

} // namespace

const Attribute* Element::Find(const std::string& localName, const std::string& nsName) const {
  for (const Attribute& a : attributes)
    if (a.local == localName && a.ns == nsName)
      return &a;
  return nullptr;
}

std::string Element::Value(const std::string& localName) const {
  const Attribute* a = Find(localName);
  return a ? a->value : std::string();
}

Element Parse(const std::string& text) { return Parser(WithLfLineEnds(text)).Document(); }

} // namespace readers::xml
