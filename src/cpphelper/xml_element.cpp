// XMLElement: each operation is one QXXML member, a failing status an XMLException.
#include "integer_text.h"
#include "text_fetch.h"

#include <quex/cpphelper/XMLElement.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace ExtensionCppHelper {
namespace {

void check(QXStatus status) {
  if (status != QX_OK) throw XMLException();
}

QXXMLIterator* elementIteratorFor(QXXML* xml, const std::string& name) {
  QXXMLIterator* iterator = nullptr;
  if (xml->getElementIterator(xml->owner, name.c_str(), &iterator) != QX_OK)
    throw XMLException("No such elements found.");
  return iterator;
}

void requireMatches(XMLElementIterator& iterator, const std::string& name) {
  if (!iterator.hasMore()) throw XMLException("No child elements with name '" + name + "' found.");
}

} // namespace

XMLElement& XMLElement::operator=(const XMLElement& other) {
  xmlHandle = other.handle();
  return *this;
}

QXXML* XMLElement::requireHandle() const {
  QXXML* xml = handle();
  if (xml == nullptr) throw XMLException();
  return xml;
}

void XMLElement::getName(std::string& name) {
  QXXML* xml = requireHandle();
  check(detail::fetchText(detail::kNameBufferSize, name, [&](char* b, size_t s, size_t* n) {
    return xml->getName(xml->owner, b, s, n);
  }));
}

bool XMLElement::hasAttribute(const std::string& name) {
  QXXML* xml = requireHandle();
  int result = 0;
  check(xml->hasAttribute(xml->owner, name.c_str(), &result));
  return result != 0;
}

void XMLElement::getAttribute(const std::string& name, std::string& value) {
  QXXML* xml = requireHandle();
  check(detail::fetchText(detail::kNameBufferSize, value, [&](char* b, size_t s, size_t* n) {
    return xml->getAttribute(xml->owner, name.c_str(), b, s, n);
  }));
}

std::string XMLElement::getAttribute(const std::string& name) {
  std::string value;
  getAttribute(name, value);
  return value;
}

bool XMLElement::getAttribute(const std::string& name, double& value) {
  const std::string text = getAttribute(name);
  const char* start = text.c_str();
  char* end = nullptr;
  const double parsed = std::strtod(start, &end);
  if (end == start) return false;
  value = parsed;
  return true;
}

bool XMLElement::getAttribute(const std::string& name, int64_t& value) {
  return detail::readInteger(getAttribute(name).c_str(), value);
}

void XMLElement::addAttribute(const std::string& name, const std::string& value) {
  QXXML* xml = requireHandle();
  check(xml->addAttribute(xml->owner, name.c_str(), value.c_str()));
}

void XMLElement::addAttribute(const std::string& name, int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%" PRId64, value);
  addAttribute(name, std::string(text));
}

void XMLElement::removeAttribute(const std::string& name) {
  QXXML* xml = requireHandle();
  xml->removeAttribute(xml->owner, name.c_str()); // the status is of no interest here
}

XMLElement XMLElement::addElement(const std::string& name) {
  QXXML* xml = requireHandle();
  QXXML* child = nullptr;
  check(xml->addElement(xml->owner, name.c_str(), &child));
  return XMLElement(child);
}

void XMLElement::addText(const std::string& text) {
  QXXML* xml = requireHandle();
  check(xml->addText(xml->owner, text.c_str()));
}

XMLElementIterator XMLElement::getElements(const std::string& name) {
  QXXML* xml = requireHandle();
  QXXMLIterator* iterator = nullptr;
  check(xml->getElementIterator(xml->owner, name.c_str(), &iterator));
  return XMLElementIterator(iterator);
}

XMLTextIterator XMLElement::getTextSections() {
  QXXML* xml = requireHandle();
  QXXMLIterator* iterator = nullptr;
  check(xml->getTextIterator(xml->owner, &iterator));
  return XMLTextIterator(iterator);
}

XMLElement XMLElement::getElement(const std::string& name) { return getElement(name, 0); }

XMLElement XMLElement::getElement(const std::string& name, int index) {
  XMLElementIterator iterator(elementIteratorFor(requireHandle(), name));
  requireMatches(iterator, name);
  XMLElement result;
  for (long long i = 0; i <= index; ++i) {
    try {
      result = iterator.next();
    } catch (const XMLException&) {
      result = XMLElement();
    }
    if (!result.isValid())
      throw XMLException("Element at index '" + std::to_string(index) + "' not found.");
  }
  return result;
}

XMLElement XMLElement::getElementByAttribute(std::string name, const std::string& attribute,
                                             std::string value) {
  XMLElementIterator iterator(elementIteratorFor(requireHandle(), name));
  requireMatches(iterator, name);
  while (iterator.hasMore()) {
    XMLElement candidate = iterator.next();
    if (!candidate.isValid() || !candidate.hasAttribute(attribute)) continue;
    if (candidate.getAttribute(attribute) == value) return candidate;
  }
  throw XMLException("No element with name '" + name + "' and attribute '" + attribute + "' found");
}

} // namespace ExtensionCppHelper
