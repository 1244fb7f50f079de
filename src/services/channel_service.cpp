// The QXChannel member and its factory.
#include "service_support.h"

#include <quex/services/QxChannelFactory.h>
#include <quex/services/QxChannelWrapper.h>

using quex::detail::currentTraceLevel;

QxChannelWrapper::~QxChannelWrapper() = default;

void QxChannelWrapper::registerHandle(QXChannel* table) { handles_.add(table); }

namespace {

QXStatus channelSend(void* owner, const char* text, size_t length, int* errorCode) {
  return quex::detail::guardCallback([&] {
    if (currentTraceLevel() >= 3) quex::detail::traceEnter("qx_channel_send");
    const QXStatus status = static_cast<QxChannelWrapper*>(owner)->send(text, length, errorCode);
    if (currentTraceLevel() >= 3)
      quex::detail::traceExit(status, *errorCode, "qx_channel_send", nullptr);
    return status;
  });
}

} // namespace

QXChannel* QxChannelFactory::create(QxChannelWrapper* wrapper) {
  auto* table = new QXChannel{wrapper, &channelSend};
  wrapper->registerHandle(table);
  return table;
}
