// Shared set-up of the XML service tests: the runtime started once per suite,
// documents made through the factory and released after each test, and
// helpers that fetch texts the way a module does (ask, read *needed, ask again).
#ifndef QUEX_TESTS_XML_XML_FIXTURE_H
#define QUEX_TESTS_XML_XML_FIXTURE_H

#include <quex/quex.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// A text-returning call with everything but the buffer bound.
using TextCall = std::function<QXStatus(char*, size_t, size_t*)>;

// Fetches a text under the text-return convention; "<status N>" on failure.
inline std::string fetchText(const TextCall& call) {
  size_t needed = 0;
  QXStatus status = call(nullptr, 0, &needed);
  if (status != QX_ERR_INSUFFICIENT_BUFFER) return "<status " + std::to_string(status) + ">";
  std::vector<char> buffer(needed, '\x7f');
  status = call(buffer.data(), buffer.size(), &needed);
  if (status != QX_OK) return "<status " + std::to_string(status) + ">";
  EXPECT_EQ(buffer.back(), '\0');
  return std::string(buffer.data(), needed - 1);
}

inline TextCall serialising(QXXML* x) {
  return [x](char* b, size_t n, size_t* need) { return x->doc2string(x->owner, b, n, need); };
}
inline TextCall naming(QXXML* x) {
  return [x](char* b, size_t n, size_t* need) { return x->getName(x->owner, b, n, need); };
}
inline TextCall attributing(QXXML* x, const char* name) {
  return [x, name](char* b, size_t n, size_t* need) {
    return x->getAttribute(x->owner, name, b, n, need);
  };
}
inline std::string serialise(QXXML* xml) { return fetchText(serialising(xml)); }
inline std::string nameOf(QXXML* xml) { return fetchText(naming(xml)); }
inline std::string attributeOf(QXXML* xml, const char* name) {
  return fetchText(attributing(xml, name));
}

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>";
inline std::string declared(const std::string& body) { return kDeclaration + body; }

using Names = std::vector<std::string>;

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

  // What an iterator yields from here to its end: element names (or the
  // attribute `attribute` of each), or texts.
  static Names drainNames(QXXMLIterator* iterator, const char* attribute = nullptr) {
    Names names;
    void* item = nullptr;
    while (iterator->nextItem(iterator->owner, &item) == QX_OK) {
      auto* element = static_cast<QXXML*>(item);
      names.push_back(attribute ? attributeOf(element, attribute) : nameOf(element));
    }
    return names;
  }
  static Names drainTexts(QXXMLIterator* iterator) {
    Names values;
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
