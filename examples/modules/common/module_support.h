// What both example modules need around the C interface: texts in and out
// under the text-return convention, module-specific error texts, progress
// diagnostics, data model documents and a guard that keeps exceptions inside.
#ifndef QUEX_EXAMPLES_MODULE_SUPPORT_H
#define QUEX_EXAMPLES_MODULE_SUPPORT_H

#include <quex/cpphelper/ExtensionCppHelper.h>
#include <quex/qx.h>

#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace examples {

namespace helper = ExtensionCppHelper;

// Copies `text` out under the text-return convention.
inline QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize,
                           size_t* needed) {
  *needed = text.size() + 1;
  if (bufferSize < *needed) return QX_ERR_INSUFFICIENT_BUFFER;
  std::memcpy(buffer, text.c_str(), *needed);
  return QX_OK;
}

// Asks a host member for a text: once, then with the size it needs.
template <typename Call>
QXStatus fetchText(std::string& text, Call call) {
  size_t size = 1024;
  helper::BufferHelper buffer(size);
  size_t needed = 0;
  QXStatus status = call(static_cast<char*>(buffer), size, &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER && needed > size) {
    size = needed;
    buffer.resize(size);
    status = call(static_cast<char*>(buffer), size, &needed);
  }
  if (status == QX_OK) text.assign(static_cast<char*>(buffer), strnlen(buffer, size));
  return status;
}

// Module-specific failures: each code has the text of its last occurrence.
class ErrorTexts {
public:
  QXStatus fail(int code, std::string text, int* errorCode) {
    texts_[code] = std::move(text);
    *errorCode = code;
    return QX_ERR_MODULE_SPECIFIC;
  }
  QXStatus detail(int code, char* buffer, size_t bufferSize, size_t* needed) const {
    auto found = texts_.find(code);
    if (found == texts_.end()) return QX_ERR_NO_ERROR_DETAIL;
    return returnText(found->second, buffer, bufferSize, needed);
  }

private:
  std::map<int, std::string> texts_;
};

// Sends one diagnostic through the progress table, built as a document.
inline void reportDiagnostic(QXHost* host, QXProgress* progress, int code, const char* severity,
                             const char* source, const std::string& message,
                             const std::vector<std::string>& parameters) {
  if (progress == nullptr) return;
  using helper::XMLAttributes;
  using helper::XMLElements;
  helper::XMLDocument report = helper::XMLDocument::createNew(host, "Progress");
  helper::XMLElement diagnostic = report.addElement(XMLElements::Diagnostic);
  diagnostic.addAttribute(XMLAttributes::Code, static_cast<int64_t>(code));
  diagnostic.addAttribute(XMLAttributes::Severity, severity);
  diagnostic.addAttribute(XMLAttributes::Source, source);
  diagnostic.addElement(XMLElements::Message).addText(message);
  for (const std::string& parameter : parameters)
    diagnostic.addElement(XMLElements::Parameter).addText(parameter);
  std::string text;
  report.doc2string(text);
  int errorCode = 0;
  progress->report(progress->owner, text.c_str(), text.size(), &errorCode);
}

struct FieldDeclaration {
  std::string name;
  std::string storage;
};

// The Field elements of a data model document (or of any document holding one).
inline std::vector<FieldDeclaration> readFields(helper::XMLElement root) {
  std::vector<FieldDeclaration> fields;
  helper::XMLElementIterator items = root.getElements(helper::XMLElements::Field);
  while (items.hasMore()) {
    helper::XMLElement field = items.next();
    if (!field.isValid()) break;
    fields.push_back({field.getAttribute(helper::XMLAttributes::Name),
                      field.getAttribute(helper::XMLAttributes::Storage)});
  }
  return fields;
}

inline std::string makeDataModel(QXHost* host, const std::vector<FieldDeclaration>& fields) {
  helper::XMLDocument model = helper::XMLDocument::createNew(host, helper::XMLElements::DataModel);
  helper::XMLElement list = model.addElement(helper::XMLElements::Fields);
  for (const FieldDeclaration& declaration : fields) {
    helper::XMLElement field = list.addElement(helper::XMLElements::Field);
    field.addAttribute(helper::XMLAttributes::Name, declaration.name);
    field.addAttribute(helper::XMLAttributes::Storage, declaration.storage);
  }
  std::string text;
  model.doc2string(text);
  return text;
}

// Runs an entry's body; an exception becomes QX_ERR_EXCEPTION_THROWN instead
// of crossing the C boundary.
template <typename Body>
QXStatus guarded(Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return QX_ERR_EXCEPTION_THROWN;
  }
}

} // namespace examples

#endif // QUEX_EXAMPLES_MODULE_SUPPORT_H
