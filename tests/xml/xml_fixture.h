// Shared set-up of the XML service tests: the runtime started once per suite,
// documents made through the factory and released after each test, and
// helpers that fetch texts the way a module does (ask, read *needed, ask again).
#ifndef QUEX_TESTS_XML_XML_FIXTURE_H
#define QUEX_TESTS_XML_XML_FIXTURE_H

#include <quex/quex.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using TextMember = QXStatus (*)(void*, char*, size_t, size_t*);

// Fetches a text under the text-return convention; "<status N>" on failure.
inline std::string fetchText(void* owner, TextMember member) {
  size_t needed = 0;
  QXStatus status = member(owner, nullptr, 0, &needed);
  if (status == QX_OK) return std::string(); // cannot happen: needed >= 1
  if (status != QX_ERR_INSUFFICIENT_BUFFER) return "<status " + std::to_string(status) + ">";
  std::vector<char> buffer(needed, '\x7f');
  status = member(owner, buffer.data(), buffer.size(), &needed);
  if (status != QX_OK) return "<status " + std::to_string(status) + ">";
  EXPECT_EQ(buffer.back(), '\0');
  return std::string(buffer.data(), needed - 1);
}

inline std::string serialise(QXXML* xml) { return fetchText(xml->owner, xml->doc2string); }
inline std::string nameOf(QXXML* xml) { return fetchText(xml->owner, xml->getName); }

inline std::string attributeOf(QXXML* xml, const char* name) {
  size_t needed = 0;
  char probe[1];
  QXStatus status = xml->getAttribute(xml->owner, name, probe, 0, &needed);
  if (status != QX_ERR_INSUFFICIENT_BUFFER) return "<status " + std::to_string(status) + ">";
  std::vector<char> buffer(needed);
  status = xml->getAttribute(xml->owner, name, buffer.data(), buffer.size(), &needed);
  if (status != QX_OK) return "<status " + std::to_string(status) + ">";
  return std::string(buffer.data(), needed - 1);
}

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>";

class XmlTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { QXXMLWrapper::startup(); }
  static void TearDownTestSuite() { QXXMLWrapper::shutdown(); }

  void TearDown() override {
    for (QXXML* document : documents_) EXPECT_EQ(document->dispose(document->owner), QX_OK);
    documents_.clear();
  }

  QXXML* newDocument(const char* rootName) { return keep(QXXMLFactory::createDocument(rootName)); }
  QXXML* parse(const char* text) { return keep(QXXMLFactory::createDocumentFromContents(text)); }

  // Parses while capturing standard output into `printed`.
  QXXML* parseCapturing(const char* text, std::string& printed) {
    ::testing::internal::CaptureStdout();
    QXXML* document = parse(text);
    printed = ::testing::internal::GetCapturedStdout();
    return document;
  }

  // For tests that release a document themselves.
  void forget(QXXML* document) {
    documents_.erase(std::remove(documents_.begin(), documents_.end(), document), documents_.end());
  }

  static QXXML* addElement(QXXML* parent, const char* name) {
    QXXML* child = nullptr;
    EXPECT_EQ(parent->addElement(parent->owner, name, &child), QX_OK);
    return child;
  }

  static QXXMLIterator* elements(QXXML* xml, const char* name) {
    QXXMLIterator* iterator = nullptr;
    EXPECT_EQ(xml->getElementIterator(xml->owner, name, &iterator), QX_OK);
    return iterator;
  }

  static QXXMLIterator* texts(QXXML* xml) {
    QXXMLIterator* iterator = nullptr;
    EXPECT_EQ(xml->getTextIterator(xml->owner, &iterator), QX_OK);
    return iterator;
  }

  // The names (or texts) an iterator yields from here to its end.
  static std::vector<std::string> drainNames(QXXMLIterator* iterator) {
    std::vector<std::string> names;
    void* item = nullptr;
    while (iterator->nextItem(iterator->owner, &item) == QX_OK)
      names.push_back(nameOf(static_cast<QXXML*>(item)));
    return names;
  }
  static std::vector<std::string> drainTexts(QXXMLIterator* iterator) {
    std::vector<std::string> values;
    void* item = nullptr;
    while (iterator->nextItem(iterator->owner, &item) == QX_OK)
      values.push_back(static_cast<const char*>(item));
    return values;
  }

private:
  QXXML* keep(QXXML* document) {
    documents_.push_back(document);
    return document;
  }
  std::vector<QXXML*> documents_;
};

#endif // QUEX_TESTS_XML_XML_FIXTURE_H
