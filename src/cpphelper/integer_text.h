// An attribute's text read as an integer: the module writer's classes and the
// host's report reader read numbers the same way.
#ifndef QUEX_SRC_CPPHELPER_INTEGER_TEXT_H
#define QUEX_SRC_CPPHELPER_INTEGER_TEXT_H

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace ExtensionCppHelper::detail {

// Reads `text` as strtoll reads base 10: leading blanks, one sign, the digits
// up to the first other character. False, with `value` untouched, when no
// number starts there or it is out of range.
inline bool readInteger(const char* text, int64_t& value) {
  const char* at = text;
  const char* const end = at + std::strlen(at);
  while (at != end && std::isspace(static_cast<unsigned char>(*at))) ++at;
  if (at != end && *at == '+') {
    ++at;
    if (at != end && *at == '-') return false;
  }
  int64_t parsed = 0;
  if (std::from_chars(at, end, parsed).ec != std::errc()) return false;
  value = parsed;
  return true;
}

} // namespace ExtensionCppHelper::detail

#endif // QUEX_SRC_CPPHELPER_INTEGER_TEXT_H
