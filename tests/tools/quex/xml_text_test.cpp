// The XML texts quex prints: escaping and indentation.
#include "xml_text.h"

#include <gtest/gtest.h>

namespace {

using quex::tool::escapeXml;
using quex::tool::indentXml;

TEST(XmlText, EscapesTheFiveSpecialCharacters) {
  EXPECT_EQ(escapeXml("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(escapeXml("plain é"), "plain é");
}

TEST(XmlText, IndentsNestedElementsAndKeepsTextElementsOnOneLine) {
  EXPECT_EQ(indentXml("<?xml version=\"1.0\"?><A x=\"1\"><B><C/></B><D>text</D></A>"),
            "<?xml version=\"1.0\"?>\n"
            "<A x=\"1\">\n"
            "  <B>\n"
            "    <C/>\n"
            "  </B>\n"
            "  <D>text</D>\n"
            "</A>\n");
}

TEST(XmlText, IgnoresMarkupCharactersInsideValuesCommentsAndCdata) {
  EXPECT_EQ(indentXml("<A v=\"a>b/\"><!-- <x> --><B><![CDATA[<y>]]></B></A>"),
            "<A v=\"a>b/\">\n"
            "  <!-- <x> -->\n"
            "  <B><![CDATA[<y>]]></B>\n"
            "</A>\n");
}

TEST(XmlText, DropsBlankTextBetweenTagsAndPassesBrokenMarkupThrough) {
  EXPECT_EQ(indentXml("<A>\n   <B/>\n</A>"), "<A>\n  <B/>\n</A>\n");
  EXPECT_EQ(indentXml("<A><B"), "<A><B");
  EXPECT_EQ(indentXml("</A></B>"), "</A>\n</B>\n");
}

} // namespace

// A deep nesting prints in time and size linear in the document: indentation
// stops growing at kMaxIndentLevels.
TEST(IndentXml, DeepNestingPrintsLinearly) {
  const size_t depth = 5000;
  std::string document;
  for (size_t i = 0; i < depth; ++i) document += "<a>";
  for (size_t i = 0; i < depth; ++i) document += "</a>";
  const std::string printed = indentXml(document);
  EXPECT_LT(printed.size(), 2 * depth * (2 * quex::tool::kMaxIndentLevels + 5));
  const std::string deepest(2 * quex::tool::kMaxIndentLevels, ' ');
  EXPECT_NE(printed.find("\n" + deepest + "<a>\n" + deepest + "<a>\n"), std::string::npos);
  EXPECT_EQ(printed.rfind("<a>\n  <a>\n    <a>\n", 0), 0u); // shallow levels as before
}

