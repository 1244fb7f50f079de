// Editing through the QXXML table, and DOM errors ending as QX_ERR_XML.
#include "xml_fixture.h"

TEST_F(XmlTest, AddAttributeTwice_KeepsTheSecondValue_RemoveDropsIt) {
  QXXML* document = newDocument("e");
  ASSERT_EQ(document->addAttribute(document->owner, "k", "first"), QX_OK);
  ASSERT_EQ(document->addAttribute(document->owner, "k", "second"), QX_OK);
  EXPECT_EQ(attributeOf(document, "k"), "second");
  int has = 7;
  EXPECT_EQ(document->hasAttribute(document->owner, "k", &has), QX_OK);
  EXPECT_EQ(has, 1);
  EXPECT_EQ(document->removeAttribute(document->owner, "k"), QX_OK);
  EXPECT_EQ(document->removeAttribute(document->owner, "k"), QX_OK);
  EXPECT_EQ(document->hasAttribute(document->owner, "k", &has), QX_OK);
  EXPECT_EQ(has, 0);
  EXPECT_EQ(serialise(document), declared("<e/>"));
}

TEST_F(XmlTest, AddElementAndText_BuildTheExpectedTree) {
  QXXML* document = newDocument("root");
  QXXML* child = addElement(document, "child");
  ASSERT_EQ(child->addAttribute(child->owner, "a", "x<&\"y"), QX_OK);
  for (const char* text : {"one", "", " & two"}) ASSERT_EQ(child->addText(child->owner, text), QX_OK);
  EXPECT_EQ(nameOf(addElement(child, "leaf")), "leaf");
  EXPECT_EQ(serialise(document),
            declared("<root><child a=\"x&lt;&amp;&quot;y\">one &amp; two<leaf/></child></root>"));
}

TEST_F(XmlTest, InvalidNamesAndBytesThatAreNotUtf8_AnswerXmlErrorAndChangeNothing) {
  QXXML* document = newDocument("root");
  QXXML* child = reinterpret_cast<QXXML*>(0x1);
  EXPECT_EQ(document->addElement(document->owner, "no spaces", &child), QX_ERR_XML);
  EXPECT_EQ(child, reinterpret_cast<QXXML*>(0x1));
  EXPECT_EQ(document->addAttribute(document->owner, "<bad>", "v"), QX_ERR_XML);
  EXPECT_EQ(document->addText(document->owner, "cut \xE2\x82"), QX_ERR_XML);
  EXPECT_EQ(document->addAttribute(document->owner, "k", "\xFF\xFE"), QX_ERR_XML);
  EXPECT_EQ(serialise(document), declared("<root/>"));
}
