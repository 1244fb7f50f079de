// The child's call server: the table from call name to handler, the mirror of
// the proxy's calls, and the component's handlers. Each reads its arguments,
// calls the module through ExtensionWrapper and writes the reply with the
// arguments echoed in reply form. A call whose arguments do not read leaves
// the message failed, and it is answered as an unknown call.
#include "module_server.h"

#include "remote/protocol/names.h"
#include "remote/protocol/served_call.h"
#include "remote/protocol/value_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

using Remote::RemoteCall;
using Remote::protocol::replyStatus;
using Remote::protocol::serveTextReturn;

namespace quex::child {
namespace {
namespace calls = Remote::protocol::call;
} // namespace

template <ModuleServer::PlainCall member>
void ModuleServer::plainCall(RemoteCall& call) {
  int32_t errorCode = 0;
  if (!call.getInt(errorCode)) return;
  int code = errorCode;
  replyStatus(call, (module_.*member)(component(), &code));
  call.putInt(code);
}

template <ModuleServer::BufferCall member>
void ModuleServer::bufferCall(RemoteCall& call) {
  serveTextReturn(call, [&](char* buffer, size_t size, size_t* needed, int* code) {
    return (module_.*member)(component(), buffer, size, needed, code);
  });
}

// The mirror of the proxy: one handler per call name.
bool ModuleServer::serve(const std::string& callName, RemoteCall& call) {
  using Handler = void (ModuleServer::*)(RemoteCall&);
  static const struct {
    const char* name;
    Handler handler;
  } kCalls[] = {
      {calls::kPing, &ModuleServer::ping},
      {calls::kDefineTargetLibrary, &ModuleServer::defineTargetLibrary},
      {calls::kStartComponent, &ModuleServer::startComponent},
      {calls::kInitialise, &ModuleServer::initialise},
      {calls::kGetModuleInformation, &ModuleServer::getModuleInformation},
      {calls::kCreatePeer, &ModuleServer::createPeer},
      {calls::kDestroy, &ModuleServer::destroy},
      {calls::kConfigure, &ModuleServer::plainCall<&ExtensionWrapper::qx_component_configure>},
      {calls::kGetDataModel, &ModuleServer::getDataModel},
      {calls::kGetExecutionRequirements,
       &ModuleServer::bufferCall<&ExtensionWrapper::qx_component_getExecutionRequirements>},
      {calls::kGetCatalogueInformation, &ModuleServer::getCatalogueInformation},
      {calls::kBeginExecution, &ModuleServer::beginExecution},
      {calls::kEndExecution, &ModuleServer::endExecution},
      {calls::kFetchBatch, &ModuleServer::fetchBatch},
      {calls::kBulkFetch, &ModuleServer::bulkFetch},
      {calls::kBulkFetchAhead, &ModuleServer::bulkFetchAhead},
      {calls::kGetSQLGeneration,
       &ModuleServer::bufferCall<&ExtensionWrapper::qx_component_getSQLGeneration>},
      {calls::kGetErrorDetail,
       &ModuleServer::bufferCall<&ExtensionWrapper::qx_component_getErrorDetail>},
      {calls::kBeginInteraction, &ModuleServer::beginInteraction},
      {calls::kEndInteraction,
       &ModuleServer::plainCall<&ExtensionWrapper::qx_component_endInteraction>},
      {calls::kRequest, &ModuleServer::request},
      {calls::kGetRequestReply,
       &ModuleServer::bufferCall<&ExtensionWrapper::qx_component_getRequestReply>},
  };
  for (const auto& entry : kCalls) {
    if (callName != entry.name) continue;
    HostLink::ServingScope scope(link_);
    (this->*entry.handler)(call);
    return call.ok();
  }
  return false;
}

void ModuleServer::getDataModel(RemoteCall& call) {
  int32_t number = 0;
  if (!call.getInt(number)) return;
  serveTextReturn(
      call,
      [&](char* buffer, size_t size, size_t* needed, int* code) {
        return module_.qx_component_getDataModel(component(), number, buffer, size, needed,
                                                 code);
      },
      [&](RemoteCall& reply) { reply.putInt(number); });
}

void ModuleServer::getCatalogueInformation(RemoteCall& call) {
  std::string text;
  if (!call.getText(text)) return;
  serveTextReturn(
      call,
      [&](char* buffer, size_t size, size_t* needed, int* code) {
        return module_.qx_component_getCatalogueInformation(component(), text.c_str(), buffer,
                                                            size, needed, code);
      },
      [&](RemoteCall& reply) { reply.putText(text); });
}

void ModuleServer::beginExecution(RemoteCall& call) {
  uint64_t iteratorKey = 0, progressKey = 0;
  int32_t errorCode = 0;
  if (!call.getSize(iteratorKey) || !call.getSize(progressKey) || !call.getInt(errorCode)) return;
  int code = errorCode;
  fieldsPerRecord_ = 0;
  recordPending_ = false;
  QXIterator* iterator = iteratorKey != 0 ? tables_.iterator(iteratorKey) : nullptr;
  QXProgress* progress = progressKey != 0 ? tables_.progress(progressKey) : nullptr;
  replyStatus(call, module_.qx_component_beginExecution(component(), iterator, progress, &code));
  call.putSize(iteratorKey);
  call.putSize(progressKey);
  call.putInt(code);
}

void ModuleServer::endExecution(RemoteCall& call) {
  plainCall<&ExtensionWrapper::qx_component_endExecution>(call);
  tables_.closeInputs(); // the host closes its iterator table now
}

void ModuleServer::beginInteraction(RemoteCall& call) {
  uint64_t channelKey = 0;
  int32_t errorCode = 0;
  if (!call.getSize(channelKey) || !call.getInt(errorCode)) return;
  int code = errorCode;
  QXChannel* channel = channelKey != 0 ? tables_.channel(channelKey) : nullptr;
  replyStatus(call, module_.qx_component_beginInteraction(component(), channel, &code));
  call.putSize(channelKey);
  call.putInt(code);
}

void ModuleServer::request(RemoteCall& call) {
  std::string text;
  int32_t errorCode = 0;
  if (!call.getText(text) || !call.getInt(errorCode)) return;
  int code = errorCode;
  replyStatus(call, module_.qx_component_request(component(), text.c_str(), text.size(), &code));
  call.putText(text);
  call.putInt(code);
}

void ModuleServer::destroy(RemoteCall& call) {
  int32_t errorCode = 0;
  if (!call.getInt(errorCode)) return;
  int code = errorCode;
  void* destroyed = component_.exchange(nullptr);
  replyStatus(call, destroyed != nullptr ? module_.qx_destroy_component(destroyed, &code)
                                         : QX_ERR_INVALID_HANDLE);
  call.putInt(code);
}

// The host's record batches: the module's own bulk fetch when it has one,
// otherwise whole records read one by one. A record wider than the capacity
// asked for is answered with status 13 and its values per row; it is kept and
// sent with the next batch. Records read one by one end a batch once it is
// full (BatchReply::full()). A batch ends at the module's first failing
// nextRecord and carries that status and error code with the records read
// before it, so the host sees the failure where the module gave it.
void ModuleServer::fetchBatch(RemoteCall& call) {
  uint64_t capacity = 0, valuesPerRow = 0, rows = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || !call.getValues(values_) || !call.getSize(valuesPerRow) ||
      !call.getSize(rows) || !call.getInt(errorCode))
    return;
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
  batchReply_ = true;
  beginBatch(capacity);
  if (capacity > Remote::protocol::kMaxBatchValues || component() == nullptr) {
    rows = 0;
  } else if (module_.useBulkFetch()) {
    reserveValueSlots(capacity);
    size_t fields = valuesPerRow, records = 0;
    status = module_.qx_component_bulkFetch(component(), capacity, pointers_.data(),
                                            lengths_.data(), &fields, &records, &code);
    if (status == QX_OK && fields != 0) {
      records = std::min<size_t>(records, Remote::protocol::recordsThatFit(fields, capacity));
      for (size_t i = 0; i < fields * records; ++i) batch_.addValue(pointers_[i], lengths_[i]);
    } else {
      records = 0;
    }
    valuesPerRow = fields;
    rows = records;
  } else {
    status = readRecords(capacity, valuesPerRow, rows, &code);
  }
  batch_.end(status, valuesPerRow, rows, code);
}

QXStatus ModuleServer::readRecords(size_t capacity, uint64_t& valuesPerRow, uint64_t& rows,
                                   int* errorCode) {
  void* target = component();
  rows = 0;
  QXStatus status = QX_OK;
  for (;;) {
    if (!recordPending_) {
      status = module_.qx_component_nextRecord(target, errorCode);
      if (status != QX_OK) break;
      recordPending_ = true;
    }
    const size_t fields = recordWidth(target);
    if (fields == 0) { // a record without values cannot travel
      status = QX_ERR_NO_DATA;
      break;
    }
    valuesPerRow = fields;
    if (batch_.count() + fields > capacity) {
      status = rows == 0 ? QX_ERR_INSUFFICIENT_BUFFER : QX_OK;
      break;
    }
    for (size_t field = 0; field < fields; ++field) {
      void* value = nullptr;
      size_t length = 0;
      module_.qx_component_getRecordValue(target, field, &value, &length, errorCode);
      batch_.addValue(value, length);
    }
    recordPending_ = false;
    ++rows;
    keepRecords(fields, rows);
    if (batch_.full()) break; // the host refuses a message past its limit
  }
  return status;
}

size_t ModuleServer::recordWidth(void* target) {
  if (fieldsPerRecord_ != 0) return fieldsPerRecord_;
  int probeCode = 0;
  void* value = nullptr;
  size_t length = 0;
  while (fieldsPerRecord_ < kMaxFieldsPerRecord &&
         module_.qx_component_getRecordValue(target, fieldsPerRecord_, &value, &length,
                                             &probeCode) == QX_OK)
    ++fieldsPerRecord_;
  return fieldsPerRecord_;
}

void ModuleServer::beginBatch(size_t capacity) {
  batch_.begin(capacity);
  link_.withKeeper([](BatchKeeper& keeper) { keeper.begin(); });
}

void ModuleServer::keepRecords(uint64_t valuesPerRow, uint64_t rows) {
  link_.withKeeper([&](BatchKeeper& keeper) { keeper.keep(batch_, valuesPerRow, rows); });
}

// The wrapper's record-by-record bulk fetch for a module without its own,
// done here so that every record is kept for the host as it arrives: the
// first `records` values of each record are skipped, `fields` values are
// taken, and an answer ends when the next record would not fit or the batch
// is full. Ahead, whole records (all of a record's values, none skipped) are
// read for up to `answers` answers in a row, as that many calls would read
// them, while what they took leaves the block that keeps them room for one
// more of the same size; `whole` says whether they were.
QXStatus ModuleServer::readBulk(size_t capacity, uint64_t answers, size_t fields,
                                size_t& records, bool& whole, int* errorCode) {
  void* target = component();
  const size_t offset = records;
  records = 0;
  whole = false;
  if (fields > capacity) return QX_ERR_NO_DATA;
  const size_t perAnswer = fields != 0 ? capacity / fields : 0; // none: to the end
  size_t room = 0;
  link_.withKeeper([&](const BatchKeeper& keeper) { room = keeper.room(); });
  uint64_t answered = 0;
  while (module_.qx_component_nextRecord(target, errorCode) == QX_OK) {
    if (records == 0 && answers > 1) {
      whole = offset == 0 && fields != 0 && recordWidth(target) == fields;
      if (!whole) answers = 1;
    }
    for (size_t field = 0; field < fields; ++field) {
      void* value = nullptr;
      size_t length = 0;
      module_.qx_component_getRecordValue(target, offset + field, &value, &length, errorCode);
      batch_.addValue(value, length);
    }
    ++records;
    keepRecords(fields, records);
    if (perAnswer != 0 && records % perAnswer == 0) {
      ++answered;
      const size_t bytes = batch_.valueBytes();
      if (answered >= answers || bytes + bytes / answered > room) break;
    }
    if (batch_.full()) break;
  }
  return records > 0 ? QX_OK : QX_ERR_NO_DATA;
}

void ModuleServer::reserveValueSlots(size_t capacity) {
  if (pointers_.size() >= capacity) return;
  pointers_.resize(capacity);
  lengths_.resize(capacity);
}

// The host's own bulk fetch, answered by the module's, or record by record
// as the wrapper's emulation does; ahead, several answers of the emulation at
// once (a module's own bulk fetch answers once).
void ModuleServer::bulkFetch(RemoteCall& call) { serveBulkFetch(call, false); }
void ModuleServer::bulkFetchAhead(RemoteCall& call) { serveBulkFetch(call, true); }

void ModuleServer::serveBulkFetch(RemoteCall& call, bool ahead) {
  uint64_t capacity = 0, answers = 1, fieldCount = 0, recordCount = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || (ahead && !call.getSize(answers)) ||
      !call.getValues(values_) || !call.getSize(fieldCount) || !call.getSize(recordCount) ||
      !call.getInt(errorCode))
    return;
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
  size_t fields = fieldCount, records = recordCount;
  batchReply_ = true;
  beginBatch(capacity);
  const bool fits = capacity <= Remote::protocol::kMaxBatchValues && answers > 0 &&
                    answers <= Remote::protocol::kMaxBatchValues / std::max<uint64_t>(capacity, 1);
  bool whole = false;
  if (fits && !module_.useBulkFetch()) {
    status = readBulk(capacity, answers, fields, records, whole, &code);
  } else if (fits) {
    reserveValueSlots(capacity);
    status = module_.qx_component_bulkFetch(component(), capacity, pointers_.data(),
                                            lengths_.data(), &fields, &records, &code);
    const size_t count = Remote::protocol::valuesInBatch(fields, records, capacity);
    for (size_t i = 0; i < count; ++i) batch_.addValue(pointers_[i], lengths_[i]);
  }
  if (ahead)
    batch_.endAhead(status, fields, records, whole, code);
  else
    batch_.end(status, fields, records, code);
}

} // namespace quex::child
