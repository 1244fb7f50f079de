// A module's component starts in a child: the child taken from the warm pool
// or started now, the module defined and initialised in it, and the
// component created, in one round trip where the child takes it.
#include "remote_module.h"

#include "call_exchange.h"
#include "callback_dispatchers.h"
#include "host_calls.h"
#include "warm_pool.h"

#include <string>
#include <vector>

namespace Remote {
using namespace call_exchange;
namespace {

// A child with a resource from the context support, watched with `deadline`
// from its first call, made on behalf of `hostCall`: a ready one from the
// warm pool, with `library` loaded, or one started now.
Process::Owned<> startChild(const warm_pool::Library& library, Extension::ContextSupport* support,
                            std::chrono::milliseconds deadline, const char* hostCall) {
  // Without a context support the child gets no resource, and that is fine.
  ChildResource* resource = support != nullptr ? support->acquireChildResource() : nullptr;
  if (Process::Owned<> ready = warm_pool::take(library)) {
    ready->adoptResource(resource);
    ready->setDeadline(deadline);
    ready->watch().setHostCall(hostCall);
    return ready;
  }
  try {
    Process::Owned<> process = Process::create<Process>(library.program.c_str(), resource);
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
      startChild(library_, support_, childDeadline(), host_call::kInitialise);
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
  Process::Owned<> process = startChild(library_, support_, childDeadline(), hostCall);
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

} // namespace Remote
