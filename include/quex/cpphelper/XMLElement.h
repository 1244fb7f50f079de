// XMLElement - one element of a document, over its QXXML handle. Owns nothing:
// the handle belongs to the document tree and lives until the document is
// released. Every operation on an invalid element throws XMLException().
#ifndef QUEX_CPPHELPER_XMLELEMENT_H
#define QUEX_CPPHELPER_XMLELEMENT_H

#include <quex/cpphelper/XMLException.h>
#include <quex/export.h>
#include <quex/qx.h>

#include <cstdint>
#include <string>

namespace ExtensionCppHelper {

class XMLElementIterator;
class XMLTextIterator;

class QUEX_API XMLElement {
public:
  XMLElement(QXXML* xml = nullptr) : xmlHandle(xml) {}
  // A copy takes the handle as it is now; it never shares a document's cell.
  XMLElement(const XMLElement& other) : xmlHandle(other.handle()) {}
  XMLElement& operator=(const XMLElement& other);
  virtual ~XMLElement() = default;

  bool isValid() const { return handle() != nullptr; }

  void getName(std::string& name);
  bool hasAttribute(const std::string& name);
  // An absent attribute gives an empty value.
  void getAttribute(const std::string& name, std::string& value);
  std::string getAttribute(const std::string& name);
  // True when the text starts (after blanks) with a number; `value` is
  // unchanged otherwise.
  bool getAttribute(const std::string& name, double& value);
  bool getAttribute(const std::string& name, int64_t& value);
  void addAttribute(const std::string& name, const std::string& value);
  void addAttribute(const std::string& name, int64_t value);
  // Never throws for a failing status.
  void removeAttribute(const std::string& name);
  XMLElement addElement(const std::string& name);
  void addText(const std::string& text);

  // An empty name means the element children; otherwise every descendant of
  // that name, in document order.
  XMLElementIterator getElements(const std::string& name);
  XMLTextIterator getTextSections();
  XMLElement getElement(const std::string& name);
  XMLElement getElement(const std::string& name, int index);
  XMLElement getElementByAttribute(std::string name, const std::string& attribute,
                                   std::string value);

protected:
  // The handle as it stands now: a document reads it from the cell its copies share.
  QXXML* handle() const noexcept { return sharedHandle != nullptr ? *sharedHandle : xmlHandle; }
  // The handle, or XMLException() when there is none.
  QXXML* requireHandle() const;

  QXXML* xmlHandle;
  QXXML* const* sharedHandle = nullptr;
};

} // namespace ExtensionCppHelper

// The iterators that getElements and getTextSections return by value.
#include <quex/cpphelper/XMLElementIterator.h>
#include <quex/cpphelper/XMLTextIterator.h>

#endif // QUEX_CPPHELPER_XMLELEMENT_H
