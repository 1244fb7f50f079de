#include "remote_module.h"

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
namespace {

namespace calls = protocol::call;

uint64_t keyOf(const void* table) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(table));
}

Process* processOf(void* component) { return static_cast<Process*>(component); }

template <typename Dispatcher, typename Table>
void registerDispatcher(Process& process, Table* table,
                        Process::HandlerLife life = Process::HandlerLife::Process) {
  if (table != nullptr)
    process.registerHandler(keyOf(table), std::make_unique<Dispatcher>(&process, table).release(),
                            life);
}

// Starts a call on the module or its component: handle key 0.
RemoteCall& beginCall(Process& process, const char* name) {
  RemoteCall& call = process.mainCall();
  call.beginCall(name);
  call.putSize(0);
  return call;
}

// A refusal: a failing status with nothing after it.
bool isRefusal(const RemoteCall& call, int32_t status) {
  return status != static_cast<int32_t>(QX_OK) && call.atEnd();
}

// Reads a reply: the status, then what `rest` reads, then the error code. A
// reply that breaks the protocol (a count past its end, a size no reply can
// carry) counts as a lost child, except a refusal, which keeps its status.
template <typename Rest>
QXStatus readReply(Process& process, RemoteCall& call, int* errorCode, Rest&& rest) {
  int32_t status = 0;
  if (!call.getInt(status)) {
    process.childLost();
    return QX_ERR_REMOTE;
  }
  if (isRefusal(call, status)) return static_cast<QXStatus>(status);
  rest(call);
  int32_t code = 0;
  call.getInt(code);
  if (!call.ok()) {
    process.childLost();
    return QX_ERR_REMOTE;
  }
  *errorCode = code;
  return static_cast<QXStatus>(status);
}

// One component call on "main": `put` writes the arguments between the key
// and the error code, `get` reads their echoes between the status and the
// error code.
// `hostCall` is the entry point the host called, when it is not `name`.
template <typename Put, typename Get>
QXStatus exchange(void* component, const char* name, int* errorCode, Put&& put, Get&& get,
                  const char* hostCall = nullptr) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process& process = *processOf(component);
  const char* called = hostCall != nullptr ? hostCall : name;
  process.watch().setHostCall(called);
  RemoteCall& call = beginCall(process, name);
  put(call);
  call.putInt(errorCode);
  const QXStatus status =
      process.call() ? readReply(process, call, errorCode, get) : QX_ERR_REMOTE;
  process.ring().note(called, status);
  return status;
}

QXStatus plainExchange(void* component, const char* name, int* errorCode,
                       const char* hostCall = nullptr) {
  return exchange(
      component, name, errorCode, [](RemoteCall&) {}, [](RemoteCall&) {}, hostCall);
}

QXStatus bufferExchange(void* component, const char* name, char* buffer, size_t bufferSize,
                        size_t* needed, int* errorCode) {
  RemoteBuffer remote(buffer, bufferSize, needed);
  return exchange(
      component, name, errorCode, [&](RemoteCall& call) { call.putBuffer(remote); },
      [&](RemoteCall& call) { call.getBuffer(remote); });
}

// A child with a resource from the context support, watched with `deadline`
// from its first call, made on behalf of `hostCall`: a ready one from the
// warm pool, or one started now.
Process::Owned<> startChild(const std::string& childProgram, Extension::ContextSupport* support,
                            std::chrono::milliseconds deadline, const char* hostCall) {
  // Without a context support the child gets no resource, and that is fine.
  ChildResource* resource = support != nullptr ? support->acquireChildResource() : nullptr;
  if (Process::Owned<> ready = warm_pool::take(childProgram)) {
    ready->adoptResource(resource);
    ready->setDeadline(deadline);
    ready->watch().setHostCall(hostCall);
    return ready;
  }
  try {
    Process::Owned<> process = Process::create<Process>(childProgram.c_str(), resource);
    process->setDeadline(deadline);
    process->watch().setHostCall(hostCall);
    process->start(); // on failure the process closes its channel and joins its thread
    return process;
  } catch (...) {
    // Caught here so that the half-made process unwinds, and its named
    // objects go, even when nothing above catches the exception.
    throw;
  }
}

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
  if (!process.takeKeptBatch(*batch.values, batch.capacity, valuesPerRow, rows))
    return QX_ERR_REMOTE;
  batch.valuesPerRow = valuesPerRow;
  batch.rowsInBatch = rows;
  batch.currentRow = 0;
  batch.endStatus = QX_ERR_REMOTE;
  batch.endErrorCode = *errorCode;
  process.noteDelivered(rows);
  return QX_OK;
}

void putInitialisation(RemoteCall& call, QXHost* host, int* errorCode) {
  call.putSize(keyOf(host));
  call.putInt(errorCode);
}

QXStatus readInitialisation(Process& process, RemoteCall& reply, int* errorCode) {
  return readReply(process, reply, errorCode, [](RemoteCall& rest) {
    uint64_t host = 0;
    rest.getSize(host);
  });
}

void putCreation(RemoteCall& call, QXContext* context, int number, const char* text,
                 int* errorCode) {
  call.putSize(keyOf(context));
  call.putInt(static_cast<int32_t>(number));
  call.putText(text);
  call.putInt(errorCode);
}

QXStatus readCreation(Process& process, RemoteCall& reply, int* errorCode) {
  return readReply(process, reply, errorCode, [](RemoteCall& rest) {
    uint64_t handle = 0;
    int32_t echoedNumber = 0;
    std::string echoedText;
    rest.getSize(handle);
    rest.getInt(echoedNumber);
    rest.getText(echoedText);
  });
}

} // namespace

RemoteModule::RemoteModule(std::string name, std::string path, std::string childProgram,
                           Extension::ContextSupport* support)
    : name_(std::move(name)), path_(std::move(path)), childProgram_(std::move(childProgram)),
      support_(support) {
  warm_pool::join(childProgram_);
}

RemoteModule::~RemoteModule() { warm_pool::leave(childProgram_); }

QXStatus RemoteModule::qx_initialise(QXHost* host, int* /*errorCode*/) {
  if (host == nullptr) return QX_ERR_INVALID_HANDLE;
  host_ = host;
  return QX_OK;
}

QXStatus RemoteModule::qx_cleanup(int* /*errorCode*/) { return QX_OK; }

void RemoteModule::putDefinition(RemoteCall& call, bool supportsInteraction) {
  std::lock_guard<std::mutex> lock(namesLock_);
  call.putText(name_);
  call.putText(path_);
  call.putBool(supportsInteraction);
}

QXStatus RemoteModule::readDefinition(Process& process, RemoteCall& call,
                                      bool* supportsInteraction) {
  std::string name, path;
  int32_t status = 0;
  bool flag = false;
  call.getInt(status);
  if (isRefusal(call, status)) return static_cast<QXStatus>(status);
  call.getText(name);
  call.getText(path);
  call.getBool(flag);
  if (!call.ok()) {
    process.childLost();
    return QX_ERR_REMOTE;
  }
  ModuleShape shape;
  readModuleShape(call, shape);
  {
    std::lock_guard<std::mutex> lock(namesLock_);
    name_ = name;
    path_ = path;
    if (shape.known) shape_ = std::move(shape);
  }
  *supportsInteraction = flag;
  return static_cast<QXStatus>(status);
}

// The host's table has its dispatcher registered by the caller.
QXStatus RemoteModule::connect(Process& process, int* errorCode, bool* supportsInteraction) {
  RemoteCall& call = beginCall(process, calls::kDefineTargetLibrary);
  putDefinition(call, *supportsInteraction);
  if (!process.call()) return QX_ERR_REMOTE;
  const QXStatus defined = readDefinition(process, call, supportsInteraction);
  if (defined != QX_OK) return defined;

  RemoteCall& initialise = beginCall(process, calls::kInitialise);
  putInitialisation(initialise, host_, errorCode);
  if (!process.call()) return QX_ERR_REMOTE;
  return readInitialisation(process, initialise, errorCode);
}

bool RemoteModule::startInOneTrip(Process& process, QXContext* context, int number,
                                  const char* text, int* errorCode, QXStatus& connected,
                                  QXStatus& created) {
  // One part at a time is written here and copied into the call, and read
  // back from the reply the same way.
  thread_local RemoteCall part;
  RemoteCall& call = beginCall(process, calls::kStartComponent);
  call.putSize(3);
  part.beginCall(calls::kDefineTargetLibrary);
  part.putSize(0);
  putDefinition(part, false);
  call.putMessage(part);
  part.beginCall(calls::kInitialise);
  part.putSize(0);
  putInitialisation(part, host_, errorCode);
  call.putMessage(part);
  part.beginCall(calls::kCreatePeer);
  part.putSize(0);
  putCreation(part, context, number, text, errorCode);
  call.putMessage(part);
  // A child lost in the call is a component lost in its create, whichever
  // of the three it was in: the handle answers QX_ERR_REMOTE from then on.
  connected = QX_OK;
  created = QX_ERR_REMOTE;
  if (!process.call()) return true;
  connected = QX_ERR_REMOTE;
  int32_t status = 0;
  uint64_t count = 0;
  call.getInt(status);
  if (isRefusal(call, status)) return false;
  // The replies in turn: the child stops after the first that is not QX_OK.
  std::string name;
  auto nextReply = [&] {
    if (count-- == 0 || !call.getMessage(part) || !part.readName(name) ||
        name != protocol::kReturn) {
      process.childLost();
      return false;
    }
    return true;
  };
  if (!call.getSize(count) || !nextReply()) return true;
  bool supportsInteraction = false;
  connected = readDefinition(process, part, &supportsInteraction);
  if (connected != QX_OK) return true;
  if (!nextReply()) {
    connected = QX_ERR_REMOTE;
    return true;
  }
  connected = readInitialisation(process, part, errorCode);
  if (connected != QX_OK || !nextReply()) return true;
  created = readCreation(process, part, errorCode);
  return true;
}

// What a child tells after the flag; a child that tells nothing leaves the
// shape unknown, and so does one whose extra does not read.
void RemoteModule::readModuleShape(RemoteCall& call, ModuleShape& shape) {
  if (call.remaining() == 0) return;
  bool older = false;
  uint64_t count = 0;
  if (!call.getBool(older) || !call.getSize(count) || count > call.remaining() / 8) return;
  std::vector<std::string> optional(count);
  for (std::string& entry : optional)
    if (!call.getText(entry)) return;
  shape.known = true;
  shape.older = older;
  shape.optional = std::move(optional);
}

bool RemoteModule::moduleShape(bool* olderGeneration, std::vector<std::string>* optionalEntries) {
  std::lock_guard<std::mutex> lock(namesLock_);
  if (!shape_.known) return false;
  if (olderGeneration != nullptr) *olderGeneration = shape_.older;
  if (optionalEntries != nullptr) *optionalEntries = shape_.optional;
  return true;
}

QXStatus RemoteModule::queryModuleInformation(Process& process, int* errorCode,
                                              std::string* information) {
  std::vector<char> buffer(4096);
  size_t needed = buffer.size();
  QXStatus status = QX_OK;
  for (int attempt = 0; attempt < 2; ++attempt) {
    RemoteBuffer remote(buffer.data(), buffer.size(), &needed);
    RemoteCall& call = beginCall(process, calls::kGetModuleInformation);
    call.putBuffer(remote);
    call.putInt(errorCode);
    status = process.call() ? readReply(process, call, errorCode,
                                        [&](RemoteCall& reply) { reply.getBuffer(remote); })
                            : QX_ERR_REMOTE;
    if (status != QX_ERR_INSUFFICIENT_BUFFER || attempt > 0) break;
    if (needed > RemoteCall::kMaxServedBufferCapacity) return status; // not a real size
    buffer.assign(needed, '\0');
  }
  if (status == QX_OK) {
    const size_t length = std::min(needed, buffer.size());
    information->assign(buffer.data(), strnlen(buffer.data(), length));
  }
  return status;
}

QXStatus RemoteModule::startModule(int* errorCode, bool* supportsInteraction,
                                   std::string* moduleInformation) {
  Process::Owned<> process =
      startChild(childProgram_, support_, childDeadline(), host_call::kInitialise);
  registerDispatcher<HostDispatcher>(*process, host_);
  const QXStatus status = connect(*process, errorCode, supportsInteraction);
  if (status == QX_OK) queryModuleInformation(*process, errorCode, moduleInformation);
  {
    std::lock_guard<std::mutex> lock(componentsLock_);
    startEnding_ = process->ending(); // the monitor set it before the call failed
  }
  process->terminate();
  return status;
}

QXStatus RemoteModule::tarnext_create_peer(QXContext* context, int number, const char* text,
                                           void** peer, int* errorCode) {
  return createComponent(context, number, text, peer, errorCode, host_call::kCreatePeer);
}

QXStatus RemoteModule::qx_create_component(QXContext* context, const char* text,
                                           void** component, int* errorCode) {
  // The child makes a current-generation component with the module's own
  // qx_create_component, as tarnext_create_peer(context, 0, text) does.
  return createComponent(context, 0, text, component, errorCode, host_call::kCreateComponent);
}

QXStatus RemoteModule::createComponent(QXContext* context, int number, const char* text,
                                       void** peer, int* errorCode, const char* hostCall) {
  Process::Owned<> process = startChild(childProgram_, support_, childDeadline(), hostCall);
  registerDispatcher<HostDispatcher>(*process, host_);
  registerDispatcher<ContextDispatcher>(*process, context);
  QXStatus connected = QX_OK;
  QXStatus status = QX_ERR_REMOTE;
  if (!startInOneTrip(*process, context, number, text, errorCode, connected, status)) {
    bool supportsInteraction = false;
    connected = connect(*process, errorCode, &supportsInteraction);
    if (connected == QX_OK) {
      RemoteCall& call = beginCall(*process, calls::kCreatePeer);
      putCreation(call, context, number, text, errorCode);
      if (process->call()) status = readCreation(*process, call, errorCode);
    }
  }
  if (connected != QX_OK) {
    process->terminate();
    return connected;
  }
  process->ring().note(hostCall, status);
  {
    std::lock_guard<std::mutex> lock(componentsLock_);
    components_.push_back(process.get());
  }
  // A child whose module made no component ends at once; the handle still
  // holds the host's ends of its channels until qx_destroy_component. A lost
  // child has gone already, and its handle keeps answering QX_ERR_REMOTE.
  if (status != QX_OK && status != QX_ERR_REMOTE) process->terminate();
  *peer = process.release(); // ended by qx_destroy_component in every case
  return status;
}

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
    batch.values->release();
    batch.values->resize(batch.capacity);
    RemoteCall& call = beginCall(process, calls::kFetchBatch);
    call.putSize(batch.capacity);
    call.putValues(*batch.values);
    call.putSize(batch.valuesPerRow);
    call.putSize(batch.rowsInBatch);
    call.putInt(code);
    process.expectBatch();
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

QXStatus RemoteModule::qx_component_bulkFetch(void* component, size_t capacity, void** values,
                                              size_t* lengths, size_t* fieldCount,
                                              size_t* recordCount, int* errorCode) {
  if (component == nullptr) return QX_ERR_INVALID_HANDLE;
  Process::RecordBatch& batch = processOf(component)->batch();
  if (!batch.values) batch.values = std::make_unique<RemoteValueArray>(Role::Caller);
  RemoteValueArray& received = *batch.values;
  received.release(); // the caller's last values go: the call reuses their buffer
  received.resize(capacity);
  uint64_t fields = 0;
  uint64_t records = 0;
  processOf(component)->expectBatch();
  QXStatus status = exchange(
      component, calls::kBulkFetch, errorCode,
      [&](RemoteCall& call) {
        call.putSize(capacity);
        call.putValues(received);
        call.putSize(*fieldCount);
        call.putSize(*recordCount);
      },
      [&](RemoteCall& call) {
        uint64_t echoed = 0;
        call.getSize(echoed);
        call.getValues(received);
        call.getSize(fields);
        call.getSize(records);
      });
  // The records the child kept before it died come as a whole batch; the
  // next call answers the loss.
  if (status == QX_ERR_REMOTE &&
      !processOf(component)->takeKeptBatch(received, capacity, fields, records))
    return status;
  if (status == QX_ERR_REMOTE) status = QX_OK;
  *fieldCount = fields;
  *recordCount = records;
  processOf(component)->noteDelivered(records);
  const size_t count =
      protocol::valuesInBatch(fields, records, std::min(received.count(), capacity));
  std::copy_n(received.values(), count, values);
  std::copy_n(received.lengths(), count, lengths);
  return status;
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
