// QxChannelWrapper: receives a component's messages during an interaction.
// The host derives from it and implements send.
#ifndef QUEX_SERVICES_QXCHANNELWRAPPER_H
#define QUEX_SERVICES_QXCHANNELWRAPPER_H

#include <quex/export.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/qx.h>
#include <quex/services/TableList.h>

#include <cstddef>

class QUEX_API QxChannelWrapper {
public:
  explicit QxChannelWrapper(ExtensionWrapper* extension) : extension_(extension) {}
  // Copies share the extension but start without tables (TableList).
  QxChannelWrapper(const QxChannelWrapper& other) = default;
  QxChannelWrapper& operator=(const QxChannelWrapper& other) = default;
  virtual ~QxChannelWrapper();

  // A message of `length` bytes from the component; status and error code go
  // back to it unchanged.
  virtual QXStatus send(const char* text, size_t length, int* errorCode) = 0;

  ExtensionWrapper* getExtension() const { return extension_; }

  // Called by QxChannelFactory only; the wrapper owns the table from then on.
  void registerHandle(QXChannel* table);
  size_t getHandleCount() const { return handles_.size(); }

private:
  ExtensionWrapper* extension_;
  quex::TableList<QXChannel> handles_;
};

#endif // QUEX_SERVICES_QXCHANNELWRAPPER_H
