// QXProgressWrapper, its factory and the QXProgress member.
#include "service_support.h"

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
  if (privateHost_) return;
  std::unique_ptr<QXHostWrapper> host(QXHostWrapper::createHostWrapper());
  helperHost_ = QXHostFactory::create(host.get());
  privateHost_ = std::move(host);
}

void QXProgressWrapper::setProgressListener(QXProgressListener* listener) {
  prepareHelper();
  listener_ = listener;
}

void QXProgressWrapper::registerHandle(QXProgress* table) { handles_.add(table); }

namespace {

// Releases a report document however the report ends.
struct DocumentRelease {
  void operator()(QXXML* document) const { document->dispose(document->owner); }
};

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
    ExtensionWrapper::QXCHK_exit(QX_OK, *errorCode, "qx_progress_report", text);
  if (text == nullptr) return QX_ERR_XML;
  prepareHelper();

  QXXML* made = nullptr;
  const QXStatus created = helperHost_->createDocumentFromContents(helperHost_->owner, text, &made);
  if (created != QX_OK || made == nullptr) return created != QX_OK ? created : QX_ERR_XML;
  const std::unique_ptr<QXXML, DocumentRelease> document(made);

  DiagnosticList diagnostics;
  if (DiagnosticHandler::parseDiagnostics(document.get(), diagnostics.items) != QX_OK)
    return QX_ERR_XML;
  if (listener_ != nullptr)
    for (QXDiagnostic* diagnostic : diagnostics.items) listener_->reportDiagnostic(diagnostic);
  return QX_OK;
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
