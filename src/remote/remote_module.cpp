#include "remote_module.h"

#include "call_exchange.h"
#include "callback_dispatchers.h"
#include "host_calls.h"
#include "process.h"
#include "protocol/names.h"
#include "protocol/remote_call.h"
#include "protocol/remote_values.h"
#include "protocol/value_encoding.h"
#include "warm_pool.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace Remote {
using namespace call_exchange;
namespace {

// Holds the cancel channel of one process for one exchange.
class AsyncLock {
public:
  explicit AsyncLock(Process& process) : process_(process) { process_.lockAsync(); }
  ~AsyncLock() { process_.unlockAsync(); }
  AsyncLock(const AsyncLock&) = delete;
  AsyncLock& operator=(const AsyncLock&) = delete;

private:
  Process& process_;
};

// The child died while it read the batch: the records it had kept are
// handed out as a batch that the loss ends, as a module that crashes after
// them gives them in process.
QXStatus handOutKeptRecords(Process& process, int* errorCode) {
  Process::RecordBatch& batch = process.batch();
  uint64_t valuesPerRow = 0, rows = 0;
  bool whole = false;
  if (!process.takeKeptBatch(*batch.values, protocol::kMaxBatchValues, valuesPerRow, rows, whole))
    return QX_ERR_REMOTE;
  batch.valuesPerRow = valuesPerRow;
  batch.rowsInBatch = rows;
  batch.currentRow = 0;
  batch.endStatus = QX_ERR_REMOTE;
  batch.endErrorCode = *errorCode;
  process.noteDelivered(rows);
  return QX_OK;
}

} // namespace

RemoteModule::RemoteModule(std::string name, std::string path, std::string childProgram,
                           Extension::ContextSupport* support)
    : name_(std::move(name)), path_(std::move(path)),
      library_{std::move(childProgram), name_, path_}, support_(support) {
  warm_pool::join(library_);
}

RemoteModule::~RemoteModule() { warm_pool::leave(library_); }

QXStatus RemoteModule::qx_initialise(QXHost* host, int* /*errorCode*/) {
  if (host == nullptr) return QX_ERR_INVALID_HANDLE;
  host_ = host;
  return QX_OK;
}

QXStatus RemoteModule::qx_cleanup(int* /*errorCode*/) { return QX_OK; }


QXStatus RemoteModule::qx_destroy_component(void* component, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process::Owned<> process(processOf(component));
  // A failed create's child has ended already: only the host's ends remain.
  QXStatus status = QX_OK;
  if (process->terminated())
    *errorCode = 0;
  else
    status = plainExchange(component, calls::kDestroy, errorCode, host_call::kDestroy);
  process->terminate();
  std::lock_guard<std::mutex> lock(componentsLock_); // no kill may reach it from now on
  components_.erase(std::remove(components_.begin(), components_.end(), process.get()),
                    components_.end());
  return status;
}

void RemoteModule::setChildDeadline(std::chrono::milliseconds deadline) {
  std::lock_guard<std::mutex> lock(componentsLock_);
  deadline_ = deadline;
  for (Process* process : components_) process->setDeadline(deadline);
}

std::chrono::milliseconds RemoteModule::childDeadline() {
  std::lock_guard<std::mutex> lock(componentsLock_);
  return deadline_;
}

std::string RemoteModule::childEnding(void* component) {
  std::lock_guard<std::mutex> lock(componentsLock_);
  if (component == nullptr) return startEnding_;
  const auto found = std::find(components_.begin(), components_.end(), component);
  return found != components_.end() ? (*found)->ending() : std::string();
}

QXStatus RemoteModule::killChild(void* component) {
  std::lock_guard<std::mutex> lock(componentsLock_);
  const auto found = std::find(components_.begin(), components_.end(), component);
  if (found == components_.end()) return QX_ERR_INVALID_HANDLE;
  (*found)->kill(Process::Killer::Host);
  return QX_OK;
}

QXStatus RemoteModule::qx_component_configure(void* component, int* errorCode) {
  return plainExchange(component, calls::kConfigure, errorCode);
}

QXStatus RemoteModule::qx_component_getDataModel(void* component, int number, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode) {
  RemoteBuffer remote(buffer, bufferSize, needed);
  return exchange(
      component, calls::kGetDataModel, errorCode,
      [&](RemoteCall& call) {
        call.putInt(static_cast<int32_t>(number));
        call.putBuffer(remote);
      },
      [&](RemoteCall& call) {
        int32_t echoed = 0;
        call.getInt(echoed);
        call.getBuffer(remote);
      });
}

QXStatus RemoteModule::qx_component_getExecutionRequirements(void* component, char* buffer,
                                                             size_t bufferSize, size_t* needed,
                                                             int* errorCode) {
  return bufferExchange(component, calls::kGetExecutionRequirements, buffer, bufferSize,
                        needed, errorCode);
}

QXStatus RemoteModule::qx_component_getCatalogueInformation(void* component, const char* text,
                                                            char* buffer, size_t bufferSize,
                                                            size_t* needed, int* errorCode) {
  RemoteBuffer remote(buffer, bufferSize, needed);
  return exchange(
      component, calls::kGetCatalogueInformation, errorCode,
      [&](RemoteCall& call) {
        call.putText(text);
        call.putBuffer(remote);
      },
      [&](RemoteCall& call) {
        std::string echoed;
        call.getText(echoed);
        call.getBuffer(remote);
      });
}

QXStatus RemoteModule::qx_component_beginExecution(void* component, QXIterator* iterator,
                                                   QXProgress* progress, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  Process::RecordBatch& batch = process.batch(); // nothing of an earlier execution is handed out
  batch.rowsInBatch = batch.currentRow = batch.valuesPerRow = 0;
  batch.endStatus = QX_OK;
  batch.ahead.reset();
  registerDispatcher<IteratorDispatcher>(process, iterator, Process::HandlerLife::Execution);
  registerDispatcher<ProgressDispatcher>(process, progress, Process::HandlerLife::Execution);
  process.restartDeliveries();
  return exchange(
      component, calls::kBeginExecution, errorCode,
      [&](RemoteCall& call) {
        call.putSize(keyOf(iterator));
        call.putSize(keyOf(progress));
      },
      [](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
        call.getSize(echoed);
      });
}

// Once the execution has ended the host may free its iterator and progress
// tables, whatever the child goes on sending: their handlers close here.
QXStatus RemoteModule::qx_component_endExecution(void* component, int* errorCode) {
  const QXStatus status = plainExchange(component, calls::kEndExecution, errorCode);
  if (component != nullptr) processOf(component)->closeHandlers(Process::HandlerLife::Execution);
  return status;
}

QXStatus RemoteModule::qx_component_cancelExecution(void* component, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  AsyncLock lock(process);
  RemoteCall& call = process.asyncToCall();
  call.beginCall(calls::kCancelExecution);
  call.putSize(0);
  call.putInt(errorCode);
  if (!process.callAsync()) return QX_ERR_REMOTE;
  int32_t status = 0;
  int32_t code = 0;
  if (call.getInt(status) && isRefusal(call, status)) return static_cast<QXStatus>(status);
  if (!call.getInt(code)) {
    process.childLost();
    return QX_ERR_REMOTE;
  }
  *errorCode = code;
  return static_cast<QXStatus>(status);
}

// A batch ends at the module's first failing nextRecord: its records are
// handed out first, then its status and error code, as the module gave them
// in process. Status 13 with no rows and more values per row than were asked
// for is the child's "one record does not fit" and widens the batch.
QXStatus RemoteModule::fetchBatch(Process& process, int* errorCode) {
  Process::RecordBatch& batch = process.batch();
  if (!batch.values) batch.values = std::make_unique<RemoteValueArray>(Role::Caller);
  QXStatus status = QX_OK;
  int code = *errorCode;
  for (int attempt = 0; attempt < 2; ++attempt) {
    batch.currentRow = 0;
    // The last batch's values lie in the message buffer, which the call reuses.
    batch.ahead.drop();
    batch.values->release();
    batch.values->resize(batch.capacity);
    RemoteCall& call = beginCall(process, calls::kFetchBatch);
    call.putSize(batch.capacity);
    call.putValues(*batch.values);
    call.putSize(batch.valuesPerRow);
    call.putSize(batch.rowsInBatch);
    call.putInt(code);
    if (!process.call()) {
      batch.rowsInBatch = 0;
      return handOutKeptRecords(process, errorCode);
    }
    uint64_t valuesPerRow = 0;
    uint64_t rows = 0;
    status = readReply(process, call, &code, [&](RemoteCall& reply) {
      uint64_t capacity = 0;
      reply.getSize(capacity);
      reply.getValues(*batch.values);
      reply.getSize(valuesPerRow);
      reply.getSize(rows);
    });
    process.releaseKeptBatch();
    // Rows must lie inside the values received, or the batch would be read past its end.
    const bool fits = rows <= protocol::recordsThatFit(valuesPerRow, batch.values->count());
    if (status == QX_ERR_REMOTE || !fits) {
      if (status != QX_ERR_REMOTE) process.childLost();
      batch.rowsInBatch = 0;
      batch.valuesPerRow = 0;
      return QX_ERR_REMOTE;
    }
    batch.valuesPerRow = valuesPerRow;
    batch.rowsInBatch = rows;
    const bool tooWide = status == QX_ERR_INSUFFICIENT_BUFFER && rows == 0 &&
                         valuesPerRow > batch.capacity && attempt == 0;
    if (!tooWide) break;
    if (valuesPerRow > protocol::kMaxBatchValues) {
      process.childLost();
      return QX_ERR_REMOTE;
    }
    batch.capacity = valuesPerRow; // one record fits from now on
  }
  process.noteDelivered(batch.rowsInBatch);
  if (batch.rowsInBatch > 0) {
    // The end of the data is asked for again after the rows: the module may
    // answer otherwise by then (a cancellation after the batch was read).
    batch.endStatus = status == QX_ERR_NO_DATA ? QX_OK : status;
    batch.endErrorCode = code;
    if (status == QX_OK) *errorCode = code;
    return QX_OK;
  }
  *errorCode = code;
  return status == QX_OK ? QX_ERR_NO_DATA : status;
}

QXStatus RemoteModule::qx_component_nextRecord(void* component, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  Process::RecordBatch& batch = process.batch();
  // Records a bulk fetch read ahead come first.
  uint64_t first = 0, rest = 0;
  if (batch.ahead.takeRest(first, rest)) {
    batch.valuesPerRow = batch.ahead.width();
    batch.rowsInBatch = first + rest;
    batch.currentRow = first - 1; // the next one is current
    batch.endStatus = QX_OK;
  }
  if (++batch.currentRow < batch.rowsInBatch) {
    process.ring().note(host_call::kNextRecord, QX_OK);
    return QX_OK;
  }
  QXStatus status;
  if (batch.endStatus != QX_OK) { // the module failed after the batch's records
    status = batch.endStatus;
    *errorCode = batch.endErrorCode;
    batch.endStatus = QX_OK;
    batch.rowsInBatch = 0;
  } else {
    process.watch().setHostCall(host_call::kNextRecord);
    status = fetchBatch(process, errorCode);
  }
  process.ring().note(host_call::kNextRecord, status);
  return status;
}

QXStatus RemoteModule::qx_component_getRecordValue(void* component, size_t index, void** value,
                                                   size_t* length, int* /*errorCode*/) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  const Process::RecordBatch& batch = process.batch();
  *value = nullptr;
  *length = 0;
  const bool inBatch = batch.values && index < batch.valuesPerRow &&
                       batch.currentRow < batch.rowsInBatch &&
                       // a bulk fetch may have reused the batch
                       batch.currentRow * batch.valuesPerRow + index < batch.values->count();
  if (!inBatch) { // the ring keeps only the values that were refused
    process.ring().note(host_call::kGetRecordValue, QX_ERR_NO_DATA);
    return QX_ERR_NO_DATA;
  }
  const size_t entry = batch.currentRow * batch.valuesPerRow + index;
  // A decoded null entry has no data and length 0.
  *value = const_cast<char*>(batch.values->data(entry));
  *length = batch.values->length(entry);
  return QX_OK;
}

QXStatus RemoteModule::qx_component_getSQLGeneration(void* component, char* buffer,
                                                     size_t bufferSize, size_t* needed,
                                                     int* errorCode) {
  return bufferExchange(component, calls::kGetSQLGeneration, buffer, bufferSize, needed,
                        errorCode);
}

QXStatus RemoteModule::qx_component_getErrorDetail(void* component, char* buffer,
                                                   size_t bufferSize, size_t* needed,
                                                   int* errorCode) {
  return bufferExchange(component, calls::kGetErrorDetail, buffer, bufferSize, needed,
                        errorCode);
}

QXStatus RemoteModule::qx_component_beginInteraction(void* component, QXChannel* channel,
                                                     int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  registerDispatcher<ChannelDispatcher>(*processOf(component), channel,
                                        Process::HandlerLife::Interaction);
  return exchange(
      component, calls::kBeginInteraction, errorCode,
      [&](RemoteCall& call) { call.putSize(keyOf(channel)); },
      [](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
      });
}

QXStatus RemoteModule::qx_component_endInteraction(void* component, int* errorCode) {
  const QXStatus status = plainExchange(component, calls::kEndInteraction, errorCode);
  if (component != nullptr) processOf(component)->closeHandlers(Process::HandlerLife::Interaction);
  return status;
}

QXStatus RemoteModule::qx_component_request(void* component, const char* data, size_t length,
                                            int* errorCode) {
  // The request goes as a text: its bytes up to the first NUL.
  const std::string request(data != nullptr ? data : "",
                            data != nullptr ? strnlen(data, length) : 0);
  return exchange(
      component, calls::kRequest, errorCode,
      [&](RemoteCall& call) { call.putText(request); },
      [](RemoteCall& call) {
        std::string echoed;
        call.getText(echoed);
      });
}

QXStatus RemoteModule::qx_component_getRequestReply(void* component, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode) {
  return bufferExchange(component, calls::kGetRequestReply, buffer, bufferSize, needed,
                        errorCode);
}

} // namespace Remote

namespace quex::detail {

std::shared_ptr<ModuleProxy> createModuleProxy(const std::string& name, const std::string& path,
                                               const std::string& childProgram,
                                               Extension::ContextSupport* support) {
  return std::make_shared<Remote::RemoteModule>(name, path, childProgram, support);
}

void setWarmChildren(size_t count) { Remote::warm_pool::setSize(count); }

size_t warmChildren() { return Remote::warm_pool::size(); }

} // namespace quex::detail
