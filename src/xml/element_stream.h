// Reading a document as it streams past instead of as a tree, for documents
// read once from start to end whose tree would cost more than the reading (a
// progress report of 100,000 diagnostics). The parser has the same settings
// and limits as the one that builds trees (document_limits.h).
#ifndef QUEX_SRC_XML_ELEMENT_STREAM_H
#define QUEX_SRC_XML_ELEMENT_STREAM_H

#include <cstddef>
#include <initializer_list>
#include <string>

namespace quex::xml {

// An element while it opens; valid during that call only.
class OpeningElement {
public:
  // The value of the attribute `name` (ASCII) as the tree gives it, in UTF-8;
  // false when the element has no such attribute.
  virtual bool attribute(const char* name, std::string& value) const = 0;

protected:
  ~OpeningElement() = default;
};

// What a stream hands on, in document order, for the elements it watches.
class ElementEvents {
public:
  // An element opened; `name` is the index of its name among the watched ones.
  virtual void opened(size_t name, bool isRoot, const OpeningElement& element) = 0;
  // The element last opened closed. `text` is its own text as the tree holds
  // it, in UTF-8: its text children joined, without the text of its child
  // elements, of CDATA sections and of entity references. It may be moved from.
  virtual void closed(size_t name, std::string& text) = 0;

protected:
  ~ElementEvents() = default;
};

// Reads the `length` bytes of `text`, telling `events` of every element whose
// name is one of `watched` (ASCII). False when the text is not well-formed or
// goes beyond the limits; the events of the part read before have been handed
// on by then, so a caller acts on them only after true.
bool streamElements(const char* text, size_t length, std::initializer_list<const char*> watched,
                    ElementEvents& events);

} // namespace quex::xml

#endif // QUEX_SRC_XML_ELEMENT_STREAM_H
