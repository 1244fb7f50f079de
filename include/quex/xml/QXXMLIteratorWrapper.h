// QXXMLIteratorWrapper - a forward walk over an element's children or its
// named descendants, yielding element handles or texts. Owned by the
// QXXMLWrapper that made it; everything it hands out lives as long as it does.
#ifndef QUEX_XML_QXXMLITERATORWRAPPER_H
#define QUEX_XML_QXXMLITERATORWRAPPER_H

#include <quex/export.h>
#include <quex/qx.h>
#include <quex/xml/xerces_fwd.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class QXXMLWrapper;

class QUEX_API QXXMLIteratorWrapper {
public:
  enum FilterType : int32_t { FILTER_ELEMENTS = 0, FILTER_TEXT = 1 };

  // Walks `list` (not owned; the DOM keeps it current) of `node`. Only the
  // nodes the list holds now are visited.
  QXXMLIteratorWrapper(XERCES_CPP_NAMESPACE::DOMNode* node, XERCES_CPP_NAMESPACE::DOMNodeList* list,
                       FilterType filter);
  ~QXXMLIteratorWrapper();
  QXXMLIteratorWrapper(const QXXMLIteratorWrapper&) = delete;
  QXXMLIteratorWrapper& operator=(const QXXMLIteratorWrapper&) = delete;

  // *result = 1 while a matching node remains; does not move. Always QX_OK.
  QXStatus hasMoreItems(int* result);
  // *item = a QXXMLWrapper* (elements) or a const char* (texts), both owned by
  // this iterator; at the end *item = null and QX_ERR_NO_DATA.
  QXStatus nextItem(void** item);
  // Detaches the node the last nextItem returned; QX_ERR_XML when there is none.
  QXStatus deleteItem();
  // Nothing to do: the iterator is released with its document. QX_OK.
  QXStatus close();

  FilterType getFilter() const noexcept { return filter_; }
  // Adopts `table`, freed with this iterator.
  void registerHandle(QXXMLIterator* table);

private:
  bool passesFilter(XERCES_CPP_NAMESPACE::DOMNode* n) const noexcept;
  XERCES_CPP_NAMESPACE::DOMNode* nodeAt(size_t index) noexcept;
  void rememberNode(size_t index, XERCES_CPP_NAMESPACE::DOMNode* n) noexcept;

  size_t count_;
  XERCES_CPP_NAMESPACE::DOMNode* node_;
  XERCES_CPP_NAMESPACE::DOMNodeList* list_;
  size_t position_ = 0;
  int32_t lastIndex_ = -1;
  FilterType filter_;
  std::vector<std::unique_ptr<QXXMLWrapper>> elementWrappers_;
  // A list keeps every handed-out pointer stable and, unlike a deque, costs
  // nothing for the many iterators that never hand out a text.
  std::list<std::string> texts_;
  std::vector<std::unique_ptr<QXXMLIterator>> handles_;

  // A child list answers item(i) by walking from the first child; remembering
  // the last node reached keeps a full walk linear instead of quadratic.
  bool childList_;
  size_t rememberedIndex_ = 0;
  XERCES_CPP_NAMESPACE::DOMNode* rememberedNode_ = nullptr;
  uint64_t rememberedGeneration_ = 0;
};

#endif // QUEX_XML_QXXMLITERATORWRAPPER_H
