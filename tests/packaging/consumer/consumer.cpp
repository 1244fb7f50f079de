// A host built against an installed quex: it must compile and link with the
// public headers and library alone, XML service included.
#include <quex/quex.hpp>

#include <cstdio>

int main() {
  ExtensionWrapper wrapper;
  int errorCode = 0;
  // Nothing is loaded, so the call is refused; the status name proves the link.
  if (wrapper.qx_cleanup(&errorCode) == QX_OK) return 1;

  QXXMLWrapper::startup();
  QXXML* document = QXXMLFactory::createDocument("Probe");
  char text[256];
  size_t needed = 0;
  QXStatus status = document->doc2string(document->owner, text, sizeof text, &needed);
  document->dispose(document->owner);
  QXXMLWrapper::shutdown();
  if (status != QX_OK) return 1;
  std::printf("%s %s\n", ExtensionWrapper::QXStatus2String(QX_ERR_NO_DATA), text);
  return 0;
}
