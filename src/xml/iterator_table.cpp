// The QXXMLIterator callbacks: each forwards to the iterator wrapper named by
// `owner`; element items are handed out as QXXML tables.
#include "iterator_table.h"

#include <quex/xml/QXXMLFactory.h>
#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>

#include <memory>

namespace quex::xml {
namespace {

QXXMLIteratorWrapper* iteratorOf(void* owner) { return static_cast<QXXMLIteratorWrapper*>(owner); }

QXStatus hasMoreItems(void* owner, int* result) noexcept {
  try {
    return iteratorOf(owner)->hasMoreItems(result);
  } catch (...) {
    return QX_ERR_XML;
  }
}

QXStatus nextItem(void* owner, void** item) noexcept {
  try {
    QXXMLIteratorWrapper* iterator = iteratorOf(owner);
    void* found = nullptr;
    const QXStatus status = iterator->nextItem(&found);
    if (status != QX_OK) return status;
    if (iterator->getFilter() == QXXMLIteratorWrapper::FILTER_ELEMENTS)
      *item = QXXMLFactory::create(static_cast<QXXMLWrapper*>(found));
    else
      *item = found;
    return QX_OK;
  } catch (...) {
    return QX_ERR_XML;
  }
}

QXStatus deleteItem(void* owner) noexcept {
  try {
    return iteratorOf(owner)->deleteItem();
  } catch (...) {
    return QX_ERR_XML;
  }
}

QXStatus close(void* owner) noexcept {
  try {
    return iteratorOf(owner)->close();
  } catch (...) {
    return QX_ERR_XML;
  }
}

} // namespace

QXXMLIterator* createIteratorTable(QXXMLIteratorWrapper* iterator) {
  auto table = std::make_unique<QXXMLIterator>();
  table->owner = iterator;
  table->hasMoreItems = &hasMoreItems;
  table->nextItem = &nextItem;
  table->deleteItem = &deleteItem;
  table->close = &close;
  QXXMLIterator* made = table.release();
  iterator->registerHandle(made);
  return made;
}

} // namespace quex::xml
