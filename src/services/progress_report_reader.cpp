// The streaming reader of progress reports.
#include "progress_report_reader.h"

#include "diagnostic_fields.h"

#include <quex/xml/XMLVocabulary.h>

#include <cstring>

namespace quex::detail {
namespace {

using ExtensionCppHelper::XMLAttributes;
using ExtensionCppHelper::XMLElements;

// The watched names, in the order streamElements is given them.
enum Watched : size_t { kDiagnostic, kMessage, kParameter };
constexpr size_t kNone = ~size_t{0};

} // namespace

bool ProgressReportReader::read(const char* text) {
  return quex::xml::streamElements(
      text, std::strlen(text),
      {XMLElements::Diagnostic, XMLElements::Message, XMLElements::Parameter}, *this);
}

void ProgressReportReader::opened(size_t name, bool isRoot,
                                  const quex::xml::OpeningElement& element) {
  if (name == kDiagnostic && !isRoot) {
    Found found;
    if (element.attribute(XMLAttributes::Code, scratch_)) found.code = diagnosticInteger(scratch_);
    if (element.attribute(XMLAttributes::SubCode, scratch_))
      found.subCode = diagnosticInteger(scratch_);
    if (element.attribute(XMLAttributes::Severity, scratch_)) found.severity = severityOf(scratch_);
    if (element.attribute(XMLAttributes::Source, scratch_)) found.source = scratch_;
    found.firstMessage = messages_.size();
    found.firstParameter = parameters_.size();
    open_.push_back(diagnostics_.size());
    diagnostics_.push_back(std::move(found));
    ++openDiagnostics_;
    return;
  }
  // Texts count only below a Diagnostic; anywhere else they are never asked for.
  if (name == kDiagnostic || openDiagnostics_ == 0) {
    open_.push_back(kNone);
    return;
  }
  std::vector<std::string>& texts = name == kMessage ? messages_ : parameters_;
  open_.push_back(texts.size());
  texts.emplace_back();
}

void ProgressReportReader::closed(size_t name, std::string& text) {
  const size_t index = open_.back();
  open_.pop_back();
  if (index == kNone) return;
  if (name == kDiagnostic) {
    Found& found = diagnostics_[index];
    found.endMessage = messages_.size();
    found.endParameter = parameters_.size();
    --openDiagnostics_;
  } else {
    (name == kMessage ? messages_ : parameters_)[index] = std::move(text);
  }
}

void ProgressReportReader::deliver(QXProgressListener& listener) const {
  for (const Found& found : diagnostics_) {
    QXDiagnostic diagnostic;
    diagnostic.setCode(found.code);
    diagnostic.setSubCode(found.subCode);
    diagnostic.setSeverity(found.severity);
    diagnostic.setSource(found.source);
    if (found.firstMessage < found.endMessage) diagnostic.setMessage(messages_[found.firstMessage]);
    for (size_t i = found.firstParameter; i < found.endParameter; ++i)
      diagnostic.addParameter(parameters_[i]);
    listener.reportDiagnostic(&diagnostic);
  }
}

} // namespace quex::detail
