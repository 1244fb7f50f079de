// QXProgressListener: implemented by the host to receive the diagnostics of
// progress reports, one call per diagnostic, in document order, on the thread
// that reports.
#ifndef QUEX_SERVICES_QXPROGRESSLISTENER_H
#define QUEX_SERVICES_QXPROGRESSLISTENER_H

#include <quex/export.h>

class QXDiagnostic;

class QUEX_API QXProgressListener {
public:
  QXProgressListener() = default;
  QXProgressListener(const QXProgressListener&) = default;
  QXProgressListener& operator=(const QXProgressListener&) = default;
  // The diagnostic is destroyed when the call returns; copy it to keep it.
  virtual void reportDiagnostic(QXDiagnostic* diagnostic) = 0;
  virtual ~QXProgressListener();
};

#endif // QUEX_SERVICES_QXPROGRESSLISTENER_H
