// The one writer of the text-return convention, for the host services and
// the XML service alike.
#ifndef QUEX_SRC_COMMON_TEXT_RETURN_H
#define QUEX_SRC_COMMON_TEXT_RETURN_H

#include <quex/qx.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace quex::detail {

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

inline QXStatus returnText(const std::string& text, char* buffer, size_t bufferSize,
                           size_t* needed) noexcept {
  return returnText(text.data(), text.size(), buffer, bufferSize, needed);
}

} // namespace quex::detail

#endif // QUEX_SRC_COMMON_TEXT_RETURN_H
