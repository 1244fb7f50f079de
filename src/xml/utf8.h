// The UTF-8 side of the XML service: every text crossing the service's
// boundary is UTF-8, every text inside the DOM UTF-16. Both conversions go
// through the one process-wide transcoder that QXXMLWrapper::startup makes.
#ifndef QUEX_SRC_XML_UTF8_H
#define QUEX_SRC_XML_UTF8_H

#include <xercesc/util/XercesDefs.hpp>

#include <memory>
#include <string>

namespace quex::xml {

// Replaces the process-wide transcoder by a new one (startup) / releases it (shutdown).
void installTranscoder();
void releaseTranscoder() noexcept;

// UTF-16 to UTF-8; null or empty gives "". Unrepresentable characters are
// replaced. Throws when the runtime is not started.
std::string toUtf8(const XMLCh* text);
// Appends instead of returning, for callers that reuse a string.
void appendUtf8(const XMLCh* text, std::string& out);

// A UTF-8 text converted to UTF-16, alive as long as this object. Throws a
// UTFDataFormatException for bytes that are not complete UTF-8.
class Utf16Text {
public:
  explicit Utf16Text(const char* utf8);
  const XMLCh* get() const noexcept { return units_.get(); }
  operator const XMLCh*() const noexcept { return units_.get(); }

private:
  std::unique_ptr<XMLCh[]> units_;
};

inline Utf16Text fromUtf8(const char* utf8) { return Utf16Text(utf8); }

} // namespace quex::xml

#endif // QUEX_SRC_XML_UTF8_H
