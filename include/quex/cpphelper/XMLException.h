// XMLException - what the module-writer classes throw for a failing call.
// Thrown and caught by value; the message is empty unless a lookup by name,
// index or attribute found nothing.
#ifndef QUEX_CPPHELPER_XMLEXCEPTION_H
#define QUEX_CPPHELPER_XMLEXCEPTION_H

#include <quex/export.h>

#include <string>

namespace ExtensionCppHelper {

class QUEX_API XMLException {
public:
  XMLException() = default;
  explicit XMLException(std::string message) : message_(std::move(message)) {}
  std::string getMessage() const { return message_; }

private:
  std::string message_;
};

} // namespace ExtensionCppHelper

#endif // QUEX_CPPHELPER_XMLEXCEPTION_H
