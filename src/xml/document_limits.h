// What the XML service accepts from a document it is handed: documents come
// from modules and child processes and are not trusted. Nothing outside the
// text is ever read (no external DTD, no external entity, no network), entity
// expansion is bounded, and so is element nesting, because the serialiser
// descends one call per level.
#ifndef QUEX_SRC_XML_DOCUMENT_LIMITS_H
#define QUEX_SRC_XML_DOCUMENT_LIMITS_H

#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <cstddef>

namespace quex::xml {

// Entity references expanded in one document, nested ones included; a
// "billion laughs" document is refused once it gets there.
constexpr XMLSize_t kEntityExpansionLimit = 2000;
// Elements nested deeper than this are refused when parsed and when serialised.
constexpr size_t kMaxElementDepth = 10000;

// A DOM parser that refuses every external resource and stops at the limits.
class GuardedParser : public XERCES_CPP_NAMESPACE::XercesDOMParser {
public:
  GuardedParser();

  // Parses `text`; true when it is well-formed and within the limits. On
  // false no document is kept.
  bool parseWithinLimits(const char* text, size_t length);

  // Refuses every external entity and DTD without opening anything.
  XERCES_CPP_NAMESPACE::InputSource*
  resolveEntity(XERCES_CPP_NAMESPACE::XMLResourceIdentifier* resource) override;
  void startElement(const XERCES_CPP_NAMESPACE::XMLElementDecl& declaration, unsigned int urlId,
                    const XMLCh* prefix,
                    const XERCES_CPP_NAMESPACE::RefVectorOf<XERCES_CPP_NAMESPACE::XMLAttr>& attributes,
                    XMLSize_t attributeCount, bool isEmpty, bool isRoot) override;
  void endElement(const XERCES_CPP_NAMESPACE::XMLElementDecl& declaration, unsigned int urlId,
                  bool isRoot, const XMLCh* prefix) override;

private:
  XERCES_CPP_NAMESPACE::SecurityManager security_;
  size_t depth_ = 0;
  bool refused_ = false; // an external resource was asked for, or nesting went too deep
};

// True when no element under `node` lies more than kMaxElementDepth levels
// below it (a document's root element is level 1). Walks without recursion.
bool withinDepthLimit(const XERCES_CPP_NAMESPACE::DOMNode* node) noexcept;

} // namespace quex::xml

#endif // QUEX_SRC_XML_DOCUMENT_LIMITS_H
