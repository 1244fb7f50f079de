// Element operations of QXXMLWrapper. A DOM or transcoding exception (an
// invalid name, bytes that are not UTF-8) ends the operation with QX_ERR_XML:
// nothing escapes towards the C tables.
#include "../common/text_return.h"
#include "utf8.h"

#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/dom/impl/DOMDeepNodeListImpl.hpp>
#include <xercesc/util/XMLString.hpp>

#include <stdexcept>

XERCES_CPP_NAMESPACE_USE

using quex::xml::fromUtf8;
using quex::detail::returnText;
using quex::xml::toUtf8;
using quex::xml::Utf16Text;

namespace {

template <typename Operation>
QXStatus guarded(DOMElement* element, Operation&& operation) noexcept {
  if (element == nullptr) return QX_ERR_XML;
  try {
    return operation();
  } catch (...) {
    return QX_ERR_XML;
  }
}

QXStatus returnUtf8(const XMLCh* text, char* buffer, size_t bufferSize, size_t* needed) {
  const std::string utf8 = toUtf8(text);
  return returnText(utf8.data(), utf8.size(), buffer, bufferSize, needed);
}

// An attribute name converted with the library's own local-code-page
// transcoding (the same as UTF-8 for ASCII names).
class LocalName {
public:
  explicit LocalName(const char* name) : units_(XMLString::transcode(name)) {
    if (units_ == nullptr) throw std::invalid_argument("name not in the local code page");
  }
  ~LocalName() { XMLString::release(&units_); }
  LocalName(const LocalName&) = delete;
  LocalName& operator=(const LocalName&) = delete;
  operator const XMLCh*() const noexcept { return units_; }

private:
  XMLCh* units_;
};

} // namespace

QXStatus QXXMLWrapper::getName(char* buffer, size_t bufferSize, size_t* needed) {
  return guarded(element_, [&] { return returnUtf8(element_->getTagName(), buffer, bufferSize, needed); });
}

QXStatus QXXMLWrapper::hasAttribute(const char* name, int* result) {
  return guarded(element_, [&] {
    const Utf16Text attribute = fromUtf8(name);
    *result = element_->hasAttribute(attribute) ? 1 : 0;
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::getAttribute(const char* name, char* buffer, size_t bufferSize,
                                    size_t* needed) {
  return guarded(element_, [&] {
    const LocalName attribute(name);
    return returnUtf8(element_->getAttribute(attribute), buffer, bufferSize, needed);
  });
}

QXStatus QXXMLWrapper::removeAttribute(const char* name) {
  return guarded(element_, [&] {
    element_->removeAttribute(fromUtf8(name));
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::addAttribute(const char* name, const char* value) {
  return guarded(element_, [&] {
    const Utf16Text attribute = fromUtf8(name);
    const Utf16Text text = fromUtf8(value);
    element_->setAttribute(attribute, text);
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::addElement(const char* name, QXXMLWrapper** child) {
  return guarded(element_, [&] {
    const Utf16Text tag = fromUtf8(name);
    DOMElement* made = element_->getOwnerDocument()->createElement(tag);
    element_->appendChild(made);
    children_.push_back(std::unique_ptr<QXXMLWrapper>(new QXXMLWrapper(made)));
    *child = children_.back().get();
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::addText(const char* text) {
  return guarded(element_, [&] {
    const Utf16Text value = fromUtf8(text);
    element_->appendChild(element_->getOwnerDocument()->createTextNode(value));
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::getElementIterator(const char* name, QXXMLIteratorWrapper** iterator) {
  return guarded(element_, [&] {
    DOMNodeList* list = nullptr;
    if (name[0] == '\0') {
      list = element_->getChildNodes();
    } else {
      // The same live list getElementsByTagName gives, but owned here: the
      // document keeps those in a table of fixed size that every later call
      // searches, so one list per element of a long document costs time
      // quadratic in the number of elements.
      namedLists_.push_back(
          std::make_unique<DOMDeepNodeListImpl>(element_, fromUtf8(name).get()));
      list = namedLists_.back().get();
    }
    iterators_.push_back(std::make_unique<QXXMLIteratorWrapper>(
        element_, list, QXXMLIteratorWrapper::FILTER_ELEMENTS));
    *iterator = iterators_.back().get();
    return QX_OK;
  });
}

QXStatus QXXMLWrapper::getTextIterator(QXXMLIteratorWrapper** iterator) {
  return guarded(element_, [&] {
    iterators_.push_back(std::make_unique<QXXMLIteratorWrapper>(
        element_, element_->getChildNodes(), QXXMLIteratorWrapper::FILTER_TEXT));
    *iterator = iterators_.back().get();
    return QX_OK;
  });
}
