// QXProgressWrapper, its factory and the QXProgress member.
#include "service_support.h"

#include <quex/cpphelper/XMLException.h>
#include <quex/services/DiagnosticHandler.h>
#include <quex/services/QXHostFactory.h>
#include <quex/services/QXProgressFactory.h>
#include <quex/services/QXProgressWrapper.h>

#include <memory>
#include <vector>

QXProgressListener::~QXProgressListener() = default;

QXProgressWrapper::QXProgressWrapper(ExtensionWrapper* extension) : extension_(extension) {}

QXProgressWrapper::QXProgressWrapper(const QXProgressWrapper& other)
    : extension_(other.extension_), listener_(other.listener_) {}

QXProgressWrapper& QXProgressWrapper::operator=(const QXProgressWrapper& other) {
  extension_ = other.extension_;
  listener_ = other.listener_;
  return *this;
}

QXProgressWrapper::~QXProgressWrapper() = default;

void QXProgressWrapper::prepareHelper() {
  if (helper_) return;
  if (!privateHost_) privateHost_.reset(QXHostWrapper::createHostWrapper());
  helper_.reset(ExtensionCppHelper::HostHelper::create(QXHostFactory::create(privateHost_.get())));
}

void QXProgressWrapper::setProgressListener(QXProgressListener* listener) {
  prepareHelper();
  listener_ = listener;
}

void QXProgressWrapper::registerHandle(QXProgress* table) { handles_.add(table); }

namespace {

struct DiagnosticList {
  std::vector<QXDiagnostic*> items;
  ~DiagnosticList() {
    for (QXDiagnostic* diagnostic : items) delete diagnostic;
  }
};

} // namespace

QXStatus QXProgressWrapper::report(const char* text, size_t /*length*/, int* errorCode) {
  // Written before the work, so the trace shows every report text.
  if (quex::detail::currentTraceLevel() >= 2)
    quex::detail::traceExit(QX_OK, *errorCode, "qx_progress_report", text);
  if (text == nullptr) return QX_ERR_XML;
  prepareHelper();
  try {
    const ExtensionCppHelper::XMLDocument document = helper_->createFromContents(text);
    DiagnosticList diagnostics;
    // Every diagnostic is read before the listener hears of any, so a report
    // that is not well-formed reaches no listener.
    DiagnosticHandler::parseDiagnostics(document, diagnostics.items);
    if (listener_ != nullptr)
      for (QXDiagnostic* diagnostic : diagnostics.items) listener_->reportDiagnostic(diagnostic);
    return QX_OK;
  } catch (const ExtensionCppHelper::XMLException&) {
    return QX_ERR_XML;
  }
}

namespace {

QXStatus progressReport(void* owner, const char* text, size_t length, int* errorCode) {
  return quex::detail::guardCallback(
      [&] { return static_cast<QXProgressWrapper*>(owner)->report(text, length, errorCode); });
}

} // namespace

QXProgress* QXProgressFactory::create(QXProgressWrapper* wrapper) {
  auto* table = new QXProgress{wrapper, &progressReport};
  wrapper->registerHandle(table);
  return table;
}
