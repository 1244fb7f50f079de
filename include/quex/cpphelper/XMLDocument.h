// XMLDocument - a document owned by its copies: the last copy to go away
// releases it with everything made from it. Element operations act on the root.
#ifndef QUEX_CPPHELPER_XMLDOCUMENT_H
#define QUEX_CPPHELPER_XMLDOCUMENT_H

#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/XMLElement.h>
#include <quex/export.h>
#include <quex/qx.h>

#include <string>

namespace ExtensionCppHelper {

class QUEX_API XMLDocument : public XMLElement {
public:
  XMLDocument(QXXML* xml = nullptr);
  XMLDocument(const XMLDocument& other);
  XMLDocument& operator=(const XMLDocument& other);
  ~XMLDocument() override;

  // Documents made through the host's table; XMLException() when the host refuses.
  static XMLDocument createNew(QXHost* host, const char* rootName);
  static XMLDocument createFromString(QXHost* host, const char* text);

  void doc2string(std::string& text);
  // Releases the document now. Every copy then reads as invalid and the last
  // of them releases nothing more.
  void dispose();

private:
  // Lets go of the shared handle and count; the last holder releases the document.
  void leave(bool throwOnFailure);

  AccessCount accessCount;
  QXXML** handleCell;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_XMLDOCUMENT_H
