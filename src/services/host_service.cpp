// QXHostWrapper, its factory and the QXHost members.
#include "service_support.h"

#include <quex/services/QXHostFactory.h>
#include <quex/services/QXHostWrapper.h>
#include <quex/xml/QXXMLFactory.h>

using quex::detail::currentTraceLevel;

QXHostWrapper* QXHostWrapper::createHostWrapper() { return new QXHostWrapper(); }

QXHostWrapper* QXHostWrapper::getHostWrapper() {
  // Deliberately never freed: modules may call it until the process ends.
  static QXHostWrapper* const host_wrapper_ = new QXHostWrapper();
  return host_wrapper_;
}

QXHostWrapper::~QXHostWrapper() = default;

void QXHostWrapper::setHostInformationXML(const char* xml) {
  hostInformation_ = quex::detail::textOrEmpty(xml);
}

void QXHostWrapper::setTraceOutput(ExtensionWrapperTraceOutput* output) { traceOutput_ = output; }

QXStatus QXHostWrapper::getHostInformation(char* buffer, size_t bufferSize, size_t* needed,
                                           int* errorCode) {
  *errorCode = 0;
  const QXStatus status = quex::detail::returnText(hostInformation_, buffer, bufferSize, needed);
  if (currentTraceLevel() >= 1)
    quex::detail::traceExit(status, 0, "qx_host_getHostInformation",
                            status == QX_OK ? hostInformation_.c_str() : nullptr);
  return status;
}

void QXHostWrapper::trace(const char* text) {
  if (text == nullptr) return;
  if (ExtensionWrapperTraceOutput* output =
          quex::detail::traceOutput.load(std::memory_order_acquire))
    output->trace(text);
  if (traceOutput_ != nullptr) traceOutput_->trace(text);
}

void QXHostWrapper::registerHandle(QXHost* table) { handles_.add(table); }

namespace {

QXStatus hostGetHostInformation(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                int* errorCode) {
  return quex::detail::guardCallback([&] {
    return static_cast<QXHostWrapper*>(owner)->getHostInformation(buffer, bufferSize, needed,
                                                                  errorCode);
  });
}

// The new document belongs to the module, which releases it with its dispose
// member. A text that cannot be parsed still gives a handle (whose element
// operations answer QX_ERR_XML), so both answer QX_OK.
QXStatus hostCreateNewDocument(void* /*owner*/, const char* rootName, QXXML** document) {
  return quex::detail::guardCallback([&] {
    *document = QXXMLFactory::createDocument(rootName != nullptr ? rootName : "");
    return QX_OK;
  });
}

QXStatus hostCreateDocumentFromContents(void* /*owner*/, const char* text, QXXML** document) {
  return quex::detail::guardCallback([&] {
    *document = QXXMLFactory::createDocumentFromContents(text != nullptr ? text : "");
    return QX_OK;
  });
}

void hostTrace(void* owner, const char* text) {
  try {
    static_cast<QXHostWrapper*>(owner)->trace(text);
  } catch (...) {
    // A trace output that throws loses the line; the module never sees it.
  }
}

} // namespace

QXHost* QXHostFactory::create(QXHostWrapper* wrapper) {
  auto* table = new QXHost{wrapper, &hostGetHostInformation, &hostCreateNewDocument,
                           &hostCreateDocumentFromContents, &hostTrace};
  wrapper->registerHandle(table);
  return table;
}
