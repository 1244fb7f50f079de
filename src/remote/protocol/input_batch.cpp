#include "input_batch.h"

#include "value_encoding.h"

#include <quex/qx.h>

namespace Remote::protocol {

const char* readInputBatch(RemoteCall& reply, uint64_t capacity, RemoteValueArray& values,
                           InputBatchCounts& counts) {
  counts = {};
  uint64_t echoed = 0;
  if (!reply.getSize(echoed) || !reply.getValues(values) || !reply.getSize(counts.fields) ||
      !reply.getSize(counts.records))
    return "the answer to a batch fetch is cut short or its values are malformed";
  if (echoed != capacity) return "the answer to a batch fetch echoes another capacity";
  if (values.count() > capacity)
    return "the host's iterator answered a batch fetch with more values than asked for";
  // Counts past the batch limit are negative numbers cast to size_t or
  // garbage; either way their product could wrap.
  if (counts.fields > kMaxBatchValues || counts.records > kMaxBatchValues)
    return "the host's iterator answered a batch fetch with an impossible value or record count";
  return nullptr;
}

const char* checkInputBatch(int32_t status, const InputBatchCounts& counts,
                            const RemoteValueArray& values) {
  // Both counts are at most kMaxBatchValues (readInputBatch): no wrap.
  if (status == QX_OK && counts.fields * counts.records != values.count())
    return "the host's iterator answered a batch fetch with counts that disagree with its values";
  return nullptr;
}

} // namespace Remote::protocol
