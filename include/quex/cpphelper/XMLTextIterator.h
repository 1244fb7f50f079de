// XMLTextIterator - a walk over an element's text children, shared by its
// copies; the last copy closes it.
#ifndef QUEX_CPPHELPER_XMLTEXTITERATOR_H
#define QUEX_CPPHELPER_XMLTEXTITERATOR_H

#include <quex/cpphelper/AccessCount.h>
#include <quex/export.h>
#include <quex/qx.h>

namespace ExtensionCppHelper {

class QUEX_API XMLTextIterator {
public:
  explicit XMLTextIterator(QXXMLIterator* iterator);
  XMLTextIterator(const XMLTextIterator& other);
  XMLTextIterator& operator=(const XMLTextIterator& other);
  virtual ~XMLTextIterator();

  bool hasMore();
  // The next text (UTF-8, valid until the document is released), or null at the end.
  const char* next();
  void deleteCurrentItem();
  virtual void close();

private:
  QXXMLIterator* iteratorHandle;
  AccessCount accessCount;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_XMLTEXTITERATOR_H
