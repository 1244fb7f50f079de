// The host's own bulk fetch of a component in a child: the calls of one
// exchange read ahead, whole records cut into any call's values, and the
// records a child kept before it died handed out as answers.
#include "remote_module.h"

#include "call_exchange.h"
#include "process.h"
#include "protocol/names.h"
#include "protocol/remote_call.h"
#include "protocol/remote_values.h"
#include "protocol/value_encoding.h"

#include <algorithm>
#include <memory>

namespace Remote {
using namespace call_exchange;

// A host reading a module's output in bulk repeats the same call: after the
// first repeat, one exchange reads several calls' records ahead
// (bulk_answers.h), and the calls after it take theirs without a round trip.
QXStatus RemoteModule::qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                              size_t* lengths, size_t* fieldCount,
                                              size_t* recordCount, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  Process::RecordBatch& batch = process.batch();
  if (!batch.values) batch.values = std::make_unique<RemoteValueArray>(Role::Caller);
  RemoteValueArray& received = *batch.values;
  const BulkAnswers::Arguments arguments{capacity, *fieldCount, *recordCount};
  const int given = *errorCode;
  // Whole records a batch for nextRecord brought and no call took come first.
  if (batch.rowsInBatch > batch.currentRow + 1 && batch.endStatus == QX_OK) {
    batch.ahead.adopt(batch.valuesPerRow, batch.rowsInBatch, batch.currentRow + 1, given);
  }
  batch.rowsInBatch = batch.currentRow = 0;
  BulkAnswers::Answer answer;
  if (batch.ahead.next(arguments, answer)) {
    process.ring().note(calls::kBulkFetch, answer.records > 0 ? QX_OK : QX_ERR_NO_DATA);
  } else { // records read ahead count as delivered once they arrive
    if (exchangeBulkFetch(process, arguments, errorCode) == QX_ERR_REMOTE) return QX_ERR_REMOTE;
    batch.ahead.next(arguments, answer);
  }
  *errorCode = batch.ahead.errorCode(answer, given);
  if (!batch.ahead.whole()) { // one answer, as it came
    *fieldCount = batch.ahead.width();
    *recordCount = answer.records;
    const size_t count = protocol::valuesInBatch(batch.ahead.width(), answer.records,
                                                 std::min(received.count(), capacity));
    std::copy_n(received.values(), count, values);
    std::copy_n(received.lengths(), count, lengths);
  } else { // the values asked for, cut out of whole records
    batch.ahead.cut(answer, arguments, received.values(), received.lengths(), values, lengths);
    *recordCount = answer.records;
  }
  return batch.ahead.status(answer);
}

// Asks the child for the records of one call, or of several calls ahead,
// and stores them in the batch's answers. The child may answer with whole
// records it read ahead of this call; any call's values are cut out of those.
// The records the child kept before it died come as answers too; the call
// after them answers the loss.
QXStatus RemoteModule::exchangeBulkFetch(Process& process,
                                         const BulkAnswers::Arguments& arguments,
                                         int* errorCode) {
  Process::RecordBatch& batch = process.batch();
  RemoteValueArray& received = *batch.values;
  batch.ahead.drop();
  received.release(); // the caller's last values go: the call reuses their buffer
  // Only whole records are read ahead: an offset reads one call at a time.
  const uint64_t answers =
      arguments.offset != 0
          ? 1
          : std::min<uint64_t>(batch.ahead.wanted(arguments),
                               protocol::kMaxBatchValues / std::max<uint64_t>(arguments.capacity, 1));
  received.resize(arguments.capacity);
  uint64_t fields = 0, records = 0, whole = 0;
  QXStatus status = exchange(
      &process, calls::kBulkFetchAhead, errorCode,
      [&](RemoteCall& call) {
        call.putSize(arguments.capacity);
        call.putSize(answers);
        call.putValues(received);
        call.putSize(arguments.fieldCount);
        call.putSize(arguments.offset);
      },
      [&](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
        call.getValues(received);
        call.getSize(fields);
        call.getSize(records);
        call.getSize(whole);
      },
      calls::kBulkFetch);
  if (status == QX_ERR_REMOTE) {
    bool keptWhole = false;
    if (!process.takeKeptBatch(received, protocol::kMaxBatchValues, fields, records, keptWhole))
      return status;
    batch.ahead.store(fields, records, keptWhole, QX_OK, *errorCode);
    process.noteDelivered(records);
    return QX_OK;
  }
  // Whole records lie in the values received, all of them; a child that
  // claims otherwise breaks the protocol.
  if (whole != 0 && !BulkAnswers::holdsWhole(fields, records, received.count())) {
    process.childLost();
    return QX_ERR_REMOTE;
  }
  batch.ahead.store(fields, records, whole != 0, status, *errorCode);
  process.noteDelivered(records);
  process.releaseKeptBatch(); // counted as delivered first: a death meanwhile counts them once
  return status;
}

} // namespace Remote
