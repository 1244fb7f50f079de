// The host's own bulk fetch in the child, and the records read ahead of it.
//
// A host reading a module's output in bulk asks "_bulk_fetch_ahead" for the
// records of one or more of its calls. For a module without its own bulk
// fetch the child reads them as the wrapper's emulation would, record by
// record, keeping each for the host in case the child dies. When those are
// whole records (every value of each, none skipped), the child goes on
// reading the next call's worth while the host works through the last
// reply, and stops as soon as the host calls again: the records read so far
// answer that call, whatever its arguments, since any values can be cut out
// of whole records (and a "BulkFetch" takes them as they are). A call of any
// other kind lets them go: the module then has read at most one reply's
// worth of records more than the host took.
#include "module_server.h"

#include "remote/protocol/kept_batch.h"
#include "remote/protocol/value_encoding.h"

#include <algorithm>
#include <thread>

using Remote::RemoteCall;

namespace quex::child {

// Reads into batch_ as `read` asks, from where it stopped: the first
// `offset` values of each record are skipped, `fields` values are taken, and
// an answer ends when the next record would not fit or the batch is full.
// Whole records are read for up to `answers` answers in a row, while what
// they took leaves the block that keeps them room for one more of the same
// size. Ahead of the host, reading also stops once the host calls.
void ModuleServer::readBulk(BulkRead& read, bool aheadOfHost) {
  void* target = component();
  const size_t perAnswer = read.fields != 0 ? read.capacity / read.fields : 0; // none: to the end
  size_t room = 0;
  link_.withKeeper([&](const BatchKeeper& keeper) { room = keeper.room(); });
  while (!read.stopped && read.answered < read.answers) {
    if (aheadOfHost && (pending_ || main_.hostCalled())) return;
    int code = read.code;
    const QXStatus status = module_.qx_component_nextRecord(target, &code);
    read.code = code;
    if (status != QX_OK) {
      read.ended = read.stopped = true;
      read.endStatus = status;
      return;
    }
    if (read.records == 0 && !aheadOfHost && read.answers > 1) {
      read.whole = read.offset == 0 && read.fields != 0 && recordWidth(target) == read.fields;
      if (!read.whole) read.answers = 1;
    }
    for (size_t field = 0; field < read.fields; ++field) {
      void* value = nullptr;
      size_t length = 0;
      module_.qx_component_getRecordValue(target, read.offset + field, &value, &length, &code);
      batch_.addValue(value, length);
    }
    read.code = code;
    ++read.records;
    keepRecords(read.fields, read.records, read.whole);
    if (perAnswer != 0 && read.records % perAnswer == 0) {
      ++read.answered;
      const size_t bytes = batch_.valueBytes();
      if (bytes + bytes / read.answered > room) read.stopped = true;
    }
    if (batch_.full()) read.stopped = true;
  }
}

void ModuleServer::bulkFetchAhead(RemoteCall& call) {
  uint64_t capacity = 0, answers = 0, fieldCount = 0, offset = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || !call.getSize(answers) || !call.getValues(values_) ||
      !call.getSize(fieldCount) || !call.getSize(offset) || !call.getInt(errorCode))
    return;
  batchReply_ = true;
  const bool fits = capacity <= Remote::protocol::kMaxBatchValues && answers > 0 &&
                    answers <= Remote::protocol::kMaxBatchValues / std::max<uint64_t>(capacity, 1);
  if (fits && staged_ && capacity == bulk_.capacity && fieldCount == bulk_.fields && offset == 0) {
    staged_ = false; // the call the records were read for: it may take more of them
    bulk_.answers = std::max(bulk_.answers, answers);
    readBulk(bulk_, false);
    answerBulk(bulk_.whole);
    return;
  }
  if (answerFromStaged(true)) return;
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
  size_t fields = fieldCount, records = offset;
  beginBatch(capacity);
  if (fits && !module_.useBulkFetch() && fieldCount <= capacity) {
    bulk_ = BulkRead{capacity, answers, fieldCount, offset};
    bulk_.code = code;
    readBulk(bulk_, false);
    answerBulk(bulk_.whole);
    return;
  }
  if (fits && !module_.useBulkFetch()) { // the emulation takes no record
    status = QX_ERR_NO_DATA;
    records = 0;
  } else if (fits) { // a module's own bulk fetch answers one call
    reserveValueSlots(capacity);
    status = module_.qx_component_bulkFetch(component(), capacity, pointers_.data(),
                                            lengths_.data(), &fields, &records, &code);
    const size_t count = Remote::protocol::valuesInBatch(fields, records, capacity);
    for (size_t i = 0; i < count; ++i) batch_.addValue(pointers_[i], lengths_[i]);
  }
  batch_.endAhead(status, fields, records, false, code);
}

// The reply to "_bulk_fetch_ahead" from bulk_: as the emulation, QX_OK with
// records and QX_ERR_NO_DATA without.
void ModuleServer::answerBulk(bool whole) {
  batch_.endAhead(bulk_.records > 0 ? QX_OK : QX_ERR_NO_DATA, bulk_.fields, bulk_.records,
                  whole && bulk_.records > 0, bulk_.code);
}

bool ModuleServer::answerFromStaged(bool bulk) {
  if (!staged_) return false;
  staged_ = false;
  if (bulk_.records == 0 && !bulk_.ended) { // nothing read: the call is served afresh
    dropStaged();
    return false;
  }
  if (bulk) {
    answerBulk(true);
  } else {
    // A batch of whole records; the failure that ended the data follows its
    // records, as the host's batches carry it.
    batch_.end(bulk_.ended ? bulk_.endStatus : QX_OK, bulk_.fields, bulk_.records, bulk_.code);
  }
  return true;
}

void ModuleServer::startReadingAhead() {
  if (!bulk_.whole || bulk_.stopped || bulk_.records == 0 ||
      batch_.size() > Remote::protocol::kKeptBatchOffset)
    return; // the reply may still be read where the next records would be kept
  bulk_.records = 0;
  bulk_.answered = 0;
  beginBatch(bulk_.capacity);
  staged_ = true;
}

void ModuleServer::dropStaged() {
  staged_ = false;
  link_.withKeeper([](BatchKeeper& keeper) { keeper.end(); });
}

// A callback while records are read ahead waits for the host's next call,
// which the host serves its callbacks in; other threads' callbacks are
// refused between calls, as always.
bool ModuleServer::awaitHost() {
  if (std::this_thread::get_id() != serverThread_ || !staged_ || pending_) return false;
  if (!main_.receive(call_)) {
    hostGone_ = true;
    return false;
  }
  pending_ = true;
  return true;
}

} // namespace quex::child
