// QXHostFactory: builds QXHost tables for a QXHostWrapper.
#ifndef QUEX_SERVICES_QXHOSTFACTORY_H
#define QUEX_SERVICES_QXHOSTFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QXHostWrapper;

class QUEX_API QXHostFactory {
public:
  // A new table whose owner is `wrapper`; it belongs to the wrapper and lives
  // until the wrapper is destroyed.
  static QXHost* create(QXHostWrapper* wrapper);
};

#endif // QUEX_SERVICES_QXHOSTFACTORY_H
