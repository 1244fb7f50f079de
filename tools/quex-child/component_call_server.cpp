// The component calls of ModuleServer: each reads its arguments, calls the
// module through ExtensionWrapper and writes the reply with the arguments
// echoed in reply form.
#include "module_server.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

using Remote::RemoteBuffer;
using Remote::RemoteCall;

namespace quex::child {
namespace {

using BufferCall = QXStatus (ExtensionWrapper::*)(void*, char*, size_t, size_t*, int*);
using PlainCall = QXStatus (ExtensionWrapper::*)(void*, int*);

} // namespace

bool ModuleServer::serveComponentCall(const std::string& name, RemoteCall& call) {
  if (name == "BulkFetch") {
    fetchBatch(call);
    return true;
  }
  void* target = component();
  static const struct {
    const char* name;
    PlainCall call;
  } plainCalls[] = {{"qx_component_configure", &ExtensionWrapper::qx_component_configure},
                    {"qx_component_endExecution", &ExtensionWrapper::qx_component_endExecution},
                    {"qx_component_endInteraction",
                     &ExtensionWrapper::qx_component_endInteraction}};
  for (const auto& plain : plainCalls) {
    if (name != plain.name) continue;
    int32_t errorCode = 0;
    if (!call.getInt(errorCode)) return true;
    int code = errorCode;
    replyStatus(call, (module_.*plain.call)(target, &code));
    call.putInt(code);
    return true;
  }
  static const struct {
    const char* name;
    BufferCall call;
  } bufferCalls[] = {
      {"qx_component_getExecutionRequirements",
       &ExtensionWrapper::qx_component_getExecutionRequirements},
      {"qx_component_getSQLGeneration", &ExtensionWrapper::qx_component_getSQLGeneration},
      {"qx_component_getErrorDetail", &ExtensionWrapper::qx_component_getErrorDetail},
      {"qx_component_getRequestReply", &ExtensionWrapper::qx_component_getRequestReply}};
  for (const auto& buffered : bufferCalls) {
    if (name != buffered.name) continue;
    RemoteBuffer buffer;
    int32_t errorCode = 0;
    if (!call.getBuffer(buffer) || !call.getInt(errorCode)) return true;
    int code = errorCode;
    size_t needed = 0;
    const QXStatus status =
        (module_.*buffered.call)(target, buffer.data(), buffer.capacity(), &needed, &code);
    buffer.setNeeded(needed);
    buffer.setFilled(status == QX_OK);
    replyStatus(call, status);
    call.putBuffer(buffer);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_getDataModel" || name == "qx_component_getCatalogueInformation") {
    const bool dataModel = name == "qx_component_getDataModel";
    int32_t number = 0;
    std::string text;
    RemoteBuffer buffer;
    int32_t errorCode = 0;
    if (!(dataModel ? call.getInt(number) : call.getText(text)) || !call.getBuffer(buffer) ||
        !call.getInt(errorCode))
      return true;
    int code = errorCode;
    size_t needed = 0;
    const QXStatus status =
        dataModel ? module_.qx_component_getDataModel(target, number, buffer.data(),
                                                      buffer.capacity(), &needed, &code)
                  : module_.qx_component_getCatalogueInformation(
                        target, text.c_str(), buffer.data(), buffer.capacity(), &needed, &code);
    buffer.setNeeded(needed);
    buffer.setFilled(status == QX_OK);
    replyStatus(call, status);
    if (dataModel)
      call.putInt(number);
    else
      call.putText(text);
    call.putBuffer(buffer);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_beginExecution") {
    uint64_t iteratorKey = 0, progressKey = 0;
    int32_t errorCode = 0;
    if (!call.getSize(iteratorKey) || !call.getSize(progressKey) || !call.getInt(errorCode))
      return true;
    int code = errorCode;
    fieldsPerRecord_ = 0;
    recordPending_ = false;
    QXIterator* iterator = iteratorKey != 0 ? tables_.iterator(iteratorKey) : nullptr;
    QXProgress* progress = progressKey != 0 ? tables_.progress(progressKey) : nullptr;
    replyStatus(call, module_.qx_component_beginExecution(target, iterator, progress, &code));
    call.putSize(iteratorKey);
    call.putSize(progressKey);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_beginInteraction") {
    uint64_t channelKey = 0;
    int32_t errorCode = 0;
    if (!call.getSize(channelKey) || !call.getInt(errorCode)) return true;
    int code = errorCode;
    QXChannel* channel = channelKey != 0 ? tables_.channel(channelKey) : nullptr;
    replyStatus(call, module_.qx_component_beginInteraction(target, channel, &code));
    call.putSize(channelKey);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_request") {
    std::string text;
    int32_t errorCode = 0;
    if (!call.getText(text) || !call.getInt(errorCode)) return true;
    int code = errorCode;
    replyStatus(call, module_.qx_component_request(target, text.c_str(), text.size(), &code));
    call.putText(text);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_destroy") {
    int32_t errorCode = 0;
    if (!call.getInt(errorCode)) return true;
    int code = errorCode;
    void* destroyed = component_.exchange(nullptr);
    replyStatus(call, destroyed != nullptr ? module_.qx_destroy_component(destroyed, &code)
                                           : QX_ERR_INVALID_HANDLE);
    call.putInt(code);
    return true;
  }
  if (name == "qx_component_bulkFetch") {
    bulkFetch(call);
    return true;
  }
  return false;
}

// The host's record batches: the module's own bulk fetch when it has one,
// otherwise whole records read one by one. A record wider than the capacity
// asked for is answered with status 13 and its values per row; it is kept and
// sent with the next batch.
void ModuleServer::fetchBatch(RemoteCall& call) {
  uint64_t capacity = 0, valuesPerRow = 0, rows = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || !call.getValues(values_) || !call.getSize(valuesPerRow) ||
      !call.getSize(rows) || !call.getInt(errorCode))
    return;
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
  batchReply_ = true;
  batch_.begin(capacity);
  if (capacity > kMaxCapacity || component() == nullptr) {
    rows = 0;
  } else if (module_.useBulkFetch()) {
    reserveValueSlots(capacity);
    size_t fields = valuesPerRow, records = 0;
    status = module_.qx_component_bulkFetch(component(), capacity, pointers_.data(),
                                            lengths_.data(), &fields, &records, &code);
    if (status == QX_OK && fields != 0) {
      records = std::min<size_t>(records, capacity / fields);
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
    if (fieldsPerRecord_ == 0) {
      int probeCode = 0;
      void* value = nullptr;
      size_t length = 0;
      while (fieldsPerRecord_ < kMaxFieldsPerRecord &&
             module_.qx_component_getRecordValue(target, fieldsPerRecord_, &value, &length,
                                                 &probeCode) == QX_OK)
        ++fieldsPerRecord_;
      if (fieldsPerRecord_ == 0) { // a record without values cannot travel
        status = QX_ERR_NO_DATA;
        break;
      }
    }
    const size_t fields = fieldsPerRecord_;
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
  }
  return rows > 0 ? QX_OK : status;
}

void ModuleServer::reserveValueSlots(size_t capacity) {
  if (pointers_.size() >= capacity) return;
  pointers_.resize(capacity);
  lengths_.resize(capacity);
}

// The host's own bulk fetch, answered by the module's or by the wrapper's
// record-by-record emulation, whose copies are released here once encoded.
void ModuleServer::bulkFetch(RemoteCall& call) {
  uint64_t capacity = 0, fieldCount = 0, recordCount = 0;
  int32_t errorCode = 0;
  if (!call.getSize(capacity) || !call.getValues(values_) || !call.getSize(fieldCount) ||
      !call.getSize(recordCount) || !call.getInt(errorCode))
    return;
  int code = errorCode;
  QXStatus status = QX_ERR_INVALID_OPERATION;
  size_t fields = fieldCount, records = recordCount;
  batchReply_ = true;
  batch_.begin(capacity);
  if (capacity <= kMaxCapacity) {
    reserveValueSlots(capacity);
    const bool copies = !module_.useBulkFetch();
    status = module_.qx_component_bulkFetch(component(), capacity, pointers_.data(),
                                            lengths_.data(), &fields, &records, &code);
    size_t count = 0;
    if (fields != 0 && records != 0)
      count = records > capacity / fields ? capacity : fields * records;
    for (size_t i = 0; i < count; ++i) batch_.addValue(pointers_[i], lengths_[i]);
    if (copies) // the emulation copied exactly the values it counted
      for (size_t i = 0; i < count; ++i) std::free(pointers_[i]);
  }
  batch_.end(status, fields, records, code);
}

} // namespace quex::child
