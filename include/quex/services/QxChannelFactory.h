// QxChannelFactory: builds QXChannel tables for a QxChannelWrapper.
#ifndef QUEX_SERVICES_QXCHANNELFACTORY_H
#define QUEX_SERVICES_QXCHANNELFACTORY_H

#include <quex/export.h>
#include <quex/qx.h>

class QxChannelWrapper;

class QUEX_API QxChannelFactory {
public:
  // A new table whose owner is `wrapper`; freed with the wrapper. Its send
  // member traces "qx_channel_send" from level 3.
  static QXChannel* create(QxChannelWrapper* wrapper);
};

#endif // QUEX_SERVICES_QXCHANNELFACTORY_H
