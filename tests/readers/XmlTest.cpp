// The XML reader: what a well-formed manifest gives, and the message for each way a
// document is not well-formed.
#include "support/TestSupport.h"

#include "readers/Xml.h"

namespace {

std::string Outline(const readers::xml::Element& e) {
  std::string text = "{" + e.ns + "}" + e.local;
  for (const auto& a : e.attributes)
    text += " {" + a.ns + "}" + a.local + "=[" + a.value + "]";
  if (!e.text.empty())
    text += " text=[" + e.text + "]";
  for (const auto& child : e.children)
    text += " (" + Outline(child) + ")";
  return text;
}

std::string ParseError(const std::string& document) {
  try {
    readers::xml::Parse(document);
  } catch (const readers::FormatError& error) {
    return error.what();
  }
  return "(well-formed)";
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i)
    all += text;
  return all;
}

} // namespace

TEST(XmlTest, ResolvesNamespacesReferencesAndText) {
  struct Row {
    const char* document;
    const char* outline;
  };
  const Row rows[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a xmlns=\"urn:x\" k='v'/>",
       "{urn:x}a {}k=[v]"},
      {"\xEF\xBB\xBF<p:a xmlns:p=\"urn:p\" p:k=\"1\"><b/><p:c xmlns=\"urn:d\"><e/></p:c></p:a>",
       "{urn:p}a {urn:p}k=[1] ({}b) ({urn:p}c ({urn:d}e))"},
      {"<a>x &amp; &lt;y&gt; &quot;&apos; &#65;&#x42;&#xe9;</a>",
       "{}a text=[x & <y> \"' AB\xC3\xA9]"},
      {"<a k=\"1\r\n2\t3 &#10;\"/>", "{}a {}k=[1 2 3 \n]"},
      {"<a>one\r\ntwo\rthree<![CDATA[<&>]]><!-- c --><?pi x?></a>",
       "{}a text=[one\ntwo\nthree<&>]"},
      {"<!-- before --><?pi?>\n<a xml:lang=\"en\"/>\n<!-- after -->",
       "{}a {http://www.w3.org/XML/1998/namespace}lang=[en]"},
      {"<a xmlns='urn:x'><b xmlns=''/></a>", "{urn:x}a ({}b)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.document);
    EXPECT_EQ(Outline(readers::xml::Parse(row.document)), row.outline);
  }
}

TEST(XmlTest, RefusesWhatIsNotWellFormed) {
  struct Row {
    std::string document;
    const char* message;
  };
  const Row rows[] = {
      {"", "line 1: no root element"},
      {"text", "line 1: text before the root element"},
      {"<a>", "line 1: 'a' is not closed"},
      {"<a>\n</b>", "line 2: '</b>' closes 'a'"},
      {"<a/><b/>", "line 1: content after the root element"},
      {"<a k=v/>", "line 1: the value of 'k' is not quoted"},
      {"<a k='1' k='2'/>", "line 1: attribute 'k' appears twice in 'a'"},
      {"<a xmlns:p='u' xmlns:q='u' p:k='1' q:k='2'/>",
       "line 1: attribute 'k' appears twice in 'a'"},
      {"<a k='1'j='2'/>", "line 1: attributes of 'a' must be separated by white space"},
      {"<a k='<'/>", "line 1: '<' inside the value of 'k'"},
      {"<p:a/>", "line 1: prefix 'p' is not declared"},
      {"<a p:k='1'/>", "line 1: prefix 'p' is not declared"},
      {"<a xmlns:p=''/>", "line 1: prefix 'p' is bound to no namespace"},
      {"<a:/>", "line 1: 'a:' is not a valid qualified name"},
      {"<a>&nbsp;</a>", "line 1: unknown entity &nbsp;"},
      {"<a>&#0;</a>", "line 1: &#0; is not a character XML allows"},
      {"<a>&#x110000;</a>", "line 1: &#x110000; is not a character XML allows"},
      {"<a>AT&T</a>", "line 1: '&' that begins no reference; write &amp;"},
      {"<a>]]></a>", "line 1: ']]>' in text"},
      {"<a><!-- a -- b --></a>", "line 1: '--' inside a comment"},
      {"<a><!-- open</a>", "line 1: the document ends inside a comment"},
      {"<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",
       "line 1: a document type declaration is not accepted in a manifest"},
      {"\n<?xml version='1.0'?><a/>",
       "line 2: an XML declaration is allowed only at the very start"},
      {"<?xml encoding='UTF-8'?><a/>", "line 1: the XML declaration must begin with its version"},
      {"<a>\xC3</a>", "line 1: bytes that are not UTF-8"},
      {"<a>\xC0\x80</a>", "line 1: bytes that are not UTF-8"},
      {"<a>\xED\xA0\x80</a>", "line 1: bytes that are not UTF-8"},
      {"<a>\n\x01</a>", "line 2: character 0x1 is not allowed in XML"},
      {std::string("<a>\0</a>", 8), "line 1: character 0x0 is not allowed in XML"},
      {Repeat("<a>", 201), "line 1: elements nested deeper than 200"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.document);
    EXPECT_EQ(ParseError(row.document), row.message);
  }
}

// Duplicates among many attributes, before and after namespaces are resolved, and prefixes
// bound again inside an element and restored after it.
TEST(XmlTest, FindsDuplicatesAmongManyAttributesAndScopedPrefixes) {
  std::string plain;
  std::string prefixed;
  for (int i = 0; i < 20000; ++i) {
    plain += " k" + std::to_string(i) + "='v'";
    prefixed += " xmlns:p" + std::to_string(i) + "='u" + std::to_string(i) + "' p" +
                std::to_string(i) + ":k='v'";
  }
  struct Row {
    std::string document;
    const char* outcome;
  };
  const Row rows[] = {
      {"<a" + plain + "/>", "(well-formed)"},
      {"<a" + plain + " k0='again'/>", "line 1: attribute 'k0' appears twice in 'a'"},
      {"<a" + plain + " k19999='again'/>", "line 1: attribute 'k19999' appears twice in 'a'"},
      {"<a" + prefixed + " xmlns:q='u0' q:k='again'/>",
       "line 1: attribute 'k' appears twice in 'a'"},
      {"<a" + prefixed + " p7:k='again'/>", "line 1: attribute 'p7:k' appears twice in 'a'"},
      {"<a><b k='1'/><b k='1'/></a>", "(well-formed)"},
      {"<a xmlns:p='u1'><b xmlns:p='u2' xmlns:q='u1' p:k='1' q:k='2'/></a>", "(well-formed)"},
      {"<a xmlns:p='u1'><b xmlns:p='u2'/><c xmlns:q='u1' p:k='1' q:k='2'/></a>",
       "line 1: attribute 'k' appears twice in 'c'"},
      {"<a><b xmlns:p='u'/><p:c/></a>", "line 1: prefix 'p' is not declared"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.document.substr(0, 80));
    EXPECT_EQ(ParseError(row.document), row.outcome);
  }
  EXPECT_EQ(Outline(readers::xml::Parse("<a xmlns='d' xmlns:p='u1'><p:b xmlns:p='u2'/><p:c/>"
                                        "<e xmlns=''/><f/></a>")),
            "{d}a ({u2}b) ({u1}c) ({}e) ({d}f)");
}
