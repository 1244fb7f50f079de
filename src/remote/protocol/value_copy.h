// Copies one record value's bytes. Record values are mostly a few bytes long,
// and a batch holds thousands of them: a call into the library's memcpy for
// each would cost more than the copy. Short values are copied with at most two
// fixed-size, possibly overlapping moves that stay inside both ranges.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_VALUE_COPY_H
#define QUEX_SRC_REMOTE_PROTOCOL_VALUE_COPY_H

#include <cstddef>
#include <cstring>

namespace Remote {

inline void copyValueBytes(void* target, const void* source, size_t length) noexcept {
  auto* to = static_cast<unsigned char*>(target);
  const auto* from = static_cast<const unsigned char*>(source);
  if (length >= 8 && length <= 16) {
    unsigned char head[8], tail[8];
    std::memcpy(head, from, 8);
    std::memcpy(tail, from + length - 8, 8);
    std::memcpy(to, head, 8);
    std::memcpy(to + length - 8, tail, 8);
  } else if (length >= 4 && length < 8) {
    unsigned char head[4], tail[4];
    std::memcpy(head, from, 4);
    std::memcpy(tail, from + length - 4, 4);
    std::memcpy(to, head, 4);
    std::memcpy(to + length - 4, tail, 4);
  } else if (length < 4) {
    for (size_t i = 0; i < length; ++i) to[i] = from[i];
  } else {
    std::memcpy(to, from, length);
  }
}

// The same for a value decoded in place: `target` may overlap `source` but
// never lies after it. The short moves above load before they store, and the
// byte loop runs forwards.
inline void moveValueBytes(void* target, const void* source, size_t length) noexcept {
  if (length > 16)
    std::memmove(target, source, length);
  else
    copyValueBytes(target, source, length);
}

} // namespace Remote

#endif // QUEX_SRC_REMOTE_PROTOCOL_VALUE_COPY_H
