// The guarded parser and the nesting check of document_limits.h.
#include "document_limits.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <cstddef>
#include <cstring>
#include <type_traits>

XERCES_CPP_NAMESPACE_USE

namespace quex::xml {

size_t parseMemoryBudget(size_t length) noexcept {
  constexpr size_t kLargest = ~size_t{0};
  if (length > (kLargest - kParseMemoryFloor) / kParseMemoryPerTextByte) return kLargest;
  return kParseMemoryFloor + length * kParseMemoryPerTextByte;
}

namespace {

// Each block starts with its size, so a release knows what it gives back;
// the header keeps the block's own alignment.
constexpr size_t kHeader = alignof(std::max_align_t);

} // namespace

void ParseMemory::limitTo(size_t bytes) noexcept {
  limit_ = bytes > kUnlimited - held_ ? kUnlimited : held_ + bytes;
}

void ParseMemory::lift() noexcept {
  limit_ = kUnlimited;
  held_ -= charged_;
  charged_ = 0;
}

void ParseMemory::refuseBeyondLimit(size_t bytes) const {
  if (limit_ != kUnlimited && (bytes > limit_ || held_ > limit_ - bytes))
    throw OutOfMemoryException();
}

void ParseMemory::charge(size_t bytes) {
  refuseBeyondLimit(bytes);
  held_ += bytes;
  charged_ += bytes;
}

MemoryManager* ParseMemory::getExceptionMemoryManager() {
  return XMLPlatformUtils::fgMemoryManager;
}

void* ParseMemory::allocate(XMLSize_t size) {
  if (size > kUnlimited - kHeader) throw OutOfMemoryException();
  const size_t block = size + kHeader;
  refuseBeyondLimit(block);
  auto* start = static_cast<unsigned char*>(XMLPlatformUtils::fgMemoryManager->allocate(block));
  std::memcpy(start, &block, sizeof block);
  held_ += block;
  return start + kHeader;
}

void ParseMemory::deallocate(void* pointer) {
  if (pointer == nullptr) return;
  unsigned char* start = static_cast<unsigned char*>(pointer) - kHeader;
  size_t block = 0;
  std::memcpy(&block, start, sizeof block);
  held_ -= block;
  XMLPlatformUtils::fgMemoryManager->deallocate(start);
}

// The parser that builds a document; the other one hands each piece on.
template <class Base>
constexpr bool kBuildsTree = std::is_base_of_v<AbstractDOMParser, Base>;

template <class Base>
Guarded<Base>::Guarded() : Base(nullptr, this, nullptr) {
  if constexpr (!kBuildsTree<Base>) {
    // The streaming parser has its scanner report to it only while a handler
    // of the standard interfaces is set; this one takes the events itself,
    // entity requests included.
    auto& scanner = const_cast<XMLScanner&>(Base::getScanner());
    scanner.setDocHandler(this);
    scanner.setEntityHandler(this);
  }
  Base::setValidationScheme(Base::Val_Never);
  Base::setDoSchema(false);
  Base::setLoadExternalDTD(false);
  // A refused entity must not fall back to the library's own lookup of files
  // and URLs.
  Base::setDisableDefaultEntityResolution(true);
  security_.setEntityExpansionLimit(kEntityExpansionLimit);
  Base::setSecurityManager(&security_);
}

template <class Base>
InputSource* Guarded<Base>::resolveEntity(XMLResourceIdentifier* /*resource*/) {
  refused_ = true;
  return nullptr;
}

template <class Base>
void Guarded<Base>::startElement(const XMLElementDecl& declaration, unsigned int urlId,
                                 const XMLCh* prefix, const RefVectorOf<XMLAttr>& attributes,
                                 XMLSize_t attributeCount, bool isEmpty, bool isRoot) {
  if (depth_ + 1 > kMaxElementDepth) refused_ = true;
  if (!isEmpty) ++depth_;
  Base::startElement(declaration, urlId, prefix, attributes, attributeCount, isEmpty, isRoot);
}

template <class Base>
void Guarded<Base>::endElement(const XMLElementDecl& declaration, unsigned int urlId, bool isRoot,
                               const XMLCh* prefix) {
  if (depth_ > 0) --depth_;
  Base::endElement(declaration, urlId, isRoot, prefix);
}

template <class Base>
bool Guarded<Base>::parseWithinLimits(const char* text, size_t length) {
  if (spent_) return false;
  refused_ = false;
  depth_ = 0;
  if constexpr (kBuildsTree<Base>) Base::reset();
  MemBufInputSource source(reinterpret_cast<const XMLByte*>(text), length, "id", false,
                           XMLPlatformUtils::fgMemoryManager);
  source.setCopyBufToStream(false); // the text outlives the parse
  limitTo(parseMemoryBudget(length));
  try {
    // Token by token, so a refusal stops the work at once instead of after
    // the whole text (or the whole expansion) was read.
    XMLPScanToken token;
    bool more = Base::parseFirst(source, token);
    while (more && !refused_ && Base::getErrorCount() == 0) more = Base::parseNext(token);
    const bool failed = refused_ || Base::getErrorCount() != 0;
    if (more) Base::parseReset(token);
    if constexpr (kBuildsTree<Base>) {
      if (failed) Base::resetDocumentPool();
    }
    lift();
    return !failed;
  } catch (const OutOfMemoryException&) {
    // The scanner's state is not to be trusted after this: the parser is done.
    lift();
    spent_ = true;
    return false;
  }
}

template class Guarded<XercesDOMParser>;
template class Guarded<SAXParser>;

bool withinDepthLimit(const DOMNode* node) noexcept {
  if (node == nullptr) return true;
  const DOMNode* const top = node;
  size_t depth = 0; // of `at` below `top`
  const DOMNode* at = node;
  // Pre-order walk with parent links: down to the first child, else to the
  // next sibling of the nearest ancestor that has one.
  for (;;) {
    if (const DOMNode* child = at->getFirstChild()) {
      at = child;
      if (++depth > kMaxElementDepth && at->getNodeType() == DOMNode::ELEMENT_NODE) return false;
      continue;
    }
    while (at != top && at->getNextSibling() == nullptr) {
      at = at->getParentNode();
      --depth;
    }
    if (at == top) return true;
    at = at->getNextSibling();
  }
}

} // namespace quex::xml
