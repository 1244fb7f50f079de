// Element operations through the QXXML table: names and attributes at the
// text-return boundaries, editing, and DOM errors ending as QX_ERR_XML.
#include "xml_fixture.h"

#include <cstring>

TEST_F(XmlTest, GetName_LargerAndEqualBuffersCopy_OneLessIsRefusedUntouched) {
  QXXML* document = newDocument("element");
  char buffer[16];
  size_t needed = 0;
  EXPECT_EQ(document->getName(document->owner, buffer, sizeof buffer, &needed), QX_OK);
  EXPECT_STREQ(buffer, "element");
  EXPECT_EQ(needed, 8u);
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(document->getName(document->owner, buffer, 8, &needed), QX_OK);
  EXPECT_STREQ(buffer, "element");
  EXPECT_EQ(buffer[8], 'x');
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(document->getName(document->owner, buffer, 7, &needed), QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, 8u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'));
}

TEST_F(XmlTest, GetAttribute_AtExactSizes_AndAbsentAttributeIsEmpty) {
  QXXML* document = newDocument("e");
  ASSERT_EQ(document->addAttribute(document->owner, "key", "value"), QX_OK);
  char buffer[8];
  size_t needed = 0;
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(document->getAttribute(document->owner, "key", buffer, 5, &needed),
            QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, 6u);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(document->getAttribute(document->owner, "key", buffer, 6, &needed), QX_OK);
  EXPECT_STREQ(buffer, "value");

  EXPECT_EQ(document->getAttribute(document->owner, "absent", buffer, sizeof buffer, &needed), QX_OK);
  EXPECT_EQ(needed, 1u);
  EXPECT_EQ(buffer[0], '\0');
  int result = 7;
  EXPECT_EQ(document->hasAttribute(document->owner, "absent", &result), QX_OK);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(document->hasAttribute(document->owner, "key", &result), QX_OK);
  EXPECT_EQ(result, 1);
}

TEST_F(XmlTest, AddAttributeTwice_KeepsTheSecondValue_RemoveDropsIt) {
  QXXML* document = newDocument("e");
  ASSERT_EQ(document->addAttribute(document->owner, "k", "first"), QX_OK);
  ASSERT_EQ(document->addAttribute(document->owner, "k", "second"), QX_OK);
  EXPECT_EQ(attributeOf(document, "k"), "second");
  EXPECT_EQ(document->removeAttribute(document->owner, "k"), QX_OK);
  EXPECT_EQ(document->removeAttribute(document->owner, "k"), QX_OK);
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<e/>");
}

TEST_F(XmlTest, AddElementAndText_BuildTheExpectedTree) {
  QXXML* document = newDocument("root");
  QXXML* child = addElement(document, "child");
  ASSERT_EQ(child->addAttribute(child->owner, "a", "x<&\"y"), QX_OK);
  ASSERT_EQ(child->addText(child->owner, "one"), QX_OK);
  ASSERT_EQ(child->addText(child->owner, ""), QX_OK);
  ASSERT_EQ(child->addText(child->owner, " & two"), QX_OK);
  QXXML* grandchild = addElement(child, "leaf");
  EXPECT_EQ(nameOf(grandchild), "leaf");
  EXPECT_EQ(serialise(document), std::string(kDeclaration) +
                                     "<root><child a=\"x&lt;&amp;&quot;y\">one &amp; two<leaf/></child></root>");
}

TEST_F(XmlTest, InvalidNames_AnswerXmlErrorAndChangeNothing) {
  QXXML* document = newDocument("root");
  QXXML* child = reinterpret_cast<QXXML*>(0x1);
  EXPECT_EQ(document->addElement(document->owner, "no spaces", &child), QX_ERR_XML);
  EXPECT_EQ(child, reinterpret_cast<QXXML*>(0x1));
  EXPECT_EQ(document->addAttribute(document->owner, "<bad>", "v"), QX_ERR_XML);
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<root/>");
}

TEST_F(XmlTest, BytesThatAreNotUtf8_AnswerXmlError) {
  QXXML* document = newDocument("root");
  EXPECT_EQ(document->addText(document->owner, "cut \xE2\x82"), QX_ERR_XML);
  EXPECT_EQ(document->addAttribute(document->owner, "k", "\xFF\xFE"), QX_ERR_XML);
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<root/>");
}
