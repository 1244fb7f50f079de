// The diagnostic parser of a report document. Element lookups by name take
// all descendants of the element they start from, not only its children.
#include "../cpphelper/integer_text.h"
#include "diagnostic_fields.h"

#include <quex/cpphelper/ExtensionCppHelper.h>
#include <quex/services/DiagnosticHandler.h>

#include <cstdint>
#include <memory>
#include <string>

using ExtensionCppHelper::XMLAttributes;
using ExtensionCppHelper::XMLElement;
using ExtensionCppHelper::XMLElementIterator;
using ExtensionCppHelper::XMLElements;
using ExtensionCppHelper::XMLEntities;
using ExtensionCppHelper::XMLTextIterator;

namespace {

// The element's text children, joined without separators.
std::string textOf(XMLElement& element) {
  std::string text;
  XMLTextIterator sections = element.getTextSections();
  while (const char* section = sections.next()) text += section;
  return text;
}

void readInteger(XMLElement& element, const char* name, void (QXDiagnostic::*set)(int),
                 QXDiagnostic& diagnostic) {
  if (element.hasAttribute(name))
    (diagnostic.*set)(quex::detail::diagnosticInteger(element.getAttribute(name)));
}

void readDiagnostic(XMLElement& element, QXDiagnostic& diagnostic) {
  readInteger(element, XMLAttributes::Code, &QXDiagnostic::setCode, diagnostic);
  readInteger(element, XMLAttributes::SubCode, &QXDiagnostic::setSubCode, diagnostic);
  if (element.hasAttribute(XMLAttributes::Severity))
    diagnostic.setSeverity(quex::detail::severityOf(element.getAttribute(XMLAttributes::Severity)));
  if (element.hasAttribute(XMLAttributes::Source))
    diagnostic.setSource(element.getAttribute(XMLAttributes::Source));

  XMLElementIterator messages = element.getElements(XMLElements::Message);
  XMLElement message = messages.next(); // only the first one counts
  if (message.isValid()) diagnostic.setMessage(textOf(message));

  XMLElementIterator parameters = element.getElements(XMLElements::Parameter);
  for (XMLElement parameter = parameters.next(); parameter.isValid();
       parameter = parameters.next())
    diagnostic.addParameter(textOf(parameter));
}

} // namespace

QXDiagnostic::severity_t quex::detail::severityOf(const std::string& word) {
  if (word == XMLEntities::Fatal) return QXDiagnostic::SEVERITY_FATAL;
  if (word == XMLEntities::Error) return QXDiagnostic::SEVERITY_ERROR;
  if (word == XMLEntities::Warning) return QXDiagnostic::SEVERITY_WARNING;
  if (word == XMLEntities::Information) return QXDiagnostic::SEVERITY_INFORMATION;
  return QXDiagnostic::SEVERITY_UNKNOWN;
}

int quex::detail::diagnosticInteger(const std::string& text) {
  int64_t value = 0;
  ExtensionCppHelper::detail::readInteger(text.c_str(), value);
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

void DiagnosticHandler::parseDiagnostics(ExtensionCppHelper::XMLDocument document,
                                         std::vector<QXDiagnostic*>& diagnostics) {
  XMLElementIterator found = document.getElements(XMLElements::Diagnostic);
  for (XMLElement element = found.next(); element.isValid(); element = found.next()) {
    auto diagnostic = std::make_unique<QXDiagnostic>();
    readDiagnostic(element, *diagnostic);
    diagnostics.push_back(nullptr); // room first, so the object is never left unowned
    diagnostics.back() = diagnostic.release();
  }
}
