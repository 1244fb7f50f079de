// How the attributes of a Diagnostic element read: the same whether a report
// is read as a tree or as it streams past.
#ifndef QUEX_SRC_SERVICES_DIAGNOSTIC_FIELDS_H
#define QUEX_SRC_SERVICES_DIAGNOSTIC_FIELDS_H

#include <quex/services/QXDiagnostic.h>

#include <string>

namespace quex::detail {

// The severity an attribute's exact word names; any other word is unknown.
QXDiagnostic::severity_t severityOf(const std::string& word);

// An integer attribute keeps the low 32 bits of the 64-bit number its text
// reads as; a text that reads as no number gives 0.
int diagnosticInteger(const std::string& text);

} // namespace quex::detail

#endif // QUEX_SRC_SERVICES_DIAGNOSTIC_FIELDS_H
