// The exchange of one call with a module's child: a call begins on "main",
// a reply is read back, and a reply that breaks the protocol counts as a lost
// child. Shared by the component's start and its calls.
#ifndef QUEX_SRC_REMOTE_CALL_EXCHANGE_H
#define QUEX_SRC_REMOTE_CALL_EXCHANGE_H

#include "process.h"
#include "protocol/names.h"
#include "protocol/remote_call.h"
#include "protocol/remote_values.h"

#include <quex/qx.h>

#include <cstdint>
#include <memory>

namespace Remote {
namespace call_exchange {

namespace calls = protocol::call;

inline uint64_t keyOf(const void* table) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(table));
}

inline Process* processOf(void* component) { return static_cast<Process*>(component); }

template <typename Dispatcher, typename Table>
void registerDispatcher(Process& process, Table* table,
                        Process::HandlerLife life = Process::HandlerLife::Process) {
  if (table != nullptr)
    process.registerHandler(keyOf(table), std::make_unique<Dispatcher>(&process, table).release(),
                            life);
}

// Starts a call on the module or its component: handle key 0.
inline RemoteCall& beginCall(Process& process, const char* name) {
  RemoteCall& call = process.mainCall();
  call.beginCall(name);
  call.putSize(0);
  return call;
}

// A refusal: a failing status with nothing after it.
inline bool isRefusal(const RemoteCall& call, int32_t status) {
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

inline QXStatus plainExchange(void* component, const char* name, int* errorCode,
                       const char* hostCall = nullptr) {
  return exchange(
      component, name, errorCode, [](RemoteCall&) {}, [](RemoteCall&) {}, hostCall);
}

inline QXStatus bufferExchange(void* component, const char* name, char* buffer, size_t bufferSize,
                        size_t* needed, int* errorCode) {
  RemoteBuffer remote(buffer, bufferSize, needed);
  return exchange(
      component, name, errorCode, [&](RemoteCall& call) { call.putBuffer(remote); },
      [&](RemoteCall& call) { call.getBuffer(remote); });
}

} // namespace call_exchange
} // namespace Remote

#endif // QUEX_SRC_REMOTE_CALL_EXCHANGE_H
