// QXHostWrapper: what a module learns of its host through the QXHost table:
// the host information document, document creation and the module's trace.
#ifndef QUEX_SERVICES_QXHOSTWRAPPER_H
#define QUEX_SERVICES_QXHOSTWRAPPER_H

#include <quex/export.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/qx.h>
#include <quex/services/TableList.h>

#include <cstddef>
#include <string>

class QUEX_API QXHostWrapper {
public:
  // A new, empty wrapper; the caller deletes it.
  static QXHostWrapper* createHostWrapper();
  // The process-wide wrapper, made empty on the first call and never freed.
  static QXHostWrapper* getHostWrapper();

  // Copies start without tables (see TableList); assignment keeps the target's.
  QXHostWrapper(const QXHostWrapper& other) = default;
  QXHostWrapper& operator=(const QXHostWrapper& other) = default;
  ~QXHostWrapper();

  void setHostInformationXML(const char* xml);
  // The wrapper's own output for module trace texts (not owned; null: none).
  void setTraceOutput(ExtensionWrapperTraceOutput* output);

  // The host information under the text-return convention.
  QXStatus getHostInformation(char* buffer, size_t bufferSize, size_t* needed, int* errorCode);
  // A module's trace text, to the library-wide output and then to the
  // wrapper's own, whatever the trace level.
  void trace(const char* text);

  // Called by QXHostFactory only; the wrapper owns the table from then on.
  void registerHandle(QXHost* table);
  size_t getHandleCount() const { return handles_.size(); }

private:
  QXHostWrapper() = default;

  std::string hostInformation_;
  ExtensionWrapperTraceOutput* traceOutput_ = nullptr;
  quex::TableList<QXHost> handles_;
};

#endif // QUEX_SERVICES_QXHOSTWRAPPER_H
