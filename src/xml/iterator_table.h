// Builds the QXXMLIterator tables handed to modules (internal).
#ifndef QUEX_SRC_XML_ITERATOR_TABLE_H
#define QUEX_SRC_XML_ITERATOR_TABLE_H

#include <quex/qx.h>

class QXXMLIteratorWrapper;

namespace quex::xml {

// A new table for `iterator`, owned by it.
QXXMLIterator* createIteratorTable(QXXMLIteratorWrapper* iterator);

} // namespace quex::xml

#endif // QUEX_SRC_XML_ITERATOR_TABLE_H
