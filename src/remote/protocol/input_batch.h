// The child's reading of the host's answer to its "BulkFetch" callback: the
// records its input iterator serves from, one batch at a time. The values come
// from the host's iterator, so nothing in the answer is trusted: the counts
// must agree with each other, with the capacity asked for and with the values
// that came.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_INPUT_BATCH_H
#define QUEX_SRC_REMOTE_PROTOCOL_INPUT_BATCH_H

#include "remote_call.h"
#include "remote_values.h"

#include <cstdint>

namespace Remote::protocol {

// The values per record and the records of one answer.
struct InputBatchCounts {
  uint64_t fields = 0;
  uint64_t records = 0;
};

// Reads the answer's arguments between the status and the error code (the
// echoed capacity, the value array, the two counts) into `values` and
// `counts`. Returns null when they are sound, else what is wrong (a fixed
// text).
const char* readInputBatch(RemoteCall& reply, uint64_t capacity, RemoteValueArray& values,
                           InputBatchCounts& counts);

// With QX_OK the records are used: the counts must describe exactly the
// values that came. Null when they do, else what is wrong.
const char* checkInputBatch(int32_t status, const InputBatchCounts& counts,
                            const RemoteValueArray& values);

} // namespace Remote::protocol

#endif // QUEX_SRC_REMOTE_PROTOCOL_INPUT_BATCH_H
