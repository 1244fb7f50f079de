// QXProgressWrapper, its factory and the QXProgress member.
#include "progress_report_reader.h"
#include "service_support.h"

#include <quex/services/QXProgressFactory.h>
#include <quex/services/QXProgressWrapper.h>

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

void QXProgressWrapper::setProgressListener(QXProgressListener* listener) {
  listener_ = listener;
}

void QXProgressWrapper::registerHandle(QXProgress* table) { handles_.add(table); }

QXStatus QXProgressWrapper::report(const char* text, size_t /*length*/, int* errorCode) {
  // Written before the work, so the trace shows every report text.
  if (quex::detail::currentTraceLevel() >= 2)
    quex::detail::traceExit(QX_OK, *errorCode, "qx_progress_report", text);
  if (text == nullptr) return QX_ERR_XML;
  // Every diagnostic is read before the listener hears of any, so a report
  // that is not well-formed reaches no listener.
  quex::detail::ProgressReportReader reader;
  if (!reader.read(text)) return QX_ERR_XML;
  if (listener_ != nullptr) reader.deliver(*listener_);
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
