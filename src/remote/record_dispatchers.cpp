// The iterator, progress and channel dispatchers.
#include "callback_dispatchers.h"

#include "protocol/names.h"
#include "protocol/remote_values.h"
#include "protocol/served_call.h"
#include "protocol/value_encoding.h"

#include <cstring>
#include <memory>

namespace Remote {
namespace {

namespace callback = protocol::callback;
using protocol::replyStatus;

using TextMember = QXStatus (*)(void*, const char*, size_t, int*);

// "Report" and "Send": text and error code in, status, text and error code out.
bool serveText(RemoteCall& call, void* owner, TextMember member) {
  std::string text;
  int32_t errorCode = 0;
  if (!call.getText(text) || !call.getInt(errorCode)) return false;
  int code = errorCode;
  const QXStatus status = member(owner, text.c_str(), text.size(), &code);
  replyStatus(call, status);
  call.putText(text);
  call.putInt(code);
  return true;
}

} // namespace

bool IteratorDispatcher::handle(const std::string& name, RemoteCall& call) {
  QXIterator& it = *iterator_;
  if (name == callback::kNextRecord || name == callback::kRewind) {
    int32_t errorCode = 0;
    if (!call.getInt(errorCode)) return false;
    int code = errorCode;
    const QXStatus status = name == callback::kNextRecord ? it.nextRecord(it.owner, &code)
                                                          : it.rewind(it.owner, &code);
    replyStatus(call, status);
    call.putInt(code);
    return true;
  }
  if (name == callback::kGetRecordValue) {
    uint64_t index = 0;
    RemoteValue value(Role::Serving);
    int32_t errorCode = 0;
    if (!call.getSize(index) || !call.getValue(value) || !call.getInt(errorCode)) return false;
    int code = errorCode;
    void* data = nullptr;
    size_t length = 0;
    const QXStatus status = it.getRecordValue(it.owner, index, &data, &length, &code);
    if (data != nullptr) value.set(data, length);
    replyStatus(call, status);
    call.putSize(index);
    call.putValue(value);
    call.putInt(code);
    return true;
  }
  if (name == callback::kBulkFetch) return bulkFetch(call);
  return false;
}

// The host iterator's values go straight into the reply: they stay valid
// until its next call, so nothing is copied in between, and the slot arrays
// are kept for the next batch.
bool IteratorDispatcher::bulkFetch(RemoteCall& call) {
  uint64_t capacity = 0;
  RemoteValueArray callerSlots(Role::Serving); // the call form carries none
  uint64_t fieldCount = 0;
  uint64_t recordCount = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || !call.getValues(callerSlots) || !call.getSize(fieldCount) ||
      !call.getSize(recordCount) || !call.getInt(errorCode))
    return false;
  if (capacity > protocol::kMaxBatchValues) return false; // answered as an unknown call
  // An iterator that leaves a slot alone hands on a null value.
  slots_.assign(capacity, nullptr);
  lengths_.assign(capacity, 0);
  size_t fields = fieldCount;
  size_t records = recordCount;
  int code = errorCode;
  const QXStatus status = iterator_->bulkFetch(iterator_->owner, capacity, slots_.data(),
                                               lengths_.data(), &fields, &records, &code);
  const size_t count = protocol::valuesInBatch(fields, records, capacity);
  replyStatus(call, status);
  call.putSize(capacity);
  call.putValues(slots_.data(), lengths_.data(), count);
  call.putSize(fields);
  call.putSize(records);
  call.putInt(code);
  // A child that asked for a huge batch does not leave the host holding it.
  if (capacity > kKeptSlots) {
    slots_ = {};
    lengths_ = {};
  }
  return true;
}

bool ProgressDispatcher::handle(const std::string& name, RemoteCall& call) {
  if (name != callback::kReport) return false;
  return serveText(call, progress_->owner, progress_->report);
}

bool ChannelDispatcher::handle(const std::string& name, RemoteCall& call) {
  if (name != callback::kSend) return false;
  return serveText(call, channel_->owner, channel_->send);
}

} // namespace Remote
