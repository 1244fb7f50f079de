// The guarded parser and the nesting check of document_limits.h.
#include "document_limits.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/util/PlatformUtils.hpp>

XERCES_CPP_NAMESPACE_USE

namespace quex::xml {

GuardedParser::GuardedParser()
    : XercesDOMParser(nullptr, XMLPlatformUtils::fgMemoryManager, nullptr) {
  setValidationScheme(Val_Never);
  setDoSchema(false);
  setLoadExternalDTD(false);
  // A refused entity must not fall back to the library's own lookup of files
  // and URLs.
  setDisableDefaultEntityResolution(true);
  security_.setEntityExpansionLimit(kEntityExpansionLimit);
  setSecurityManager(&security_);
}

InputSource* GuardedParser::resolveEntity(XMLResourceIdentifier* /*resource*/) {
  refused_ = true;
  return nullptr;
}

void GuardedParser::startElement(const XMLElementDecl& declaration, unsigned int urlId,
                                 const XMLCh* prefix, const RefVectorOf<XMLAttr>& attributes,
                                 XMLSize_t attributeCount, bool isEmpty, bool isRoot) {
  if (depth_ + 1 > kMaxElementDepth) refused_ = true;
  if (!isEmpty) ++depth_;
  XercesDOMParser::startElement(declaration, urlId, prefix, attributes, attributeCount, isEmpty,
                                isRoot);
}

void GuardedParser::endElement(const XMLElementDecl& declaration, unsigned int urlId, bool isRoot,
                               const XMLCh* prefix) {
  if (depth_ > 0) --depth_;
  XercesDOMParser::endElement(declaration, urlId, isRoot, prefix);
}

bool GuardedParser::parseWithinLimits(const char* text, size_t length) {
  refused_ = false;
  depth_ = 0;
  reset();
  MemBufInputSource source(reinterpret_cast<const XMLByte*>(text), length, "id", false,
                           XMLPlatformUtils::fgMemoryManager);
  // Token by token, so a refusal stops the work at once instead of after the
  // whole text (or the whole expansion) was read.
  XMLPScanToken token;
  bool more = parseFirst(source, token);
  while (more && !refused_ && getErrorCount() == 0) more = parseNext(token);
  const bool failed = refused_ || getErrorCount() != 0;
  if (more) parseReset(token);
  if (failed) resetDocumentPool();
  return !failed;
}

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
