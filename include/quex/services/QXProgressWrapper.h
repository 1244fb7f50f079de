// QXProgressWrapper: receives a component's progress reports through the
// QXProgress table, reads their diagnostics and hands each to the host's
// QXProgressListener.
#ifndef QUEX_SERVICES_QXPROGRESSWRAPPER_H
#define QUEX_SERVICES_QXPROGRESSWRAPPER_H

#include <quex/export.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/qx.h>
#include <quex/services/QXProgressListener.h>
#include <quex/services/TableList.h>

#include <cstddef>

class QUEX_API QXProgressWrapper {
public:
  explicit QXProgressWrapper(ExtensionWrapper* extension);
  // A copy shares the extension and the listener; it has no tables.
  // Assignment keeps the target's tables.
  QXProgressWrapper(const QXProgressWrapper& other);
  QXProgressWrapper& operator=(const QXProgressWrapper& other);
  ~QXProgressWrapper();

  // Sets the listener (not owned; null stops notification). The next report
  // goes to the new listener.
  void setProgressListener(QXProgressListener* listener);
  QXProgressListener* getProgressListener() const { return listener_; }

  // Reads the diagnostics of the zero-terminated report `text` (`length` is
  // not used) and gives each to the listener, in document order, before
  // returning QX_OK. A text that is not well-formed XML answers QX_ERR_XML and
  // reaches no listener, and so does one beyond the XML service's limits.
  // *errorCode is left as the caller gave it.
  QXStatus report(const char* text, size_t length, int* errorCode);

  ExtensionWrapper* getExtension() const { return extension_; }

  // Called by QXProgressFactory only; the wrapper owns the table from then on.
  void registerHandle(QXProgress* table);
  size_t getHandleCount() const { return handles_.size(); }

private:
  ExtensionWrapper* extension_;
  QXProgressListener* listener_ = nullptr;
  quex::TableList<QXProgress> handles_;
};

#endif // QUEX_SERVICES_QXPROGRESSWRAPPER_H
