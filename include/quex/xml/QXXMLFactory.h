// QXXMLFactory - builds the QXXML tables given to modules.
#ifndef QUEX_XML_QXXMLFACTORY_H
#define QUEX_XML_QXXMLFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QXXMLWrapper;

class QUEX_API QXXMLFactory {
public:
  // A new table for `wrapper`, owned by it. A wrapper may have several.
  static QXXML* create(QXXMLWrapper* wrapper);

  // The document makers behind QXHost's createNewDocument and
  // createDocumentFromContents: a new document handle that its holder releases
  // with the table's dispose member. A document that could not be made still
  // gives a handle; its element operations answer QX_ERR_XML.
  static QXXML* createDocument(const char* rootName);
  static QXXML* createDocumentFromContents(const char* text);
};

#endif // QUEX_XML_QXXMLFACTORY_H
