// QXXMLIteratorWrapper: walking a live DOM node list forward.
#include "utf8.h"

#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>

#include <xercesc/dom/DOM.hpp>

#include <atomic>

XERCES_CPP_NAMESPACE_USE

namespace {

// Bumped by every node an iterator detaches. A remembered child position is
// trusted only while no detach happened since, so removals made through other
// iterators of the same element cannot leave it pointing at the wrong index.
std::atomic<uint64_t> detachGeneration{0};

} // namespace

QXXMLIteratorWrapper::QXXMLIteratorWrapper(DOMNode* node, DOMNodeList* list, FilterType filter)
    : count_(list->getLength()), node_(node), list_(list), filter_(filter),
      childList_(node != nullptr && list == node->getChildNodes()) {}

QXXMLIteratorWrapper::~QXXMLIteratorWrapper() {
  elementWrappers_.clear();
  texts_.clear();
  handles_.clear();
}

bool QXXMLIteratorWrapper::passesFilter(DOMNode* n) const noexcept {
  const DOMNode::NodeType type = n->getNodeType();
  return filter_ == FILTER_ELEMENTS ? type == DOMNode::ELEMENT_NODE : type == DOMNode::TEXT_NODE;
}

void QXXMLIteratorWrapper::rememberNode(size_t index, DOMNode* n) noexcept {
  rememberedIndex_ = index;
  rememberedNode_ = n;
  rememberedGeneration_ = detachGeneration.load(std::memory_order_relaxed);
}

DOMNode* QXXMLIteratorWrapper::nodeAt(size_t index) noexcept {
  if (!childList_) return list_->item(index); // the deep list keeps its own place
  DOMNode* n = nullptr;
  if (rememberedNode_ != nullptr && index >= rememberedIndex_ &&
      rememberedGeneration_ == detachGeneration.load(std::memory_order_relaxed)) {
    n = rememberedNode_;
    for (size_t i = rememberedIndex_; i < index && n != nullptr; ++i) n = n->getNextSibling();
  } else {
    n = list_->item(index);
  }
  if (n != nullptr) rememberNode(index, n);
  return n;
}

QXStatus QXXMLIteratorWrapper::hasMoreItems(int* result) {
  for (size_t i = position_; i < count_; ++i) {
    DOMNode* n = nodeAt(i);
    if (n != nullptr && passesFilter(n)) {
      *result = 1;
      return QX_OK;
    }
  }
  *result = 0;
  return QX_OK;
}

QXStatus QXXMLIteratorWrapper::nextItem(void** item) {
  DOMNode* n = nullptr;
  while (position_ < count_) {
    n = nodeAt(position_);
    if (n != nullptr && passesFilter(n)) break;
    ++position_;
  }
  if (position_ >= count_) {
    *item = nullptr;
    return QX_ERR_NO_DATA;
  }
  try {
    if (filter_ == FILTER_ELEMENTS) {
      auto wrapper = std::make_unique<QXXMLWrapper>();
      wrapper->createFromElement(static_cast<DOMElement*>(n));
      elementWrappers_.push_back(std::move(wrapper));
      *item = elementWrappers_.back().get();
    } else {
      texts_.push_back(quex::xml::toUtf8(n->getNodeValue()));
      *item = const_cast<char*>(texts_.back().c_str());
    }
  } catch (...) {
    return QX_ERR_XML;
  }
  lastIndex_ = static_cast<int32_t>(position_);
  ++position_;
  return QX_OK;
}

QXStatus QXXMLIteratorWrapper::deleteItem() {
  if (lastIndex_ < 0) return QX_ERR_XML;
  const size_t index = static_cast<size_t>(lastIndex_);
  DOMNode* victim = nodeAt(index);
  if (victim == nullptr) return QX_ERR_XML;
  DOMNode* before = victim->getPreviousSibling();
  try {
    node_->removeChild(victim); // the detached node stays with the document
  } catch (...) {
    return QX_ERR_XML; // not a direct child of the walked element
  }
  detachGeneration.fetch_add(1, std::memory_order_relaxed);
  rememberedNode_ = nullptr;
  if (childList_ && before != nullptr && index > 0) rememberNode(index - 1, before);
  --lastIndex_;
  --position_;
  --count_;
  return QX_OK;
}

QXStatus QXXMLIteratorWrapper::close() { return QX_OK; }

void QXXMLIteratorWrapper::registerHandle(QXXMLIterator* table) { handles_.emplace_back(table); }
