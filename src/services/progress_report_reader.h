// Reads the diagnostics of a progress report as its text streams past, so the
// work grows with the report and not with the tree it would make. It finds what
// the tree reading of DiagnosticHandler finds: every Diagnostic below the root,
// in document order, each with the first Message and every Parameter at any
// depth below it (those of nested Diagnostics too).
#ifndef QUEX_SRC_SERVICES_PROGRESS_REPORT_READER_H
#define QUEX_SRC_SERVICES_PROGRESS_REPORT_READER_H

#include "../xml/element_stream.h"

#include <quex/services/QXDiagnostic.h>
#include <quex/services/QXProgressListener.h>

#include <cstddef>
#include <string>
#include <vector>

namespace quex::detail {

class ProgressReportReader final : private quex::xml::ElementEvents {
public:
  // True when the zero-terminated `text` is well-formed and within the limits.
  bool read(const char* text);
  // Gives `listener` each diagnostic read, in document order; each lives for
  // its call only.
  void deliver(QXProgressListener& listener) const;

private:
  // A Diagnostic element: its attributes, and the Message and Parameter
  // elements below it as ranges of those below any Diagnostic, in the order
  // they open. The ranges of a nested Diagnostic lie within those around it.
  struct Found {
    int code = 0;
    int subCode = 0;
    QXDiagnostic::severity_t severity = QXDiagnostic::SEVERITY_UNKNOWN;
    std::string source;
    size_t firstMessage = 0, endMessage = 0;
    size_t firstParameter = 0, endParameter = 0;
  };

  void opened(size_t name, bool isRoot, const quex::xml::OpeningElement& element) override;
  void closed(size_t name, std::string& text) override;

  std::vector<Found> diagnostics_;
  std::vector<std::string> messages_;
  std::vector<std::string> parameters_;
  // For each open watched element, innermost last: its index in the list of
  // its kind, or kNone when it is not kept (the root, or outside any Diagnostic).
  std::vector<size_t> open_;
  size_t openDiagnostics_ = 0;
  std::string scratch_;
};

} // namespace quex::detail

#endif // QUEX_SRC_SERVICES_PROGRESS_REPORT_READER_H
