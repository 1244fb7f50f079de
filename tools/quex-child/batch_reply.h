// The reply to "BulkFetch" and "qx_component_bulkFetch", encoded straight
// from the module's values: records read one by one go into one reused byte
// buffer (copied once here and once into the channel, with no value array in
// between); a module's own bulk fetch is written where the reply goes.
#ifndef QUEX_TOOLS_QUEX_CHILD_BATCH_REPLY_H
#define QUEX_TOOLS_QUEX_CHILD_BATCH_REPLY_H

#include "remote/protocol/names.h"
#include "remote/protocol/remote_call.h"
#include "remote/protocol/value_encoding.h"

#include <quex/qx.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quex::child {

class BatchReply {
public:
  // "return", a status to be set later, the echoed capacity and a value count
  // to be set later.
  void begin(uint64_t capacity) {
    size_ = 0;
    capacity_ = capacity;
    writeHead(reserve(kHeadBytes), QX_OK, capacity, 0);
    size_ = kHeadBytes;
    count_ = 0;
  }
  void addValue(const void* data, size_t length) {
    const size_t room = Remote::protocol::encodedValueSize(data, length);
    Remote::protocol::encodeValue(reserve(room), data, length);
    size_ += room;
    ++count_;
  }
  // The counts, the error code and the status finish the reply.
  void end(QXStatus status, uint64_t fieldCount, uint64_t recordCount, int errorCode) {
    writeTail(reserve(kTailBytes), fieldCount, recordCount, errorCode);
    size_ += kTailBytes;
    writeHead(bytes_.data(), status, capacity_, count_);
  }
  // The same reply made of a module's bulk fetch: `count` values given as
  // slots (a null pointer is a null value). It is written in one pass where
  // it goes: into the channel when it fits there, saving a copy of the batch.
  struct Slots {
    QXStatus status = QX_OK;
    uint64_t capacity = 0;
    void* const* values = nullptr;
    const size_t* lengths = nullptr;
    size_t count = 0;
    uint64_t fieldCount = 0;
    uint64_t recordCount = 0;
    int errorCode = 0;
  };
  // The reply's bytes; SIZE_MAX when a value alone is longer than any message.
  static size_t sizeOf(const Slots& slots) {
    size_t size = kHeadBytes + kTailBytes;
    for (size_t i = 0; i < slots.count; ++i) {
      if (slots.values[i] != nullptr && slots.lengths[i] > Remote::RemoteCall::kMaxMessageSize)
        return SIZE_MAX;
      size += Remote::protocol::encodedValueSize(slots.values[i], slots.lengths[i]);
    }
    return size;
  }
  // Writes the reply of sizeOf(slots) bytes at `out`.
  static void write(unsigned char* out, const Slots& slots) {
    writeHead(out, slots.status, slots.capacity, slots.count);
    out += kHeadBytes;
    for (size_t i = 0; i < slots.count; ++i) {
      Remote::protocol::encodeValue(out, slots.values[i], slots.lengths[i]);
      out += Remote::protocol::encodedValueSize(slots.values[i], slots.lengths[i]);
    }
    writeTail(out, slots.fieldCount, slots.recordCount, slots.errorCode);
  }
  // Encodes the reply into this buffer instead, value by value.
  void encode(const Slots& slots) {
    begin(slots.capacity);
    for (size_t i = 0; i < slots.count; ++i) addValue(slots.values[i], slots.lengths[i]);
    end(slots.status, slots.fieldCount, slots.recordCount, slots.errorCode);
  }
  size_t count() const { return count_; }
  // True once the values take half of what one message may hold. A batch
  // read record by record ends there: the record after it still fits the
  // message, unless that record alone takes more than the other half.
  bool full() const { return valueBytes() >= Remote::RemoteCall::kMaxMessageSize / 2; }
  // The values encoded so far, until end() adds the counts after them.
  const unsigned char* values() const { return bytes_.data() + kHeadBytes; }
  size_t valueBytes() const { return size_ - kHeadBytes; }
  const unsigned char* data() const { return bytes_.data(); }
  size_t size() const { return size_; }

private:
  static constexpr size_t kReturnLength = sizeof Remote::protocol::kReturn - 1;
  // The name's length and bytes, the status, the capacity and the value count.
  static constexpr size_t kHeadBytes = 8 + kReturnLength + 4 + 8 + 8;
  // The field and record counts and the error code.
  static constexpr size_t kTailBytes = 8 + 8 + 4;

  static unsigned char* put(unsigned char* at, const void* data, size_t length) {
    std::memcpy(at, data, length);
    return at + length;
  }
  static void writeHead(unsigned char* at, QXStatus status, uint64_t capacity, uint64_t count) {
    const uint64_t nameLength = kReturnLength;
    const int32_t code = static_cast<int32_t>(status);
    at = put(at, &nameLength, sizeof nameLength);
    at = put(at, Remote::protocol::kReturn, kReturnLength);
    at = put(at, &code, sizeof code);
    at = put(at, &capacity, sizeof capacity);
    put(at, &count, sizeof count);
  }
  static void writeTail(unsigned char* at, uint64_t fieldCount, uint64_t recordCount,
                        int errorCode) {
    const int32_t code = errorCode;
    at = put(at, &fieldCount, sizeof fieldCount);
    at = put(at, &recordCount, sizeof recordCount);
    put(at, &code, sizeof code);
  }
  // Room for `length` more bytes; the buffer only ever grows, so a batch
  // after the first costs no allocation.
  unsigned char* reserve(size_t length) {
    if (length > bytes_.size() - size_) bytes_.resize(std::max(bytes_.size() * 2, size_ + length));
    return bytes_.data() + size_;
  }

  std::vector<unsigned char> bytes_;
  size_t size_ = 0;
  uint64_t capacity_ = 0;
  uint64_t count_ = 0;
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_BATCH_REPLY_H
