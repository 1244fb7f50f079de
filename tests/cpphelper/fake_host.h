// A QXHost table assembled by hand for the module-writer classes: host
// information from a string, documents from the XML service, and a count of
// how often each document handle is disposed.
#ifndef QUEX_TESTS_CPPHELPER_FAKE_HOST_H
#define QUEX_TESTS_CPPHELPER_FAKE_HOST_H

#include <quex/quex.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

class FakeHost {
public:
  FakeHost() {
    table.owner = this;
    table.getHostInformation = &getHostInformation;
    table.createNewDocument = &createNewDocument;
    table.createDocumentFromContents = &createDocumentFromContents;
    table.trace = [](void*, const char*) {};
    current() = this;
  }
  ~FakeHost() { current() = nullptr; }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  QXHost* host() { return &table; }
  int disposals(QXXML* document) const {
    auto found = disposeCount.find(document->owner);
    return found == disposeCount.end() ? 0 : found->second;
  }

  std::string information = "<HostInformation/>";
  QXStatus informationStatus = QX_OK;
  QXStatus createStatus = QX_OK;
  std::vector<size_t> askedSizes;
  QXXML* lastCreated = nullptr;

private:
  static FakeHost*& current() {
    static FakeHost* host = nullptr;
    return host;
  }

  // The service's table with dispose routed through a counter first. The
  // copy lives as long as the host, so a released document's table stays readable.
  QXXML* counted(QXXML* real) {
    realDispose = real->dispose;
    tables.push_back(*real);
    tables.back().dispose = &countingDispose;
    lastCreated = &tables.back();
    return lastCreated;
  }

  static QXStatus countingDispose(void* owner) {
    FakeHost* self = current();
    ++self->disposeCount[owner];
    return self->realDispose(owner);
  }

  static QXStatus getHostInformation(void* owner, char* buffer, size_t size, size_t* needed,
                                     int* errorCode) {
    auto* self = static_cast<FakeHost*>(owner);
    self->askedSizes.push_back(size);
    *errorCode = 0;
    if (self->informationStatus != QX_OK) {
      *errorCode = 42;
      return self->informationStatus;
    }
    *needed = self->information.size() + 1;
    if (size < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, self->information.c_str(), *needed);
    return QX_OK;
  }

  static QXStatus createNewDocument(void* owner, const char* rootName, QXXML** document) {
    auto* self = static_cast<FakeHost*>(owner);
    if (self->createStatus != QX_OK) return self->createStatus;
    *document = self->counted(QXXMLFactory::createDocument(rootName));
    return QX_OK;
  }

  static QXStatus createDocumentFromContents(void* owner, const char* text, QXXML** document) {
    auto* self = static_cast<FakeHost*>(owner);
    if (self->createStatus != QX_OK) return self->createStatus;
    *document = self->counted(QXXMLFactory::createDocumentFromContents(text));
    return QX_OK;
  }

  QXHost table{};
  std::deque<QXXML> tables;
  QXStatus (*realDispose)(void*) = nullptr;
  std::map<void*, int> disposeCount;
};

class HelperTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { QXXMLWrapper::startup(); }
  static void TearDownTestSuite() { QXXMLWrapper::shutdown(); }

  FakeHost fake;
};

// The message of the XMLException that `statement` throws.
#define EXPECT_XML_EXCEPTION(statement, expectedMessage)                                            \
  do {                                                                                              \
    try {                                                                                           \
      statement;                                                                                    \
      ADD_FAILURE() << "no XMLException from " #statement;                                          \
    } catch (const ExtensionCppHelper::XMLException& e) {                                           \
      EXPECT_EQ(e.getMessage(), expectedMessage);                                                   \
    }                                                                                               \
  } while (0)

#endif // QUEX_TESTS_CPPHELPER_FAKE_HOST_H
