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
  batchReply_ = true;
  if (answerFromStaged(false)) return; // records read ahead are whole ones
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
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
    keepRecords(fields, rows, true);
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

void ModuleServer::keepRecords(uint64_t valuesPerRow, uint64_t rows, bool whole) {
  link_.withKeeper([&](BatchKeeper& keeper) { keeper.keep(batch_, valuesPerRow, rows, whole); });
}

void ModuleServer::reserveValueSlots(size_t capacity) {
  if (pointers_.size() >= capacity) return;
  pointers_.resize(capacity);
  lengths_.resize(capacity);
}

} // namespace quex::child
