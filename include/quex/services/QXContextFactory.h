// QXContextFactory: builds QXContext tables for a QXContextWrapper.
#ifndef QUEX_SERVICES_QXCONTEXTFACTORY_H
#define QUEX_SERVICES_QXCONTEXTFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QXContextWrapper;

class QUEX_API QXContextFactory {
public:
  // A new table whose owner is `wrapper`; freed with the wrapper.
  static QXContext* create(QXContextWrapper* wrapper);
};

#endif // QUEX_SERVICES_QXCONTEXTFACTORY_H
