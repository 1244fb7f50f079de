// DiagnosticHandler: reads the diagnostics of a progress report document.
#ifndef QUEX_SERVICES_DIAGNOSTICHANDLER_H
#define QUEX_SERVICES_DIAGNOSTICHANDLER_H

#include <quex/cpphelper/XMLDocument.h>
#include <quex/export.h>
#include <quex/services/QXDiagnostic.h>

#include <vector>

class QUEX_API DiagnosticHandler {
public:
  // Appends one new diagnostic per "Diagnostic" element below the root of
  // `document`, at any depth, in document order; the list is not cleared and
  // the caller owns the new objects. The document is a counted copy, released
  // here when the caller holds no other. A document that could not be parsed
  // throws ExtensionCppHelper::XMLException and adds nothing.
  static void parseDiagnostics(ExtensionCppHelper::XMLDocument document,
                               std::vector<QXDiagnostic*>& diagnostics);
};

#endif // QUEX_SERVICES_DIAGNOSTICHANDLER_H
