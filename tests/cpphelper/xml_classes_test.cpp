// XMLDocument, XMLElement and the two iterator classes over the service's
// tables, reached through a hand-assembled host table.
#include "fake_host.h"

#include <climits>
#include <memory>

using namespace ExtensionCppHelper;

TEST_F(HelperTest, GetName_FitsTheFirstBufferAt63Bytes_AndResizesOnceFor100) {
  const std::string name63(63, 'n');
  const std::string name100(100, 'm');
  XMLDocument document = XMLDocument::createNew(fake.host(), name63.c_str());
  std::string name;
  document.getName(name);
  EXPECT_EQ(name, name63);
  document.addElement(name100).getName(name);
  EXPECT_EQ(name, name100);
}

TEST_F(HelperTest, NumericAttributes_ParseLikeFormattedInput) {
  XMLDocument document = XMLDocument::createFromString(
      fake.host(),
      "<r half='3.5' padded='  12.25abc' empty='' letters='abc' negative='-42' big='99999999999999999999'/>");
  double real = -1;
  EXPECT_TRUE(document.getAttribute("half", real));
  EXPECT_EQ(real, 3.5);
  EXPECT_TRUE(document.getAttribute("padded", real));
  EXPECT_EQ(real, 12.25);
  real = -1;
  EXPECT_FALSE(document.getAttribute("empty", real));
  EXPECT_FALSE(document.getAttribute("letters", real));
  EXPECT_FALSE(document.getAttribute("absent", real));
  EXPECT_EQ(real, -1);
  int64_t whole = 7;
  EXPECT_TRUE(document.getAttribute("negative", whole));
  EXPECT_EQ(whole, -42);
  whole = 7;
  EXPECT_FALSE(document.getAttribute("letters", whole));
  EXPECT_FALSE(document.getAttribute("big", whole));
  EXPECT_EQ(whole, 7);
}

TEST_F(HelperTest, AddAttribute_WritesSixtyFourBitValuesInDecimal) {
  XMLDocument document = XMLDocument::createNew(fake.host(), "r");
  document.addAttribute("n", int64_t{-42});
  document.addAttribute("min", int64_t{LLONG_MIN});
  EXPECT_EQ(document.getAttribute("n"), "-42");
  EXPECT_EQ(document.getAttribute("min"), "-9223372036854775808");
  int64_t back = 0;
  EXPECT_TRUE(document.getAttribute("min", back));
  EXPECT_EQ(back, LLONG_MIN);
  document.removeAttribute("n");
  EXPECT_FALSE(document.hasAttribute("n"));
  EXPECT_EQ(document.getAttribute("n"), "");
}

TEST_F(HelperTest, GetElement_ByIndexAmongDescendants_AndItsThreeMessages) {
  XMLDocument document =
      XMLDocument::createFromString(fake.host(), "<r><x i='0'/><g><x i='1'/></g><x i='2'/></r>");
  EXPECT_EQ(document.getElement("x").getAttribute("i"), "0");
  EXPECT_EQ(document.getElement("x", 2).getAttribute("i"), "2");
  EXPECT_FALSE(document.getElement("x", -1).isValid());
  EXPECT_XML_EXCEPTION(document.getElement("x", 3), "Element at index '3' not found.");
  EXPECT_XML_EXCEPTION(document.getElement("y", 0), "No child elements with name 'y' found.");
  EXPECT_EQ(document.getElement("", 1).getAttribute("i"), "");  // the <g> child
  XMLElement invalid;
  EXPECT_XML_EXCEPTION(invalid.getElement("x", 0), "");
}

TEST_F(HelperTest, GetElementByAttribute_FirstExactMatchWins_OtherwiseTheMessage) {
  XMLDocument document = XMLDocument::createFromString(
      fake.host(), "<r><f n='a' k='1'/><g><f n='b' k='2'/></g><f k='2' n='c'/><f/></r>");
  EXPECT_EQ(document.getElementByAttribute("f", "k", "2").getAttribute("n"), "b");
  EXPECT_XML_EXCEPTION(document.getElementByAttribute("f", "k", "2 "),
                       "No element with name 'f' and attribute 'k' found");
  EXPECT_XML_EXCEPTION(document.getElementByAttribute("h", "k", "1"),
                       "No child elements with name 'h' found.");
}

TEST_F(HelperTest, Iterators_WalkEditAndEndWithoutThrowing) {
  XMLDocument document = XMLDocument::createFromString(fake.host(), "<r>a<x/>b<y/></r>");
  XMLElementIterator children = document.getElements("");
  std::vector<std::string> names;
  while (children.hasMore()) {
    std::string name;
    children.next().getName(name);
    names.push_back(name);
    if (name == "x") children.deleteCurrentItem();
  }
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y"}));
  EXPECT_FALSE(children.next().isValid());
  XMLTextIterator texts = document.getTextSections();
  EXPECT_STREQ(texts.next(), "a");
  EXPECT_STREQ(texts.next(), "b");
  EXPECT_EQ(texts.next(), nullptr);
  std::string text;
  document.doc2string(text);
  EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?><r>ab<y/></r>");
}

TEST_F(HelperTest, ClosedIterator_ThrowsOnEveryUse_CopiesShareTheWalk) {
  XMLDocument document = XMLDocument::createFromString(fake.host(), "<r><a/><b/></r>");
  XMLElementIterator first = document.getElements("");
  XMLElementIterator copy = first;
  std::string name;
  first.next().getName(name);
  EXPECT_EQ(name, "a");
  copy.next().getName(name); // the same walk goes on
  EXPECT_EQ(name, "b");
  first.close();
  EXPECT_XML_EXCEPTION(first.hasMore(), "");
  EXPECT_XML_EXCEPTION(first.next(), "");
  EXPECT_XML_EXCEPTION(first.deleteCurrentItem(), "");
  EXPECT_FALSE(copy.hasMore()); // close ends this object only
  XMLTextIterator texts = document.getTextSections();
  texts.close();
  EXPECT_XML_EXCEPTION(texts.next(), "");
}

TEST_F(HelperTest, DocumentCopies_TheLastOneDisposesOnce) {
  auto source = std::make_unique<XMLDocument>(XMLDocument::createNew(fake.host(), "r"));
  QXXML* handle = fake.lastCreated;
  {
    XMLDocument copy(*source);
    source.reset();
    EXPECT_EQ(fake.disposals(handle), 0);
    std::string name;
    copy.getName(name);
    EXPECT_EQ(name, "r");
  }
  EXPECT_EQ(fake.disposals(handle), 1);
}

TEST_F(HelperTest, Assignment_ReleasesTheTargetsDocumentOnlyWhenItWasTheLastHolder) {
  XMLDocument a = XMLDocument::createNew(fake.host(), "a");
  QXXML* aHandle = fake.lastCreated;
  XMLDocument b = XMLDocument::createNew(fake.host(), "b");
  QXXML* bHandle = fake.lastCreated;
  XMLDocument aCopy = a;
  a = b; // aCopy still holds "a"
  EXPECT_EQ(fake.disposals(aHandle), 0);
  std::string name;
  a.getName(name);
  EXPECT_EQ(name, "b");
  aCopy = b; // the last holder of "a" lets go
  EXPECT_EQ(fake.disposals(aHandle), 1);
  XMLDocument& same = a;
  a = same;
  a.getName(name);
  EXPECT_EQ(name, "b");
  EXPECT_EQ(fake.disposals(bHandle), 0);
}

TEST_F(HelperTest, DisposeOnOneCopy_LeavesEveryCopyInvalidAndReleasesOnce) {
  QXXML* handle = nullptr;
  {
    XMLDocument document = XMLDocument::createNew(fake.host(), "r");
    handle = fake.lastCreated;
    XMLDocument copy = document;
    copy.dispose();
    EXPECT_EQ(fake.disposals(handle), 1);
    EXPECT_FALSE(copy.isValid());
    EXPECT_FALSE(document.isValid());
    std::string name;
    EXPECT_XML_EXCEPTION(document.getName(name), "");
    document.dispose(); // nothing left to release
  }
  EXPECT_EQ(fake.disposals(handle), 1);
}

TEST_F(HelperTest, DocumentThatFailedToParse_HasAHandleButRefusesElementWork) {
  ::testing::internal::CaptureStdout();
  XMLDocument document = XMLDocument::createFromString(fake.host(), "<a><b></a>");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Caught unknown exception\n");
  EXPECT_TRUE(document.isValid());
  document.removeAttribute("x");
  EXPECT_XML_EXCEPTION(document.addAttribute("x", "1"), "");
  std::string text;
  EXPECT_XML_EXCEPTION(document.doc2string(text), "");
  EXPECT_XML_EXCEPTION(document.getElements(""), "");
  EXPECT_XML_EXCEPTION(document.getElement("x"), "No such elements found.");
}

TEST_F(HelperTest, InvalidElement_ThrowsEmptyMessagesFromEveryOperation) {
  XMLElement element;
  EXPECT_FALSE(element.isValid());
  std::string text;
  EXPECT_XML_EXCEPTION(element.getName(text), "");
  EXPECT_XML_EXCEPTION(element.hasAttribute("a"), "");
  EXPECT_XML_EXCEPTION(element.removeAttribute("a"), "");
  EXPECT_XML_EXCEPTION(element.addElement("a"), "");
  EXPECT_XML_EXCEPTION(element.addText("a"), "");
  EXPECT_XML_EXCEPTION(element.getTextSections(), "");
  XMLDocument empty;
  EXPECT_XML_EXCEPTION(empty.doc2string(text), "");
  empty.dispose();
}

namespace {
// An iterator table that only counts its close calls.
struct CountingIterator {
  int closes = 0;
  QXXMLIterator table{};
  CountingIterator() {
    table.owner = this;
    table.close = [](void* owner) {
      ++static_cast<CountingIterator*>(owner)->closes;
      return QXStatus{QX_OK};
    };
  }
};
} // namespace

TEST(IteratorOwnership, TheLastCopyClosesOnce_AssignmentClosesOnlyALastHolder) {
  CountingIterator first, second;
  {
    XMLTextIterator a(&first.table);
    XMLTextIterator aCopy = a;
    XMLElementIterator b(&second.table);
    XMLElementIterator bCopy(b);
    b = XMLElementIterator(nullptr); // bCopy still holds the second walk
    EXPECT_EQ(second.closes, 0);
    bCopy = b; // now nobody does
    EXPECT_EQ(second.closes, 1);
    a = aCopy;
    EXPECT_EQ(first.closes, 0);
  }
  EXPECT_EQ(first.closes, 1);
  EXPECT_EQ(second.closes, 1);
}
