// Document handles: creation, serialisation to the byte, the text-return
// convention at its boundaries, parse failures and release.
#include "xml_fixture.h"

#include <cstring>

TEST_F(XmlTest, NewDocument_SerialisesAsDeclarationAndEmptyRoot) {
  QXXML* document = newDocument("root");
  size_t needed = 0;
  char buffer[256];
  ASSERT_EQ(document->doc2string(document->owner, buffer, sizeof buffer, &needed), QX_OK);
  const std::string expected = std::string(kDeclaration) + "<root/>";
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(needed, expected.size() + 1);
  EXPECT_EQ(nameOf(document), "root");
}

TEST_F(XmlTest, Doc2string_BufferOfExactlyNeededSucceeds_OneLessLeavesBufferUntouched) {
  QXXML* document = newDocument("root");
  size_t needed = 0;
  ASSERT_EQ(document->doc2string(document->owner, nullptr, 0, &needed), QX_ERR_INSUFFICIENT_BUFFER);
  std::vector<char> buffer(needed, 'x');
  size_t again = 0;
  EXPECT_EQ(document->doc2string(document->owner, buffer.data(), needed - 1, &again),
            QX_ERR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(again, needed);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 'x'; }));
  EXPECT_EQ(document->doc2string(document->owner, buffer.data(), needed, &again), QX_OK);
  EXPECT_EQ(buffer[needed - 1], '\0');
  EXPECT_EQ(std::strlen(buffer.data()), needed - 1);
}

TEST_F(XmlTest, ParsedDocument_KeepsRootAttributesAndSerialisesWithoutAddedWhitespace) {
  QXXML* document = parse("<a x=\"1\"><b>t</b><c/></a>");
  EXPECT_EQ(nameOf(document), "a");
  EXPECT_EQ(attributeOf(document, "x"), "1");
  EXPECT_EQ(serialise(document), std::string(kDeclaration) + "<a x=\"1\"><b>t</b><c/></a>");
}

TEST_F(XmlTest, ElementHandle_CannotBeSerialisedOrDisposed) {
  QXXML* document = newDocument("root");
  QXXML* child = addElement(document, "child");
  ASSERT_NE(child, nullptr);
  size_t needed = 77;
  char buffer[64];
  EXPECT_EQ(child->doc2string(child->owner, buffer, sizeof buffer, &needed), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(needed, 77u);
  EXPECT_EQ(child->dispose(child->owner), QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(nameOf(child), "child"); // still alive: it belongs to the document
}

TEST_F(XmlTest, MismatchedEndTag_PrintsUnknownExceptionAndGivesEmptyHandle) {
  std::string printed;
  QXXML* document = parseCapturing("<a><b></a>", printed);
  EXPECT_EQ(printed, "Caught unknown exception\n");
  size_t needed = 0;
  char buffer[64];
  int result = 7;
  EXPECT_EQ(document->getName(document->owner, buffer, sizeof buffer, &needed), QX_ERR_XML);
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
  EXPECT_EQ(document->doc2string(document->owner, buffer, sizeof buffer, &needed),
            QX_ERR_INVALID_OPERATION);
}

TEST_F(XmlTest, EmptyAndTruncatedTexts_AreParseFailures) {
  for (const char* text : {"", "<a>", "just words", "<a></b>"}) {
    std::string printed;
    QXXML* document = parseCapturing(text, printed);
    EXPECT_EQ(printed, "Caught unknown exception\n") << text;
    EXPECT_EQ(nameOf(document), "<status 5>") << text;
  }
}

TEST_F(XmlTest, InvalidRootName_PrintsDomExceptionAndGivesEmptyHandle) {
  ::testing::internal::CaptureStdout();
  QXXML* document = newDocument("1 not a name");
  const std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Caught DOM Exception ", 0), 0u) << printed;
  EXPECT_EQ(printed.back(), '\n');
  EXPECT_EQ(nameOf(document), "<status 5>");
  EXPECT_EQ(serialise(document), "<status 3>");
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
  QXXMLIterator* walk = elements(document, "b");
  EXPECT_EQ(drainNames(walk).size(), 2u);
  QXXMLIterator* words = texts(document);
  EXPECT_EQ(drainTexts(words), std::vector<std::string>{"text"});
  QXXML* second = QXXMLFactory::create(static_cast<QXXMLWrapper*>(document->owner));
  EXPECT_EQ(nameOf(second), "a");
  forget(document);
  EXPECT_EQ(document->dispose(document->owner), QX_OK);
}

TEST_F(XmlTest, ShutdownAndStartupAgain_ServesNewDocuments) {
  QXXMLWrapper::shutdown();
  QXXMLWrapper::startup();
  QXXML* document = newDocument("again");
  EXPECT_EQ(nameOf(document), "again");
}
