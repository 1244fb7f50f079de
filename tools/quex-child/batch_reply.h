// The reply to "BulkFetch" and "qx_component_bulkFetch", encoded straight
// from the module's values into one reused byte buffer: a batch is copied
// once here and once into the channel, with no value array in between.
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
    constexpr size_t kReturnLength = sizeof Remote::protocol::kReturn - 1;
    putSize(kReturnLength);
    put(Remote::protocol::kReturn, kReturnLength);
    statusAt_ = size_;
    putInt(0);
    putSize(capacity);
    countAt_ = size_;
    putSize(0);
    valuesAt_ = size_;
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
    putSize(fieldCount);
    putSize(recordCount);
    finish(status, errorCode);
  }
  // The reply to "_bulk_fetch_ahead": whether the records are whole ones
  // follows their count.
  void endAhead(QXStatus status, uint64_t fieldCount, uint64_t recordCount, bool whole,
                int errorCode) {
    putSize(fieldCount);
    putSize(recordCount);
    putSize(whole ? 1 : 0);
    finish(status, errorCode);
  }
  size_t count() const { return count_; }
  // Makes room for `bytes` now, written so that its pages are mapped.
  void prepare(size_t bytes) {
    if (bytes_.size() < bytes) bytes_.resize(bytes);
  }
  // True once the values take half of what one message may hold. A batch
  // read record by record ends there: the record after it still fits the
  // message, unless that record alone takes more than the other half.
  bool full() const { return valueBytes() >= Remote::RemoteCall::kMaxMessageSize / 2; }
  // The values encoded so far, until end() adds the counts after them.
  const unsigned char* values() const { return bytes_.data() + valuesAt_; }
  size_t valueBytes() const { return size_ - valuesAt_; }
  const unsigned char* data() const { return bytes_.data(); }
  size_t size() const { return size_; }

private:
  // Room for `length` more bytes; the buffer only ever grows, so a batch
  // after the first costs no allocation.
  unsigned char* reserve(size_t length) {
    if (length > bytes_.size() - size_) bytes_.resize(std::max(bytes_.size() * 2, size_ + length));
    return bytes_.data() + size_;
  }
  void put(const void* data, size_t length) {
    unsigned char* at = reserve(length);
    if (length > 0) std::memcpy(at, data, length);
    size_ += length;
  }
  void putSize(uint64_t value) { put(&value, sizeof value); }
  void finish(QXStatus status, int errorCode) {
    putInt(errorCode);
    const int32_t code = static_cast<int32_t>(status);
    std::memcpy(bytes_.data() + statusAt_, &code, sizeof code);
    std::memcpy(bytes_.data() + countAt_, &count_, sizeof count_);
  }
  void putInt(int32_t value) { put(&value, sizeof value); }

  std::vector<unsigned char> bytes_;
  size_t size_ = 0;
  size_t statusAt_ = 0;
  size_t countAt_ = 0;
  size_t valuesAt_ = 0;
  uint64_t count_ = 0;
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_BATCH_REPLY_H
