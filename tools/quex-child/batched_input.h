// The module's input iterator in the child. A record at a time costs the
// module two round trips to the host per record and value; instead the child
// asks the host's iterator for a batch of whole records with one "BulkFetch"
// callback and serves nextRecord and getRecordValue from it, fetching the next
// batch when it is used up. A host iterator without a working bulk fetch
// (anything but QX_OK or QX_ERR_NO_DATA on the first try) is read one call per
// value for the rest of the execution, as before.
#ifndef QUEX_TOOLS_QUEX_CHILD_BATCHED_INPUT_H
#define QUEX_TOOLS_QUEX_CHILD_BATCHED_INPUT_H

#include "host_link.h"

#include "remote/protocol/remote_values.h"

#include <quex/qx.h>

#include <cstddef>
#include <cstdint>
#include <map>

namespace quex::child {

class BatchedInput {
public:
  // The first batch asks for 2000 values; the next ones for as many as fit
  // in one chunk of the main region, at most kMaxBatchValues.
  static constexpr uint64_t kBatchValues = 2000;
  static constexpr uint64_t kMaxBatchValues = 1u << 16;

  BatchedInput(HostLink& link, uint64_t key) : link_(link), key_(key) {}

  QXStatus nextRecord(int* errorCode);
  QXStatus getRecordValue(size_t index, void** value, size_t* length, int* errorCode);
  QXStatus rewind(int* errorCode);
  // The module's own bulk fetch: records still in the batch first, then the
  // host's answer to the forwarded call.
  QXStatus bulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                     size_t* recordCount, int* errorCode);
  // The execution ended: the batch goes, and every later call is forwarded.
  void close();

private:
  enum class Mode { Untried, Batched, OneByOne, Broken };

  QXStatus fetchBatch(int* errorCode);
  // One host call per operation: the old way, and the way for what the batch
  // cannot answer (no current record, a field beyond the record).
  QXStatus forwardNextRecord(int* errorCode);
  QXStatus forwardRecordValue(size_t index, void** value, size_t* length, int* errorCode);
  QXStatus forwardBulkFetch(size_t capacity, void** values, size_t* lengths, size_t* fieldCount,
                            size_t* recordCount, int* errorCode);
  QXStatus broken(const char* problem);
  // The batch's values lie in the message they came in: letting go of them
  // lets the next message reuse its buffer.
  void dropBatch() noexcept {
    position_ = records_ = 0;
    batch_.release();
  }
  // Sizes the next batch to what fits in the region, from the bytes this one took.
  void resize(uint64_t bytes);

  HostLink& link_;
  const uint64_t key_;
  Mode mode_ = Mode::Untried;
  uint64_t capacity_ = kBatchValues;
  Remote::RemoteValueArray batch_{Remote::Role::Caller};
  uint64_t fields_ = 0;
  uint64_t records_ = 0;
  uint64_t position_ = 0; // 1-based index of the current record in the batch; 0: none
  int batchCode_ = 0;     // the error code the host's bulk fetch left
  // One-by-one values, kept as the host keeps its own: until the next record.
  std::map<size_t, Remote::RemoteValue> values_;
  // The module's own bulk fetches, valid until its next one.
  Remote::RemoteValueArray forwarded_{Remote::Role::Caller};
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_BATCHED_INPUT_H
