#include "batched_input.h"

#include "remote/protocol/input_batch.h"
#include "remote/protocol/names.h"
#include "remote/protocol/value_encoding.h"

#include <algorithm>
#include <cstdio>

using Remote::RemoteCall;

namespace quex::child {
namespace {

namespace callback = Remote::protocol::callback;

auto nothing = [](RemoteCall&) {};

// The bytes of a batch that go in one chunk of the main region, less room
// for the reply's own fields.
constexpr uint64_t kRegionBytes = Remote::protocol::kMainRegionSize / 2 - 1024;

} // namespace

QXStatus BatchedInput::nextRecord(int* errorCode) {
  switch (mode_) {
  case Mode::OneByOne:
    return forwardNextRecord(errorCode);
  case Mode::Broken:
    *errorCode = 0;
    return QX_ERR_CALLBACK;
  case Mode::Untried:
  case Mode::Batched:
    break;
  }
  if (position_ < records_) {
    ++position_;
    *errorCode = batchCode_;
    return QX_OK;
  }
  return fetchBatch(errorCode);
}

QXStatus BatchedInput::fetchBatch(int* errorCode) {
  dropBatch();
  for (;;) {
    Remote::protocol::InputBatchCounts counts;
    const char* problem = nullptr;
    const uint64_t asked = capacity_;
    int code = *errorCode;
    const QXStatus status = link_.callMain(
        callback::kBulkFetch, key_, &code,
        [&](RemoteCall& call) {
          call.putSize(asked);
          call.putValues(batch_);
          call.putSize(0);
          call.putSize(0);
        },
        [&](RemoteCall& call) {
          problem = Remote::protocol::readInputBatch(call, asked, batch_, counts);
        });
    if (status == QX_ERR_REMOTE) return status; // the host is gone
    if (problem == nullptr) problem = Remote::protocol::checkInputBatch(status, counts, batch_);
    if (problem != nullptr) {
      *errorCode = 0;
      return broken(problem);
    }
    // A record wider than the batch: ask again with room for one.
    if (counts.records == 0 && counts.fields > asked &&
        (status == QX_OK || status == QX_ERR_NO_DATA || status == QX_ERR_INSUFFICIENT_BUFFER)) {
      capacity_ = counts.fields;
      continue;
    }
    if (mode_ == Mode::Untried && status != QX_OK && status != QX_ERR_NO_DATA) {
      mode_ = Mode::OneByOne;
      return forwardNextRecord(errorCode);
    }
    mode_ = Mode::Batched;
    *errorCode = code;
    if (status != QX_OK) return status;
    if (counts.records == 0) return QX_ERR_NO_DATA;
    fields_ = counts.fields;
    records_ = counts.records;
    position_ = 1;
    batchCode_ = code;
    uint64_t bytes = 0;
    for (size_t i = 0; i < batch_.count(); ++i) bytes += batch_.length(i) + 9;
    resize(bytes);
    return QX_OK;
  }
}

// The first batch is small, so the first record comes soon; later ones take
// as many records of this batch's size as fill the chunk: every round trip
// saved is two waits for the other side to be scheduled.
void BatchedInput::resize(uint64_t bytes) {
  const uint64_t values = fields_ * records_;
  const uint64_t fitting =
      std::min<uint64_t>(values * kRegionBytes / std::max<uint64_t>(bytes, 1), kMaxBatchValues);
  // Whole records, at least one.
  capacity_ = std::max<uint64_t>(fitting - fitting % fields_, fields_);
}

QXStatus BatchedInput::broken(const char* problem) {
  mode_ = Mode::Broken;
  dropBatch();
  batch_ = Remote::RemoteValueArray(Remote::Role::Caller);
  std::fprintf(stderr, "quex-child: %s; the module's input ends here\n", problem);
  return QX_ERR_CALLBACK;
}

void BatchedInput::close() {
  mode_ = Mode::OneByOne;
  dropBatch();
  batch_ = Remote::RemoteValueArray(Remote::Role::Caller);
}

QXStatus BatchedInput::getRecordValue(size_t index, void** value, size_t* length,
                                      int* errorCode) {
  if (position_ == 0 || index >= fields_)
    return forwardRecordValue(index, value, length, errorCode);
  const size_t at = (position_ - 1) * fields_ + index;
  *value = batch_.isNull(at) ? nullptr : const_cast<char*>(batch_.data(at));
  *length = batch_.length(at);
  *errorCode = batchCode_;
  return QX_OK;
}

QXStatus BatchedInput::rewind(int* errorCode) {
  dropBatch();
  values_.clear();
  return link_.callMain(callback::kRewind, key_, errorCode, nothing, nothing);
}

QXStatus BatchedInput::bulkFetch(size_t capacity, void** values, size_t* lengths,
                                 size_t* fieldCount, size_t* recordCount, int* errorCode) {
  if (position_ >= records_)
    return forwardBulkFetch(capacity, values, lengths, fieldCount, recordCount, errorCode);
  const uint64_t fitting = std::min<uint64_t>(records_ - position_, capacity / fields_);
  *fieldCount = fields_;
  *recordCount = fitting;
  *errorCode = batchCode_;
  if (fitting == 0) return QX_ERR_INSUFFICIENT_BUFFER;
  const size_t first = position_ * fields_;
  for (size_t i = 0; i < fitting * fields_; ++i) {
    values[i] = batch_.isNull(first + i) ? nullptr : const_cast<char*>(batch_.data(first + i));
    lengths[i] = batch_.length(first + i);
  }
  position_ += fitting; // the last record handed on is the current one
  return QX_OK;
}

QXStatus BatchedInput::forwardNextRecord(int* errorCode) {
  values_.clear();
  return link_.callMain(callback::kNextRecord, key_, errorCode, nothing, nothing);
}

QXStatus BatchedInput::forwardRecordValue(size_t index, void** value, size_t* length,
                                          int* errorCode) {
  Remote::RemoteValue& kept = values_.try_emplace(index, Remote::Role::Caller).first->second;
  kept.setNull();
  const QXStatus status = link_.callMain(
      callback::kGetRecordValue, key_, errorCode,
      [&](RemoteCall& call) {
        call.putSize(index);
        call.putValue(kept);
      },
      [&](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
        call.getValue(kept);
      });
  *value = kept.isNull() ? nullptr : const_cast<char*>(kept.data());
  *length = kept.isNull() ? 0 : kept.length();
  return status;
}

QXStatus BatchedInput::forwardBulkFetch(size_t capacity, void** values, size_t* lengths,
                                        size_t* fieldCount, size_t* recordCount,
                                        int* errorCode) {
  dropBatch(); // the host moves on: the batch's records are behind it
  uint64_t fields = 0;
  uint64_t records = 0;
  forwarded_.release();
  const QXStatus status = link_.callMain(
      callback::kBulkFetch, key_, errorCode,
      [&](RemoteCall& call) {
        call.putSize(capacity);
        call.putValues(forwarded_);
        call.putSize(*fieldCount);
        call.putSize(*recordCount);
      },
      [&](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
        call.getValues(forwarded_);
        call.getSize(fields);
        call.getSize(records);
      });
  *fieldCount = fields;
  *recordCount = records;
  const size_t count = std::min(forwarded_.count(), capacity);
  for (size_t i = 0; i < count; ++i) {
    values[i] = forwarded_.isNull(i) ? nullptr : const_cast<char*>(forwarded_.data(i));
    lengths[i] = forwarded_.isNull(i) ? 0 : forwarded_.length(i);
  }
  return status;
}

} // namespace quex::child
