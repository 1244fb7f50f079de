// QXProgressFactory: builds QXProgress tables for a QXProgressWrapper.
#ifndef QUEX_SERVICES_QXPROGRESSFACTORY_H
#define QUEX_SERVICES_QXPROGRESSFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QXProgressWrapper;

class QUEX_API QXProgressFactory {
public:
  // A new table whose owner is `wrapper`; freed with the wrapper.
  static QXProgress* create(QXProgressWrapper* wrapper);
};

#endif // QUEX_SERVICES_QXPROGRESSFACTORY_H
