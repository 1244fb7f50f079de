// XMLDocument: shared ownership of one document handle. The copies share the
// count and a cell holding the handle, so a dispose through any copy is seen by
// all of them and the document is released exactly once.
#include "text_fetch.h"

#include <quex/cpphelper/XMLDocument.h>

namespace ExtensionCppHelper {

XMLDocument::XMLDocument(QXXML* xml) : XMLElement(xml), handleCell(new QXXML*(xml)) {
  sharedHandle = handleCell;
  accessCount.inc();
}

XMLDocument::XMLDocument(const XMLDocument& other)
    : XMLElement(other), accessCount(other.accessCount), handleCell(other.handleCell) {
  sharedHandle = handleCell;
  accessCount.inc();
}

XMLDocument& XMLDocument::operator=(const XMLDocument& other) {
  if (this == &other) return *this;
  leave(true);
  accessCount = other.accessCount;
  handleCell = other.handleCell;
  sharedHandle = handleCell;
  xmlHandle = *handleCell;
  accessCount.inc();
  return *this;
}

XMLDocument::~XMLDocument() { leave(false); }

void XMLDocument::leave(bool throwOnFailure) {
  const bool last = accessCount.value() == 1;
  if (last && *handleCell != nullptr) {
    QXXML* xml = *handleCell;
    const QXStatus status = xml->dispose(xml->owner);
    if (status != QX_OK && throwOnFailure) throw XMLException();
    *handleCell = nullptr;
  }
  accessCount.dec();
  if (last) delete handleCell;
  handleCell = nullptr;
  sharedHandle = nullptr;
  xmlHandle = nullptr;
}

XMLDocument XMLDocument::createNew(QXHost* host, const char* rootName) {
  QXXML* xml = nullptr;
  if (host->createNewDocument(host->owner, rootName, &xml) != QX_OK) throw XMLException();
  return XMLDocument(xml);
}

XMLDocument XMLDocument::createFromString(QXHost* host, const char* text) {
  QXXML* xml = nullptr;
  if (host->createDocumentFromContents(host->owner, text, &xml) != QX_OK) throw XMLException();
  return XMLDocument(xml);
}

void XMLDocument::doc2string(std::string& text) {
  QXXML* xml = requireHandle();
  const QXStatus status =
      detail::fetchText(detail::kDocumentBufferSize, text, [&](char* b, size_t s, size_t* n) {
        return xml->doc2string(xml->owner, b, s, n);
      });
  if (status != QX_OK) throw XMLException();
}

void XMLDocument::dispose() {
  QXXML* xml = *handleCell;
  if (xml == nullptr) return;
  if (xml->dispose(xml->owner) != QX_OK) throw XMLException();
  *handleCell = nullptr;
  xmlHandle = nullptr;
}

} // namespace ExtensionCppHelper
