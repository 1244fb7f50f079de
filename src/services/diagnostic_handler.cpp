// The diagnostic parser: walks a report document through its QXXML tables.
// Element lookups by name take all descendants, not only children.
#include <quex/services/DiagnosticHandler.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr const char* kDiagnostic = "Diagnostic";
constexpr const char* kMessage = "Message";
constexpr const char* kParameter = "Parameter";
constexpr const char* kCode = "code";
constexpr const char* kSubCode = "subCode";
constexpr const char* kSeverity = "severity";
constexpr const char* kSource = "source";

// Calls `visit(item)` for every item of a fresh iterator, in order; stops early
// (with that status) when `visit` answers anything but QX_OK.
template <typename Visit>
QXStatus forEachItem(QXXMLIterator* iterator, Visit&& visit) {
  QXStatus status = QX_OK;
  for (;;) {
    void* item = nullptr;
    const QXStatus next = iterator->nextItem(iterator->owner, &item);
    if (next == QX_ERR_NO_DATA) break;
    if (next != QX_OK) {
      status = next;
      break;
    }
    status = visit(item);
    if (status != QX_OK) break;
  }
  iterator->close(iterator->owner);
  return status;
}

template <typename Visit>
QXStatus forEachDescendant(QXXML* element, const char* name, Visit&& visit) {
  QXXMLIterator* iterator = nullptr;
  const QXStatus status = element->getElementIterator(element->owner, name, &iterator);
  if (status != QX_OK) return status;
  return forEachItem(iterator, [&](void* item) { return visit(static_cast<QXXML*>(item)); });
}

// The concatenation of the element's text children.
QXStatus textOf(QXXML* element, std::string& text) {
  QXXMLIterator* iterator = nullptr;
  const QXStatus status = element->getTextIterator(element->owner, &iterator);
  if (status != QX_OK) return status;
  text.clear();
  return forEachItem(iterator, [&](void* item) {
    text += static_cast<const char*>(item);
    return QX_OK;
  });
}

// The attribute's value if the element has it; `present` tells.
QXStatus attributeOf(QXXML* element, const char* name, bool& present, std::string& value) {
  int has = 0;
  QXStatus status = element->hasAttribute(element->owner, name, &has);
  present = status == QX_OK && has != 0;
  if (!present) return status;
  std::string buffer(64, '\0');
  size_t needed = 0;
  status = element->getAttribute(element->owner, name, &buffer[0], buffer.size(), &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER) {
    buffer.assign(needed, '\0');
    status = element->getAttribute(element->owner, name, &buffer[0], buffer.size(), &needed);
  }
  if (status == QX_OK) value.assign(buffer.c_str());
  return status;
}

// A decimal 64-bit integer as formatted input reads it: leading white space,
// a sign, digits, the rest ignored. Its low 32 bits, or `fallback` when no
// number can be read.
int lowBitsOfInteger(const std::string& text, int fallback) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 10);
  if (end == begin) return fallback;
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

QXDiagnostic::severity_t severityOf(const std::string& word) {
  if (word == "fatal") return QXDiagnostic::SEVERITY_FATAL;
  if (word == "error") return QXDiagnostic::SEVERITY_ERROR;
  if (word == "warning") return QXDiagnostic::SEVERITY_WARNING;
  if (word == "information") return QXDiagnostic::SEVERITY_INFORMATION;
  return QXDiagnostic::SEVERITY_UNKNOWN;
}

QXStatus readDiagnostic(QXXML* element, QXDiagnostic& diagnostic) {
  bool present = false;
  std::string value;
  QXStatus status = attributeOf(element, kCode, present, value);
  if (status != QX_OK) return status;
  if (present) diagnostic.setCode(lowBitsOfInteger(value, 0));
  if ((status = attributeOf(element, kSubCode, present, value)) != QX_OK) return status;
  if (present) diagnostic.setSubCode(lowBitsOfInteger(value, 0));
  if ((status = attributeOf(element, kSeverity, present, value)) != QX_OK) return status;
  if (present) diagnostic.setSeverity(severityOf(value));
  if ((status = attributeOf(element, kSource, present, value)) != QX_OK) return status;
  if (present) diagnostic.setSource(value);

  bool haveMessage = false;
  status = forEachDescendant(element, kMessage, [&](QXXML* message) {
    if (haveMessage) return QX_OK; // only the first one counts
    haveMessage = true;
    std::string text;
    const QXStatus read = textOf(message, text);
    if (read == QX_OK) diagnostic.setMessage(text);
    return read;
  });
  if (status != QX_OK) return status;
  return forEachDescendant(element, kParameter, [&](QXXML* parameter) {
    std::string text;
    const QXStatus read = textOf(parameter, text);
    if (read == QX_OK) diagnostic.addParameter(text);
    return read;
  });
}

} // namespace

QXStatus DiagnosticHandler::parseDiagnostics(QXXML* document,
                                             std::vector<QXDiagnostic*>& diagnostics) {
  if (document == nullptr) return QX_ERR_XML;
  return forEachDescendant(document, kDiagnostic, [&](QXXML* element) {
    auto diagnostic = std::make_unique<QXDiagnostic>();
    const QXStatus status = readDiagnostic(element, *diagnostic);
    if (status != QX_OK) return status;
    diagnostics.push_back(diagnostic.get());
    diagnostic.release();
    return QX_OK;
  });
}
