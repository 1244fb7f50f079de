// xml_direct: c_module with libquex linked, whose create parses its text with
// the XML service directly, never through the host's table, as a module using
// the document classes does. In a child the service must be ready before the
// module's first call, though the child itself never needed a document.
#include <quex/qx.h>
#include <quex/xml/QXXMLFactory.h>

extern "C" QXStatus c_module_create_check(const char* text) {
  QXXML* document = QXXMLFactory::createDocumentFromContents(text);
  char buffer[256];
  size_t needed = 0;
  const QXStatus status = document->doc2string(document->owner, buffer, sizeof buffer, &needed);
  document->dispose(document->owner);
  return status;
}
