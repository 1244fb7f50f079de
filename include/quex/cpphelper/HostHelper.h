// HostHelper - host information and document creation over a QXHost table.
#ifndef QUEX_CPPHELPER_HOSTHELPER_H
#define QUEX_CPPHELPER_HOSTHELPER_H

#include <quex/cpphelper/XMLDocument.h>
#include <quex/export.h>
#include <quex/qx.h>

namespace ExtensionCppHelper {

class QUEX_API HostHelper {
public:
  // A new helper over `host` (not owned); the caller deletes it.
  static HostHelper* create(QXHost* host);
  HostHelper& operator=(const HostHelper& other) = default;

  // The host information document; a document without a handle when the host fails.
  XMLDocument getHostInformation(int* errorCode);
  XMLDocument createNew(const char* rootName);
  XMLDocument createFromContents(const char* text);

private:
  explicit HostHelper(QXHost* hostTable) : host(hostTable) {}
  QXHost* host;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_HOSTHELPER_H
