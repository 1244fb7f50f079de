// Document handles: making, parsing, serialising and releasing documents, and
// the lifetime of everything a handle owns.
#include "../common/text_return.h"
#include "document_limits.h"
#include "utf8.h"

#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstring>
#include <iostream>

XERCES_CPP_NAMESPACE_USE

namespace {

// Writes an exception message of the XML library to standard output in the
// local code page.
void printMessage(const char* prefix, const XMLCh* message) {
  char* local = XMLString::transcode(message);
  std::cout << prefix << (local != nullptr ? local : "") << std::endl;
  XMLString::release(&local);
}

// Serialisation objects of the XML library, released on every path.
struct SerializerDeleter {
  void operator()(DOMLSSerializer* s) const noexcept { s->release(); }
};
struct OutputDeleter {
  void operator()(DOMLSOutput* o) const noexcept { o->release(); }
};

} // namespace

QXXMLWrapper::QXXMLWrapper() = default;

QXXMLWrapper::QXXMLWrapper(DOMElement* element) : element_(element), elementHandle_(true) {}

QXXMLWrapper::~QXXMLWrapper() {
  releaseDocument();
  // A module may build a chain of elements as deep as it likes: the chain of
  // wrappers is released one link at a time so its depth never reaches the stack.
  std::vector<std::unique_ptr<QXXMLWrapper>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<QXXMLWrapper> next = std::move(pending.back());
    pending.pop_back();
    for (auto& grandchild : next->children_) pending.push_back(std::move(grandchild));
    next->children_.clear();
  }
  iterators_.clear();
  handles_.clear();
}

void QXXMLWrapper::releaseDocument() noexcept {
  bool released = false;
  if (document_ != nullptr && !parser_) {
    document_->release();
    document_ = nullptr;
    released = true;
  }
  if (parser_) {
    parser_.reset(); // the parser releases the document it built
    document_ = nullptr;
    released = true;
  }
  if (released) element_ = nullptr;
}

void QXXMLWrapper::createNew(const char* rootName) {
  releaseDocument();
  try {
    XMLCh* feature = XMLString::transcode("Core");
    DOMImplementation* implementation = DOMImplementationRegistry::getDOMImplementation(feature);
    XMLString::release(&feature);
    const quex::xml::Utf16Text root = quex::xml::fromUtf8(rootName);
    document_ = implementation->createDocument(nullptr, root, nullptr,
                                               XMLPlatformUtils::fgMemoryManager);
    element_ = document_->getDocumentElement();
  } catch (const XMLException& e) {
    printMessage("", e.getMessage());
  } catch (const DOMException& e) {
    printMessage("Caught DOM Exception ", e.getMessage());
  } catch (...) {
    std::cout << "Caught unknown exception" << std::endl;
  }
}

void QXXMLWrapper::loadFromContents(const char* text) {
  releaseDocument();
  try {
    if (!parser_) parser_ = std::make_unique<quex::xml::GuardedParser>();
    // Without an error handler the parser counts a fatal error and keeps a
    // partial tree; such a text is refused like any other parse failure, and
    // so is one that reaches for an external resource or beyond a limit.
    auto& parser = static_cast<quex::xml::GuardedParser&>(*parser_);
    if (!parser.parseWithinLimits(text, std::strlen(text))) {
      if (parser.spent()) parser_.reset();
      throw std::runtime_error("not well-formed, or beyond the limits");
    }
    document_ = parser_->getDocument();
    element_ = document_ != nullptr ? document_->getDocumentElement() : nullptr;
  } catch (const XMLException& e) {
    printMessage("", e.getMessage());
  } catch (...) {
    std::cout << "Caught unknown exception" << std::endl;
  }
}

QXStatus QXXMLWrapper::doc2string(char* buffer, size_t bufferSize, size_t* needed) {
  if (document_ == nullptr) return QX_ERR_INVALID_OPERATION;
  // The serialiser descends one call per level: a tree built deeper than the
  // parser accepts is refused rather than allowed to exhaust the stack.
  if (!quex::xml::withinDepthLimit(document_)) return QX_ERR_XML;
  try {
    DOMImplementation* implementation = document_->getImplementation();
    std::unique_ptr<DOMLSSerializer, SerializerDeleter> serializer(
        implementation->createLSSerializer(XMLPlatformUtils::fgMemoryManager));
    std::unique_ptr<DOMLSOutput, OutputDeleter> output(
        implementation->createLSOutput(XMLPlatformUtils::fgMemoryManager));
    MemBufFormatTarget target(1023, XMLPlatformUtils::fgMemoryManager);
    serializer->getDomConfig()->setParameter(XMLUni::fgDOMWRTFormatPrettyPrint, false);
    output->setByteStream(&target);
    serializer->write(document_, output.get());
    return quex::detail::returnText(reinterpret_cast<const char*>(target.getRawBuffer()),
                                 target.getLen(), buffer, bufferSize, needed);
  } catch (...) {
    return QX_ERR_XML;
  }
}

QXStatus QXXMLWrapper::dispose() {
  releaseDocument();
  return QX_OK;
}

void QXXMLWrapper::createFromElement(DOMElement* element) {
  element_ = element;
  elementHandle_ = true;
}

void QXXMLWrapper::registerHandle(QXXML* table) { handles_.emplace_back(table); }
