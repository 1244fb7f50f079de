// The text-return convention of the XML service (no errorCode parameter).
#ifndef QUEX_SRC_XML_TEXT_RETURN_H
#define QUEX_SRC_XML_TEXT_RETURN_H

#include <quex/qx.h>

#include <cstddef>
#include <cstring>

namespace quex::xml {

// *needed = length + 1 always; the bytes and a zero byte are copied only when
// they fit, otherwise the buffer stays untouched.
inline QXStatus returnText(const char* text, size_t length, char* buffer, size_t bufferSize,
                           size_t* needed) noexcept {
  *needed = length + 1;
  if (bufferSize < length + 1) return QX_ERR_INSUFFICIENT_BUFFER;
  if (length != 0) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return QX_OK;
}

} // namespace quex::xml

#endif // QUEX_SRC_XML_TEXT_RETURN_H
