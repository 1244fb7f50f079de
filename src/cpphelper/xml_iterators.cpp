// XMLElementIterator and XMLTextIterator: one QXXMLIterator handle shared by
// the copies of an iterator; the last copy closes it.
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

} // namespace

// The shared-ownership steps are the same for both classes.
#define QUEX_SHARED_ITERATOR_MEMBERS(Class)                                                         \
  Class::Class(QXXMLIterator* iterator) : iteratorHandle(iterator) { accessCount.inc(); }          \
  Class::Class(const Class& other)                                                                  \
      : iteratorHandle(other.iteratorHandle), accessCount(other.accessCount) {                      \
    accessCount.inc();                                                                              \
  }                                                                                                 \
  Class& Class::operator=(const Class& other) {                                                     \
    if (this == &other) return *this;                                                               \
    if (accessCount.value() == 1) close();                                                          \
    iteratorHandle = nullptr;                                                                       \
    accessCount.dec();                                                                              \
    iteratorHandle = other.iteratorHandle;                                                          \
    accessCount = other.accessCount;                                                                \
    accessCount.inc();                                                                              \
    return *this;                                                                                   \
  }                                                                                                 \
  Class::~Class() {                                                                                 \
    if (accessCount.value() == 1 && iteratorHandle != nullptr) {                                    \
      try {                                                                                         \
        close();                                                                                    \
      } catch (const XMLException&) {                                                               \
      }                                                                                             \
    }                                                                                               \
    accessCount.dec();                                                                              \
  }                                                                                                 \
  bool Class::hasMore() { return hasMoreItems(iteratorHandle); }                                    \
  void Class::deleteCurrentItem() { deleteItem(iteratorHandle); }                                   \
  void Class::close() { closeHandle(iteratorHandle); }

QUEX_SHARED_ITERATOR_MEMBERS(XMLElementIterator)
QUEX_SHARED_ITERATOR_MEMBERS(XMLTextIterator)

#undef QUEX_SHARED_ITERATOR_MEMBERS

XMLElement XMLElementIterator::next() {
  require(iteratorHandle);
  void* item = nullptr;
  if (iteratorHandle->nextItem(iteratorHandle->owner, &item) != QX_OK) return XMLElement();
  return XMLElement(static_cast<QXXML*>(item));
}

const char* XMLTextIterator::next() {
  require(iteratorHandle);
  void* item = nullptr;
  if (iteratorHandle->nextItem(iteratorHandle->owner, &item) != QX_OK) return nullptr;
  return static_cast<const char*>(item);
}

} // namespace ExtensionCppHelper
