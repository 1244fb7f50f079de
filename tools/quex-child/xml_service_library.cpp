// quex-child-xml: the XML service as the child uses it, in a library of its
// own. It links libquex and with it the XML parser and the parser's own long
// list of libraries, whose loading is most of a program's start; the child
// opens this library only when a module first needs a document, so a module
// that never does starts without any of them. Plain C entry points: the child
// finds them by name.
#include <quex/qx.h>
#include <quex/xml/QXXMLFactory.h>
#include <quex/xml/QXXMLWrapper.h>

#include <iostream>

// The parser reports parse failures on std::cout: the C++ runtime this
// library uses, which need not be the child program's own. The child has
// already pointed its standard output at standard error; sharing std::cerr's
// buffer keeps those messages in order with the other diagnostics, as in
// process.
QX_MODULE_EXPORT void quex_child_xml_start() {
  std::cout.rdbuf(std::cerr.rdbuf());
  QXXMLWrapper::startup();
}

QX_MODULE_EXPORT void quex_child_xml_stop() { QXXMLWrapper::shutdown(); }

QX_MODULE_EXPORT QXStatus quex_child_xml_new_document(const char* rootName, QXXML** document) {
  try {
    *document = QXXMLFactory::createDocument(rootName != nullptr ? rootName : "");
    return QX_OK;
  } catch (...) {
    return QX_ERR_XML;
  }
}

QX_MODULE_EXPORT QXStatus quex_child_xml_document_from_contents(const char* text,
                                                              QXXML** document) {
  try {
    *document = QXXMLFactory::createDocumentFromContents(text != nullptr ? text : "");
    return QX_OK;
  } catch (...) {
    return QX_ERR_XML;
  }
}
