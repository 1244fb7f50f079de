// Element and text iterators: what they visit, in which order, deleteItem and
// the rule that nodes added after the iterator was made are never visited.
#include "xml_fixture.h"

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
QXStatus deleteItem(QXXMLIterator* iterator) { return iterator->deleteItem(iterator->owner); }
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
  EXPECT_EQ(drainNames(elements(document, "x"), "id"), (Names{"1", "2", "3", "4"}));
  EXPECT_EQ(drainNames(elements(document, "*")), (Names{"x", "x", "y", "x", "x"}));
  EXPECT_TRUE(drainNames(elements(document, "r")).empty()); // the element itself is not included
}

TEST_F(XmlTest, TextIterator_VisitsDirectTextChildrenOnly_EmptyOnesToo) {
  QXXML* document = parse("<r>top<a>inner</a>tail</r>");
  ASSERT_EQ(document->addText(document->owner, ""), QX_OK);
  EXPECT_EQ(drainTexts(texts(document)), (Names{"top", "tail", ""}));
}

TEST_F(XmlTest, NextItemAtTheEnd_AnswersNoDataAndLeavesTheItemAlone) {
  QXXMLIterator* iterator = elements(parse("<r><only/></r>"), "");
  nextElement(iterator);
  void* item = reinterpret_cast<void*>(0x5);
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_EQ(iterator->nextItem(iterator->owner, &item), QX_ERR_NO_DATA);
    EXPECT_EQ(item, reinterpret_cast<void*>(0x5));
  }
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
  EXPECT_EQ(deleteItem(iterator), QX_ERR_XML); // nothing returned yet
  QXXML* first = nextElement(iterator);
  EXPECT_EQ(deleteItem(iterator), QX_OK);
  EXPECT_EQ(deleteItem(iterator), QX_ERR_XML);
  EXPECT_EQ(nameOf(nextElement(iterator)), "b");
  EXPECT_EQ(nameOf(first), "a"); // the detached element stays usable
  EXPECT_EQ(serialise(document), declared("<r><b/><c/></r>"));
}

TEST_F(XmlTest, SecondDeleteItem_RemovesTheNodeBeforeTheFirst_WhateverItsType) {
  QXXML* document = parse("<r>lead<a/><b/></r>");
  QXXMLIterator* iterator = elements(document, "");
  EXPECT_EQ(nameOf(nextElement(iterator)), "a");
  EXPECT_EQ(deleteItem(iterator), QX_OK);
  EXPECT_EQ(deleteItem(iterator), QX_OK); // the text before it
  EXPECT_EQ(deleteItem(iterator), QX_ERR_XML);
  EXPECT_EQ(drainNames(iterator), (Names{"b"}));
  EXPECT_EQ(serialise(document), declared("<r><b/></r>"));
}

TEST_F(XmlTest, DeletingEveryChild_KeepsPositionAndCountInStep) {
  QXXML* document = parse("<r><a/>t<b/>u<c/></r>");
  QXXMLIterator* iterator = elements(document, "");
  int deleted = 0;
  for (void* item = nullptr; iterator->nextItem(iterator->owner, &item) == QX_OK; ++deleted)
    ASSERT_EQ(deleteItem(iterator), QX_OK);
  EXPECT_EQ(deleted, 3);
  EXPECT_EQ(serialise(document), declared("<r>tu</r>"));
}

TEST_F(XmlTest, DeleteThroughOneIterator_IsSeenByAnotherOnTheSameElement) {
  QXXML* document = parse("<r><a/><b/><c/><d/></r>");
  QXXMLIterator* slow = elements(document, "");
  EXPECT_EQ(nameOf(nextElement(slow)), "a");
  EXPECT_EQ(nameOf(nextElement(slow)), "b");
  QXXMLIterator* fast = elements(document, "");
  nextElement(fast);
  ASSERT_EQ(deleteItem(fast), QX_OK); // "a" goes: every index shifts down by one
  EXPECT_EQ(drainNames(slow), (Names{"d"})); // `slow` stands at index 2, which now holds "d"
}

TEST_F(XmlTest, DeleteOfADeeperDescendant_AnswersXmlErrorAndKeepsTheTree) {
  QXXML* document = parse("<r><g><x/></g></r>");
  QXXMLIterator* iterator = elements(document, "x");
  nextElement(iterator);
  EXPECT_EQ(deleteItem(iterator), QX_ERR_XML);
  EXPECT_EQ(serialise(document), declared("<r><g><x/></g></r>"));
}

TEST_F(XmlTest, LongChildListWalk_VisitsEveryChildInOrder) {
  std::string text = "<r>";
  Names expected;
  for (int i = 0; i < 20000; ++i) {
    expected.push_back(std::to_string(i));
    text += "<e i='" + expected.back() + "'/>";
  }
  EXPECT_EQ(drainNames(elements(parse((text + "</r>").c_str()), ""), "i"), expected);
}
