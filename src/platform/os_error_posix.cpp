#include "os_error.h"

#include <cstring>

namespace quex::platform {

std::string errorText(int number) {
  if (number == 0) return "<unknown>";
  char buffer[256] = {};
  // The GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(number, buffer, sizeof buffer);
  if (text == nullptr || *text == '\0') return "<unknown>";
  return text;
}

std::string lastErrorText() { return errorText(errno); }

std::string invalidArgumentText() { return errorText(EINVAL); }

void throwLastError(const char* call) { throw SystemError(call, errno); }

} // namespace quex::platform
