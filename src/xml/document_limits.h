// What the XML service accepts from a document it is handed: documents come
// from modules and child processes and are not trusted. Nothing outside the
// text is ever read (no external DTD, no external entity, no network), entity
// expansion is bounded in references and in the memory it fills, and so is
// element nesting, because the serialiser descends one call per level.
#ifndef QUEX_SRC_XML_DOCUMENT_LIMITS_H
#define QUEX_SRC_XML_DOCUMENT_LIMITS_H

#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/framework/MemoryManager.hpp>
#include <xercesc/parsers/SAXParser.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <cstddef>

namespace quex::xml {

// Entity references expanded in one document, nested ones included; a
// "billion laughs" document is refused once it gets there.
constexpr XMLSize_t kEntityExpansionLimit = 2000;
// Elements nested deeper than this are refused when parsed and when serialised.
constexpr size_t kMaxElementDepth = 10000;
// What one parse may hold at once: a floor, and so many bytes per byte of
// text. Ordinary documents take up to about 80 bytes per byte (a text of
// nothing but empty elements); one whose few entities expand into a large
// tree (a big entity referenced again and again, a long attribute default
// copied onto many elements) is refused once it gets there, before it holds
// the host's memory or time.
constexpr size_t kParseMemoryFloor = size_t{16} << 20;
constexpr size_t kParseMemoryPerTextByte = 256;

// A parse that keeps no tree is charged, for what it hands on, no more than
// the tree would have held: each character as its UTF-16 unit, each element
// and attribute as one node. So a text whose tree would be refused for its
// memory is refused when it streams past too, long before the end of its
// expansion, and an ordinary text never comes near its budget.
constexpr size_t kStreamedNodeBytes = 64;

// The bytes one parse of a `length`-byte text may hold.
size_t parseMemoryBudget(size_t length) noexcept;

// The parser's allocator: keeps count of the bytes it holds and, when a parse
// would hold more than the budget set for it, throws the library's
// out-of-memory exception, which unwinds the parse. Outside a parse (the
// document built is kept and may grow) it only counts.
class ParseMemory : public XERCES_CPP_NAMESPACE::MemoryManager {
public:
  // From now on, at most `bytes` more than held now.
  void limitTo(size_t bytes) noexcept;
  // Ends the parse's budget and gives back what `charge` counted.
  void lift() noexcept;
  // Counts `bytes` as held until `lift`, like an allocation of the parse.
  void charge(size_t bytes);
  XERCES_CPP_NAMESPACE::MemoryManager* getExceptionMemoryManager() override;
  void* allocate(XMLSize_t size) override;
  void deallocate(void* pointer) override;

private:
  static constexpr size_t kUnlimited = ~size_t{0};
  void refuseBeyondLimit(size_t bytes) const;
  size_t limit_ = kUnlimited;
  size_t held_ = 0;
  size_t charged_ = 0;
};

// A parser of the library's kind `Base` (the one that builds a document, or
// the one that hands each piece on as it is read) that refuses every external
// resource and stops at the limits. Both kinds take these settings and no
// others. Its allocator is a base listed first, so it is made before the
// parser and outlives it: the parser and its document free through it until
// the end.
template <class Base>
class Guarded : private ParseMemory, public Base {
public:
  Guarded();

  // Parses `text`; true when it is well-formed and within the limits. On
  // false no document is kept, and after a parse that ran out of its memory
  // the parser must not be used again (`spent()`).
  bool parseWithinLimits(const char* text, size_t length);
  bool spent() const noexcept { return spent_; }

  // Refuses every external entity and DTD without opening anything.
  XERCES_CPP_NAMESPACE::InputSource*
  resolveEntity(XERCES_CPP_NAMESPACE::XMLResourceIdentifier* resource) override;
  void startElement(const XERCES_CPP_NAMESPACE::XMLElementDecl& declaration, unsigned int urlId,
                    const XMLCh* prefix,
                    const XERCES_CPP_NAMESPACE::RefVectorOf<XERCES_CPP_NAMESPACE::XMLAttr>& attributes,
                    XMLSize_t attributeCount, bool isEmpty, bool isRoot) override;
  void endElement(const XERCES_CPP_NAMESPACE::XMLElementDecl& declaration, unsigned int urlId,
                  bool isRoot, const XMLCh* prefix) override;

protected:
  // For a parser that keeps no document: counts what it hands on against the
  // parse's budget, as if it held it.
  using ParseMemory::charge;

private:
  XERCES_CPP_NAMESPACE::SecurityManager security_;
  size_t depth_ = 0;
  bool refused_ = false; // an external resource was asked for, or nesting went too deep
  bool spent_ = false;   // a parse was unwound by its memory budget
};

extern template class Guarded<XERCES_CPP_NAMESPACE::XercesDOMParser>;
extern template class Guarded<XERCES_CPP_NAMESPACE::SAXParser>;

// The parser of documents kept as a tree.
using GuardedParser = Guarded<XERCES_CPP_NAMESPACE::XercesDOMParser>;

// True when no element under `node` lies more than kMaxElementDepth levels
// below it (a document's root element is level 1). Walks without recursion.
bool withinDepthLimit(const XERCES_CPP_NAMESPACE::DOMNode* node) noexcept;

} // namespace quex::xml

#endif // QUEX_SRC_XML_DOCUMENT_LIMITS_H
