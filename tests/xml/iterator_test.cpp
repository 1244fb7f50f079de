// Element and text iterators: what they visit, in which order, deleteItem and
// the rule that nodes added after the iterator was made are never visited.
#include "xml_fixture.h"

using Names = std::vector<std::string>;

namespace {
int hasMore(QXXMLIterator* iterator) {
  int result = -1;
  EXPECT_EQ(iterator->hasMoreItems(iterator->owner, &result), QX_OK);
  return result;
}
QXXML* nextElement(QXXMLIterator* iterator) {
  void* item = nullptr;
  EXPECT_EQ(iterator->nextItem(iterator->owner, &item), QX_OK);
  return static_cast<QXXML*>(item);
}
} // namespace

TEST_F(XmlTest, MixedContent_ElementsAndTextsAreWalkedSeparately) {
  QXXML* document = parse("<m>one<a/>two<b/><!--c--><![CDATA[cd]]><?pi x?></m>");
  QXXMLIterator* children = elements(document, "");
  EXPECT_EQ(hasMore(children), 1);
  EXPECT_EQ(nameOf(nextElement(children)), "a");
  EXPECT_EQ(hasMore(children), 1);
  EXPECT_EQ(nameOf(nextElement(children)), "b");
  EXPECT_EQ(hasMore(children), 0);

  QXXMLIterator* words = texts(document);
  EXPECT_EQ(hasMore(words), 1);
  EXPECT_EQ(drainTexts(words), (Names{"one", "two"}));
  EXPECT_EQ(hasMore(words), 0);
  EXPECT_EQ(children->close(children->owner), QX_OK);
}

TEST_F(XmlTest, NamedIterator_FindsDescendantsAtAnyDepthInDocumentOrder) {
  QXXML* document = parse("<r><x id='1'><x id='2'/></x><y><x id='3'/></y><x id='4'/></r>");
  QXXMLIterator* found = elements(document, "x");
  std::vector<std::string> ids;
  void* item = nullptr;
  while (found->nextItem(found->owner, &item) == QX_OK) ids.push_back(attributeOf(static_cast<QXXML*>(item), "id"));
  EXPECT_EQ(ids, (Names{"1", "2", "3", "4"}));
  EXPECT_EQ(drainNames(elements(document, "*")), (Names{"x", "x", "y", "x", "x"}));
  EXPECT_TRUE(drainNames(elements(document, "r")).empty()); // the element itself is not included
}

TEST_F(XmlTest, NextItemAtTheEnd_AnswersNoDataAndLeavesTheItemAlone) {
  QXXML* document = parse("<r><only/></r>");
  QXXMLIterator* iterator = elements(document, "");
  nextElement(iterator);
  void* item = reinterpret_cast<void*>(0x5);
  EXPECT_EQ(iterator->nextItem(iterator->owner, &item), QX_ERR_NO_DATA);
  EXPECT_EQ(item, reinterpret_cast<void*>(0x5));
  EXPECT_EQ(iterator->nextItem(iterator->owner, &item), QX_ERR_NO_DATA);
  EXPECT_EQ(item, reinterpret_cast<void*>(0x5));
}

TEST_F(XmlTest, NodesAddedAfterTheIteratorWasMade_AreNeverVisited) {
  QXXML* document = parse("<r><a/></r>");
  QXXMLIterator* before = elements(document, "");
  QXXMLIterator* beforeNamed = elements(document, "n");
  addElement(document, "n");
  ASSERT_EQ(document->addText(document->owner, "late"), QX_OK);
  EXPECT_EQ(drainNames(before), (Names{"a"}));
  EXPECT_TRUE(drainNames(beforeNamed).empty());
  EXPECT_EQ(drainNames(elements(document, "")), (Names{"a", "n"})); // the new element comes last
  EXPECT_EQ(drainTexts(texts(document)), (Names{"late"}));
}

TEST_F(XmlTest, DeleteItem_RemovesTheReturnedChild_SecondDeleteAtOnceIsRefused) {
  QXXML* document = parse("<r><a/><b/><c/></r>");
  QXXMLIterator* iterator = elements(document, "");
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_ERR_XML); // nothing returned yet
  QXXML* first = nextElement(iterator);
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_OK);
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_ERR_XML);
  EXPECT_EQ(nameOf(nextElement(iterator)), "b");
  EXPECT_EQ(nameOf(first), "a"); // the detached element stays usable
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<r><b/><c/></r>");
}

TEST_F(XmlTest, SecondDeleteItem_RemovesTheNodeBeforeTheFirst_WhateverItsType) {
  QXXML* document = parse("<r>lead<a/><b/></r>");
  QXXMLIterator* iterator = elements(document, "");
  EXPECT_EQ(nameOf(nextElement(iterator)), "a");
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_OK);
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_OK); // the text before it
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_ERR_XML);
  EXPECT_EQ(drainNames(iterator), (Names{"b"}));
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<r><b/></r>");
}

TEST_F(XmlTest, DeletingEveryChild_KeepsPositionAndCountInStep) {
  QXXML* document = parse("<r><a/>t<b/>u<c/></r>");
  QXXMLIterator* iterator = elements(document, "");
  int deleted = 0;
  void* item = nullptr;
  while (iterator->nextItem(iterator->owner, &item) == QX_OK) {
    ASSERT_EQ(iterator->deleteItem(iterator->owner), QX_OK);
    ++deleted;
  }
  EXPECT_EQ(deleted, 3);
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<r>tu</r>");
}

TEST_F(XmlTest, DeleteThroughOneIterator_IsSeenByAnotherOnTheSameElement) {
  QXXML* document = parse("<r><a/><b/><c/><d/></r>");
  QXXMLIterator* slow = elements(document, "");
  EXPECT_EQ(nameOf(nextElement(slow)), "a");
  EXPECT_EQ(nameOf(nextElement(slow)), "b");
  QXXMLIterator* fast = elements(document, "");
  nextElement(fast);
  ASSERT_EQ(fast->deleteItem(fast->owner), QX_OK); // "a" goes: every index shifts down by one
  // `slow` stands at index 2, which now holds "d".
  EXPECT_EQ(drainNames(slow), (Names{"d"}));
}

TEST_F(XmlTest, DeleteOfADeeperDescendant_AnswersXmlErrorAndKeepsTheTree) {
  QXXML* document = parse("<r><g><x/></g></r>");
  QXXMLIterator* iterator = elements(document, "x");
  nextElement(iterator);
  EXPECT_EQ(iterator->deleteItem(iterator->owner), QX_ERR_XML);
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<r><g><x/></g></r>");
}

TEST_F(XmlTest, EmptyTextNode_IsYieldedAsEmptyString) {
  QXXML* document = newDocument("r");
  ASSERT_EQ(document->addText(document->owner, ""), QX_OK);
  ASSERT_EQ(document->addText(document->owner, "x"), QX_OK);
  EXPECT_EQ(drainTexts(texts(document)), (Names{"", "x"}));
}

TEST_F(XmlTest, TextIterator_VisitsOnlyDirectTextChildren) {
  QXXML* document = parse("<r>top<a>inner</a>tail</r>");
  EXPECT_EQ(drainTexts(texts(document)), (Names{"top", "tail"}));
}

TEST_F(XmlTest, LongChildListWalk_VisitsEveryChildInOrder) {
  std::string text = "<r>";
  for (int i = 0; i < 20000; ++i) text += "<e i='" + std::to_string(i) + "'/>";
  text += "</r>";
  QXXML* document = parse(text.c_str());
  QXXMLIterator* iterator = elements(document, "");
  int expected = 0;
  void* item = nullptr;
  while (iterator->nextItem(iterator->owner, &item) == QX_OK) {
    ASSERT_EQ(attributeOf(static_cast<QXXML*>(item), "i"), std::to_string(expected));
    ++expected;
  }
  EXPECT_EQ(expected, 20000);
}
