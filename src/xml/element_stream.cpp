// The streaming reader of element_stream.h: the guarded parser of the kind
// that builds no tree, keeping only the open elements and the text of the
// watched ones among them.
#include "element_stream.h"

#include "document_limits.h"
#include "utf8.h"

#include <xercesc/framework/XMLAttr.hpp>
#include <xercesc/framework/XMLElementDecl.hpp>
#include <xercesc/util/XMLString.hpp>

#include <new>
#include <vector>

XERCES_CPP_NAMESPACE_USE

namespace quex::xml {
namespace {

constexpr size_t kUnwatched = ~size_t{0};

// Whether the UTF-16 `name` is the ASCII `ascii`.
bool sameName(const XMLCh* name, const char* ascii) noexcept {
  for (; *ascii != '\0'; ++name, ++ascii)
    if (*name != static_cast<unsigned char>(*ascii)) return false;
  return *name == 0;
}

class ElementStream final : public Guarded<SAXParser>, private OpeningElement {
public:
  ElementStream(std::initializer_list<const char*> watched, ElementEvents& events)
      : watched_(watched), events_(events) {}

  void startElement(const XMLElementDecl& declaration, unsigned int urlId, const XMLCh* prefix,
                    const RefVectorOf<XMLAttr>& attributes, XMLSize_t attributeCount, bool isEmpty,
                    bool isRoot) override {
    Guarded::startElement(declaration, urlId, prefix, attributes, attributeCount, isEmpty, isRoot);
    charge(kStreamedNodeBytes * (1 + attributeCount));
    for (XMLSize_t i = 0; i < attributeCount; ++i)
      charge(XMLString::stringLen(attributes.elementAt(i)->getValue()) * sizeof(XMLCh));
    const size_t name = watchedIndex(declaration.getFullName());
    if (name != kUnwatched) {
      attributes_ = &attributes;
      attributeCount_ = attributeCount;
      events_.opened(name, isRoot, *this);
      attributes_ = nullptr;
      if (isEmpty) {
        text_.clear();
        events_.closed(name, text_);
      }
    }
    if (isEmpty) return;
    if (name != kUnwatched && texts_.size() == watchedOpen_) texts_.emplace_back();
    open_.push_back(Open{name, entityDepth_});
    if (name != kUnwatched) ++watchedOpen_;
  }

  void endElement(const XMLElementDecl& declaration, unsigned int urlId, bool isRoot,
                  const XMLCh* prefix) override {
    Guarded::endElement(declaration, urlId, isRoot, prefix);
    if (open_.empty()) return;
    const size_t name = open_.back().name;
    open_.pop_back();
    if (name == kUnwatched) return;
    std::basic_string<XMLCh>& own = texts_[--watchedOpen_];
    text_.clear();
    appendUtf8(own.c_str(), text_);
    own.clear();
    events_.closed(name, text_);
  }

  void docCharacters(const XMLCh* chars, XMLSize_t length, bool cdataSection) override {
    charge(length * sizeof(XMLCh));
    if (!cdataSection) keepOwnText(chars, length);
  }

  // The tree keeps white space the document's declarations make ignorable as text too.
  void ignorableWhitespace(const XMLCh* chars, XMLSize_t length, bool /*cdataSection*/) override {
    charge(length * sizeof(XMLCh));
    keepOwnText(chars, length);
  }

  // Text inside an entity reference belongs to the reference, not to the
  // element around it; elements inside it are the element's as usual.
  void startEntityReference(const XMLEntityDecl& /*declaration*/) override { ++entityDepth_; }
  void endEntityReference(const XMLEntityDecl& /*declaration*/) override {
    if (entityDepth_ > 0) --entityDepth_;
  }

private:
  struct Open {
    size_t name;        // among the watched, or kUnwatched
    size_t entityDepth; // entity references open around its start
  };

  size_t watchedIndex(const XMLCh* name) const noexcept {
    size_t index = 0;
    for (const char* candidate : watched_) {
      if (sameName(name, candidate)) return index;
      ++index;
    }
    return kUnwatched;
  }

  void keepOwnText(const XMLCh* chars, XMLSize_t length) {
    if (open_.empty()) return; // outside the root element
    const Open& top = open_.back();
    if (top.name == kUnwatched || top.entityDepth != entityDepth_) return;
    texts_[watchedOpen_ - 1].append(chars, length);
  }

  bool attribute(const char* name, std::string& value) const override {
    for (XMLSize_t i = 0; i < attributeCount_; ++i) {
      const XMLAttr* found = attributes_->elementAt(i);
      if (!sameName(found->getQName(), name)) continue;
      value.clear();
      appendUtf8(found->getValue(), value);
      return true;
    }
    return false;
  }

  std::initializer_list<const char*> watched_;
  ElementEvents& events_;
  std::vector<Open> open_;
  // The own text of each open watched element, innermost last; kept for reuse.
  std::vector<std::basic_string<XMLCh>> texts_;
  size_t watchedOpen_ = 0;
  size_t entityDepth_ = 0;
  std::string text_; // handed on when an element closes
  const RefVectorOf<XMLAttr>* attributes_ = nullptr;
  XMLSize_t attributeCount_ = 0;
};

} // namespace

bool streamElements(const char* text, size_t length, std::initializer_list<const char*> watched,
                    ElementEvents& events) {
  ElementStream stream(watched, events);
  try {
    return stream.parseWithinLimits(text, length);
  } catch (const std::bad_alloc&) {
    return false; // like a parse that runs out of its budget
  }
}

} // namespace quex::xml
