// DiagnosticHandler: reads the diagnostics of a progress report document.
#ifndef QUEX_SERVICES_DIAGNOSTICHANDLER_H
#define QUEX_SERVICES_DIAGNOSTICHANDLER_H

#include <quex/export.h>
#include <quex/qx.h>
#include <quex/services/QXDiagnostic.h>

#include <vector>

class QUEX_API DiagnosticHandler {
public:
  // Appends one new diagnostic per "Diagnostic" element below the root of
  // `document`, at any depth, in document order; the list is not cleared and
  // the caller owns the new objects. A document that could not be parsed
  // answers the document service's failure (QX_ERR_XML) and adds nothing.
  static QXStatus parseDiagnostics(QXXML* document, std::vector<QXDiagnostic*>& diagnostics);
};

#endif // QUEX_SERVICES_DIAGNOSTICHANDLER_H
