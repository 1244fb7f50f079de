// Document handles: creation, serialisation to the byte, the text-return
// convention at its boundaries, parse failures and release.
#include "xml_fixture.h"

#include <cstring>

// A larger or exactly sized buffer gets the text and its terminator; one byte
// less is refused with the needed size and the buffer left untouched.
TEST_F(XmlTest, TextReturnConvention_HoldsAtItsBoundariesForEveryTextMember) {
  QXXML* document = newDocument("element");
  ASSERT_EQ(document->addAttribute(document->owner, "key", "value"), QX_OK);
  const struct { const char* what; TextCall call; std::string text; } rows[] = {
      {"name", naming(document), "element"},
      {"attribute", attributing(document, "key"), "value"},
      {"absent attribute", attributing(document, "absent"), ""},
      {"document", serialising(document), declared("<element key=\"value\"/>")}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const size_t size = row.text.size() + 1;
    std::vector<char> buffer(size + 8, 'x');
    size_t needed = 0;
    EXPECT_EQ(row.call(buffer.data(), buffer.size(), &needed), QX_OK);
    EXPECT_EQ(needed, size);
    EXPECT_EQ(std::string(buffer.data()), row.text);
    std::fill(buffer.begin(), buffer.end(), 'x');
    EXPECT_EQ(row.call(buffer.data(), size, &needed), QX_OK);
    EXPECT_EQ(std::string(buffer.data(), size + 1), row.text + '\0' + 'x');
    if (size == 1) continue; // an empty text always fits
    std::fill(buffer.begin(), buffer.end(), 'x');
    needed = 0;
    EXPECT_EQ(row.call(buffer.data(), size - 1, &needed), QX_ERR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, size);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(buffer.size(), 'x'));
  }
}

TEST_F(XmlTest, ElementHandle_CannotBeSerialisedOrDisposed) {
  QXXML* child = addElement(newDocument("root"), "child");
  ASSERT_NE(child, nullptr);
  size_t needed = 77;
  char buffer[64];
  EXPECT_EQ(child->doc2string(child->owner, buffer, sizeof buffer, &needed), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(needed, 77u);
  EXPECT_EQ(child->dispose(child->owner), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(nameOf(child), "child"); // still alive: it belongs to the document
}

namespace {
// A handle without a document answers QX_ERR_XML to every element operation.
void expectEmptyHandle(QXXML* document) {
  EXPECT_EQ(nameOf(document), "<status 5>");
  EXPECT_EQ(serialise(document), "<status 3>");
  int result = 7;
  EXPECT_EQ(document->hasAttribute(document->owner, "x", &result), QX_ERR_XML);
  EXPECT_EQ(result, 7);
  EXPECT_EQ(document->addAttribute(document->owner, "x", "1"), QX_ERR_XML);
  EXPECT_EQ(document->removeAttribute(document->owner, "x"), QX_ERR_XML);
  EXPECT_EQ(document->addText(document->owner, "t"), QX_ERR_XML);
  QXXML* child = nullptr;
  EXPECT_EQ(document->addElement(document->owner, "c", &child), QX_ERR_XML);
  EXPECT_EQ(child, nullptr);
  QXXMLIterator* iterator = nullptr;
  EXPECT_EQ(document->getElementIterator(document->owner, "", &iterator), QX_ERR_XML);
  EXPECT_EQ(document->getTextIterator(document->owner, &iterator), QX_ERR_XML);
  EXPECT_EQ(iterator, nullptr);
}
} // namespace

TEST_F(XmlTest, TextsThatDoNotParseAndInvalidRootNames_PrintTheErrorAndGiveAnEmptyHandle) {
  const struct { const char* text; bool asRootName; const char* printed; } rows[] = {
      {"<a><b></a>", false, "Caught unknown exception\n"}, {"", false, "Caught unknown exception\n"},
      {"<a>", false, "Caught unknown exception\n"}, {"just words", false, "Caught unknown exception\n"},
      {"<a></b>", false, "Caught unknown exception\n"}, {"1 not a name", true, "Caught DOM Exception "}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    ::testing::internal::CaptureStdout();
    QXXML* document = row.asRootName ? newDocument(row.text) : parse(row.text);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind(row.printed, 0), 0u) << printed;
    EXPECT_EQ(printed.back(), '\n');
    expectEmptyHandle(document);
  }
}

TEST_F(XmlTest, WrapperReloaded_ReleasesTheFirstDocumentAndServesTheSecond) {
  QXXMLWrapper wrapper;
  wrapper.loadFromContents("<first/>");
  wrapper.loadFromContents("<second><x/></second>");
  char buffer[64];
  size_t needed = 0;
  ASSERT_EQ(wrapper.getName(buffer, sizeof buffer, &needed), QX_OK);
  EXPECT_STREQ(buffer, "second");
  wrapper.createNew("third");
  ASSERT_EQ(wrapper.getName(buffer, sizeof buffer, &needed), QX_OK);
  EXPECT_STREQ(buffer, "third");
  EXPECT_EQ(wrapper.dispose(), QX_OK);
  EXPECT_EQ(wrapper.getName(buffer, sizeof buffer, &needed), QX_ERR_XML);
  EXPECT_EQ(wrapper.dispose(), QX_OK);
}

TEST_F(XmlTest, DisposeThroughTable_ReleasesTheWholeTreeOnce) {
  // Under the leak checker this test fails if any part of the tree survives.
  QXXML* document = parse("<a><b><c/></b><b/>text</a>");
  QXXML* added = addElement(document, "d");
  ASSERT_EQ(added->addAttribute(added->owner, "k", "v"), QX_OK);
  EXPECT_EQ(drainNames(elements(document, "b")).size(), 2u);
  EXPECT_EQ(drainTexts(texts(document)), Names{"text"});
  QXXML* second = QXXMLFactory::create(static_cast<QXXMLWrapper*>(document->owner));
  EXPECT_EQ(nameOf(second), "a");
  forget(document);
  EXPECT_EQ(document->dispose(document->owner), QX_OK);
}

TEST_F(XmlTest, ShutdownAndStartupAgain_ServesNewDocuments) {
  QXXMLWrapper::shutdown();
  QXXMLWrapper::startup();
  EXPECT_EQ(nameOf(newDocument("again")), "again");
}
