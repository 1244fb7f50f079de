// XMLElementIterator - a walk over elements, shared by its copies; the last
// copy closes it.
#ifndef QUEX_CPPHELPER_XMLELEMENTITERATOR_H
#define QUEX_CPPHELPER_XMLELEMENTITERATOR_H

#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/XMLElement.h>
#include <quex/export.h>
#include <quex/qx.h>

namespace ExtensionCppHelper {

class QUEX_API XMLElementIterator {
public:
  explicit XMLElementIterator(QXXMLIterator* iterator);
  XMLElementIterator(const XMLElementIterator& other);
  XMLElementIterator& operator=(const XMLElementIterator& other);
  virtual ~XMLElementIterator();

  bool hasMore();
  // The next element, or an invalid one at the end (no exception).
  XMLElement next();
  void deleteCurrentItem();
  virtual void close();

private:
  QXXMLIterator* iteratorHandle;
  AccessCount accessCount;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_XMLELEMENTITERATOR_H
