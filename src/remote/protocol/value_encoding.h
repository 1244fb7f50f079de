// One record value on the wire, and how many values a batch may hand on.
// A value is a flag byte (1: null), then, unless null, its length as an
// unsigned 64-bit number and its bytes. The message buffer, the child's batch
// reply and the host's decoder all use these.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_VALUE_ENCODING_H
#define QUEX_SRC_REMOTE_PROTOCOL_VALUE_ENCODING_H

#include "value_copy.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Remote::protocol {

// The most values one batch may carry, either way: a larger count asked for
// or announced is a broken peer.
inline constexpr uint64_t kMaxBatchValues = 1u << 22;
// The values the host asks for in a batch until a record does not fit.
inline constexpr uint64_t kFirstBatchValues = 2000;

inline constexpr unsigned char kNullValue = 1;
inline constexpr unsigned char kPresentValue = 0;

// The bytes one value takes on the wire; `data` null is a null value.
inline size_t encodedValueSize(const void* data, size_t length) noexcept {
  return data == nullptr ? 1 : 1 + sizeof(uint64_t) + length;
}

// Writes one value at `at`, which has room for encodedValueSize() bytes.
inline void encodeValue(unsigned char* at, const void* data, size_t length) noexcept {
  at[0] = data == nullptr ? kNullValue : kPresentValue;
  if (data == nullptr) return;
  const uint64_t size = length;
  std::memcpy(at + 1, &size, sizeof size);
  copyValueBytes(at + 1 + sizeof size, data, length);
}

// Reads the flag and length of one value from [at, end): the value's bytes
// start at the returned position. Null when the value does not fit.
inline const unsigned char* decodeValueHeader(const unsigned char* at, const unsigned char* end,
                                              bool& null, uint64_t& length) noexcept {
  length = 0;
  if (at == end) return nullptr;
  null = *at++ == kNullValue;
  if (null) return at;
  if (static_cast<size_t>(end - at) < sizeof length) return nullptr;
  std::memcpy(&length, at, sizeof length);
  at += sizeof length;
  if (length > static_cast<size_t>(end - at)) return nullptr;
  return at;
}

// The values a batch of `records` records of `fields` values may hand on when
// only `available` values are there: all of them when they fit, `available`
// otherwise, none when either count is 0.
inline size_t valuesInBatch(uint64_t fields, uint64_t records, size_t available) noexcept {
  if (fields == 0 || records == 0) return 0;
  return records > available / fields ? available : static_cast<size_t>(fields * records);
}

// The whole records of `fields` values that fit in `available` values.
inline uint64_t recordsThatFit(uint64_t fields, size_t available) noexcept {
  return fields == 0 ? 0 : available / fields;
}

} // namespace Remote::protocol

#endif // QUEX_SRC_REMOTE_PROTOCOL_VALUE_ENCODING_H
