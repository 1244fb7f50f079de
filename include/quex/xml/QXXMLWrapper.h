// QXXMLWrapper - one document or element handle of the XML service.
//
// A document handle owns its DOM document (and the parser that built it), the
// element handles made by addElement, the iterators made on it and the QXXML
// tables built for it; releasing the document handle releases that whole tree.
// An element handle points into a tree it does not own.
#ifndef QUEX_XML_QXXMLWRAPPER_H
#define QUEX_XML_QXXMLWRAPPER_H

#include <quex/export.h>
#include <quex/qx.h>
#include <quex/xml/xerces_fwd.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QXXMLIteratorWrapper;

class QUEX_API QXXMLWrapper {
public:
  // An empty handle: no document, no element.
  QXXMLWrapper();
  ~QXXMLWrapper();
  QXXMLWrapper(const QXXMLWrapper&) = delete;
  QXXMLWrapper& operator=(const QXXMLWrapper&) = delete;

  // The process-wide XML runtime. The host pairs every startup with one
  // shutdown; neither may overlap any other use of the service.
  static void startup();
  static void shutdown();

  // Replace this handle's document by a new one with root `rootName`, or by
  // the document parsed from `text`. Failures are written to standard output
  // and leave the handle without a document.
  void createNew(const char* rootName);
  void loadFromContents(const char* text);

  // The serialised document under the text-return convention;
  // QX_ERR_INVALID_OPERATION for a handle without a document.
  QXStatus doc2string(char* buffer, size_t bufferSize, size_t* needed);
  // Releases the document (not the element handles, iterators and tables made
  // from it: those go with this object). Always QX_OK.
  QXStatus dispose();

  // Points this handle at `element` of a tree it does not own.
  void createFromElement(XERCES_CPP_NAMESPACE::DOMElement* element);
  // Adopts `table`, freed with this wrapper. Called by QXXMLFactory::create.
  void registerHandle(QXXML* table);
  // False for the element handles made by addElement and by iterators; only
  // document handles may be released through their table.
  bool isDocumentHandle() const noexcept { return !elementHandle_; }

  // Element operations; a handle without an element answers QX_ERR_XML.
  // Texts in and out are UTF-8; text results follow the text-return convention.
  QXStatus getName(char* buffer, size_t bufferSize, size_t* needed);
  QXStatus hasAttribute(const char* name, int* result);
  QXStatus getAttribute(const char* name, char* buffer, size_t bufferSize, size_t* needed);
  QXStatus removeAttribute(const char* name);
  QXStatus addAttribute(const char* name, const char* value);
  // `*child` belongs to this wrapper.
  QXStatus addElement(const char* name, QXXMLWrapper** child);
  QXStatus addText(const char* text);
  // An empty `name` walks the direct children; otherwise every descendant
  // element of that name, in document order. `*iterator` belongs to this wrapper.
  QXStatus getElementIterator(const char* name, QXXMLIteratorWrapper** iterator);
  QXStatus getTextIterator(QXXMLIteratorWrapper** iterator);

  // The bytes of the file from its first '<' on, plus one zero character;
  // empty when the file cannot be opened.
  static std::string loadStringFromFile(const char* path);
  // Writes `text` (without its zero byte); an unwritable path is ignored.
  static void saveStringToFile(const char* path, const char* text);

private:
  explicit QXXMLWrapper(XERCES_CPP_NAMESPACE::DOMElement* element);
  void releaseDocument() noexcept;

  XERCES_CPP_NAMESPACE::DOMElement* element_ = nullptr;
  XERCES_CPP_NAMESPACE::DOMDocument* document_ = nullptr;
  std::vector<std::unique_ptr<QXXMLWrapper>> children_;
  std::vector<std::unique_ptr<QXXMLIteratorWrapper>> iterators_;
  // The descendant lists the named iterators walk, one per iterator.
  std::vector<std::unique_ptr<XERCES_CPP_NAMESPACE::DOMNodeList>> namedLists_;
  std::unique_ptr<XERCES_CPP_NAMESPACE::XercesDOMParser> parser_;
  std::vector<std::unique_ptr<QXXML>> handles_;
  bool elementHandle_ = false;
};

#endif // QUEX_XML_QXXMLWRAPPER_H
