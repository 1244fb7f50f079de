// QXXMLFactory and the QXXML callbacks: each forwards to the wrapper named by
// `owner`. Exceptions end at this boundary as QX_ERR_XML.
#include "iterator_table.h"

#include <quex/xml/QXXMLFactory.h>
#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>

#include <memory>

namespace {

QXXMLWrapper* wrapperOf(void* owner) { return static_cast<QXXMLWrapper*>(owner); }

template <typename Call>
QXStatus guarded(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return QX_ERR_XML;
  }
}

// Releases a document handle with its whole tree, this table included. Element
// handles belong to their document and are refused.
QXStatus dispose(void* owner) noexcept {
  QXXMLWrapper* wrapper = wrapperOf(owner);
  if (!wrapper->isDocumentHandle()) return QX_ERR_INVALID_OPERATION;
  const QXStatus status = wrapper->dispose();
  std::unique_ptr<QXXMLWrapper> released(wrapper); // the module's handle adopted it at creation
  return status;
}

QXStatus doc2string(void* owner, char* buffer, size_t bufferSize, size_t* needed) noexcept {
  return guarded([&] { return wrapperOf(owner)->doc2string(buffer, bufferSize, needed); });
}

QXStatus getName(void* owner, char* buffer, size_t bufferSize, size_t* needed) noexcept {
  return guarded([&] { return wrapperOf(owner)->getName(buffer, bufferSize, needed); });
}

QXStatus hasAttribute(void* owner, const char* name, int* result) noexcept {
  return guarded([&] { return wrapperOf(owner)->hasAttribute(name, result); });
}

QXStatus getAttribute(void* owner, const char* name, char* buffer, size_t bufferSize,
                      size_t* needed) noexcept {
  return guarded([&] { return wrapperOf(owner)->getAttribute(name, buffer, bufferSize, needed); });
}

QXStatus removeAttribute(void* owner, const char* name) noexcept {
  return guarded([&] { return wrapperOf(owner)->removeAttribute(name); });
}

QXStatus getElementIterator(void* owner, const char* name, QXXMLIterator** iterator) noexcept {
  return guarded([&] {
    QXXMLIteratorWrapper* made = nullptr;
    const QXStatus status = wrapperOf(owner)->getElementIterator(name, &made);
    if (status == QX_OK) *iterator = quex::xml::createIteratorTable(made);
    return status;
  });
}

QXStatus getTextIterator(void* owner, QXXMLIterator** iterator) noexcept {
  return guarded([&] {
    QXXMLIteratorWrapper* made = nullptr;
    const QXStatus status = wrapperOf(owner)->getTextIterator(&made);
    if (status == QX_OK) *iterator = quex::xml::createIteratorTable(made);
    return status;
  });
}

QXStatus addAttribute(void* owner, const char* name, const char* value) noexcept {
  return guarded([&] { return wrapperOf(owner)->addAttribute(name, value); });
}

QXStatus addElement(void* owner, const char* name, QXXML** element) noexcept {
  return guarded([&] {
    QXXMLWrapper* child = nullptr;
    const QXStatus status = wrapperOf(owner)->addElement(name, &child);
    if (status == QX_OK) *element = QXXMLFactory::create(child);
    return status;
  });
}

QXStatus addText(void* owner, const char* text) noexcept {
  return guarded([&] { return wrapperOf(owner)->addText(text); });
}

} // namespace

QXXML* QXXMLFactory::create(QXXMLWrapper* wrapper) {
  auto table = std::make_unique<QXXML>();
  table->owner = wrapper;
  table->dispose = &dispose;
  table->doc2string = &doc2string;
  table->getName = &getName;
  table->hasAttribute = &hasAttribute;
  table->getAttribute = &getAttribute;
  table->removeAttribute = &removeAttribute;
  table->getElementIterator = &getElementIterator;
  table->getTextIterator = &getTextIterator;
  table->addAttribute = &addAttribute;
  table->addElement = &addElement;
  table->addText = &addText;
  QXXML* made = table.release();
  wrapper->registerHandle(made);
  return made;
}

QXXML* QXXMLFactory::createDocument(const char* rootName) {
  auto wrapper = std::make_unique<QXXMLWrapper>();
  wrapper->createNew(rootName);
  QXXML* table = create(wrapper.get());
  wrapper.release(); // from here the handle's dispose member owns it
  return table;
}

QXXML* QXXMLFactory::createDocumentFromContents(const char* text) {
  auto wrapper = std::make_unique<QXXMLWrapper>();
  wrapper->loadFromContents(text);
  QXXML* table = create(wrapper.get());
  wrapper.release();
  return table;
}
