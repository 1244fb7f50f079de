// XMLElementIterator and XMLTextIterator: one QXXMLIterator handle shared by
// the copies of an iterator; the last copy closes it. The two classes differ
// only in what next() hands out.
#include <quex/cpphelper/XMLElementIterator.h>
#include <quex/cpphelper/XMLTextIterator.h>

namespace ExtensionCppHelper {
namespace {

QXXMLIterator* require(QXXMLIterator* iterator) {
  if (iterator == nullptr) throw XMLException();
  return iterator;
}

bool hasMoreItems(QXXMLIterator* iterator) {
  require(iterator);
  int result = 0;
  if (iterator->hasMoreItems(iterator->owner, &result) != QX_OK) throw XMLException();
  return result != 0;
}

// The next item, or null when the member does not answer QX_OK.
void* nextItem(QXXMLIterator* iterator) {
  require(iterator);
  void* item = nullptr;
  return iterator->nextItem(iterator->owner, &item) == QX_OK ? item : nullptr;
}

void deleteItem(QXXMLIterator* iterator) {
  require(iterator);
  if (iterator->deleteItem(iterator->owner) != QX_OK) throw XMLException();
}

// Closes through the table and forgets the handle; a failing status throws.
void closeHandle(QXXMLIterator*& iterator) {
  if (iterator == nullptr) return;
  if (iterator->close(iterator->owner) != QX_OK) throw XMLException();
  iterator = nullptr;
}

// Takes the other object's handle and joins its count.
void share(QXXMLIterator*& handle, AccessCount& count, QXXMLIterator* otherHandle,
           const AccessCount& otherCount) {
  handle = otherHandle;
  count = otherCount;
  count.inc();
}

} // namespace

XMLElementIterator::XMLElementIterator(QXXMLIterator* iterator) : iteratorHandle(iterator) {
  accessCount.inc();
}

XMLElementIterator::XMLElementIterator(const XMLElementIterator& other)
    : iteratorHandle(other.iteratorHandle), accessCount(other.accessCount) {
  accessCount.inc();
}

XMLElementIterator& XMLElementIterator::operator=(const XMLElementIterator& other) {
  if (this == &other) return *this;
  if (accessCount.value() == 1) close();
  accessCount.dec();
  share(iteratorHandle, accessCount, other.iteratorHandle, other.accessCount);
  return *this;
}

XMLElementIterator::~XMLElementIterator() {
  if (accessCount.value() == 1 && iteratorHandle != nullptr) {
    try {
      close();
    } catch (const XMLException&) {
      // close answers QX_OK in this service; a destructor reports nothing.
    }
  }
  accessCount.dec();
}

bool XMLElementIterator::hasMore() { return hasMoreItems(iteratorHandle); }

XMLElement XMLElementIterator::next() {
  return XMLElement(static_cast<QXXML*>(nextItem(iteratorHandle)));
}

void XMLElementIterator::deleteCurrentItem() { deleteItem(iteratorHandle); }

void XMLElementIterator::close() { closeHandle(iteratorHandle); }

XMLTextIterator::XMLTextIterator(QXXMLIterator* iterator) : iteratorHandle(iterator) {
  accessCount.inc();
}

XMLTextIterator::XMLTextIterator(const XMLTextIterator& other)
    : iteratorHandle(other.iteratorHandle), accessCount(other.accessCount) {
  accessCount.inc();
}

XMLTextIterator& XMLTextIterator::operator=(const XMLTextIterator& other) {
  if (this == &other) return *this;
  if (accessCount.value() == 1) close();
  accessCount.dec();
  share(iteratorHandle, accessCount, other.iteratorHandle, other.accessCount);
  return *this;
}

XMLTextIterator::~XMLTextIterator() {
  if (accessCount.value() == 1 && iteratorHandle != nullptr) {
    try {
      close();
    } catch (const XMLException&) {
      // as above
    }
  }
  accessCount.dec();
}

bool XMLTextIterator::hasMore() { return hasMoreItems(iteratorHandle); }

const char* XMLTextIterator::next() { return static_cast<const char*>(nextItem(iteratorHandle)); }

void XMLTextIterator::deleteCurrentItem() { deleteItem(iteratorHandle); }

void XMLTextIterator::close() { closeHandle(iteratorHandle); }

} // namespace ExtensionCppHelper
