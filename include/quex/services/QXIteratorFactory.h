// QXIteratorFactory: builds QXIterator tables for a QXIteratorWrapper.
#ifndef QUEX_SERVICES_QXITERATORFACTORY_H
#define QUEX_SERVICES_QXITERATORFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QXIteratorWrapper;

class QUEX_API QXIteratorFactory {
public:
  // A new table whose owner is `wrapper`; freed with the wrapper. Its members
  // trace "qx_iterator_nextRecord" and "qx_iterator_rewind" from level 3,
  // "qx_iterator_getRecordValue" and "qx_iterator_bulkFetch" from level 4.
  static QXIterator* create(QXIteratorWrapper* wrapper);
};

#endif // QUEX_SERVICES_QXITERATORFACTORY_H
