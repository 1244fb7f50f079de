// The shared shape of every ExtensionWrapper call: reset the error code,
// trace the enter line, reach the proxy or the module's entry, turn an
// exception into a status, trace the exit line.
#ifndef QUEX_SRC_FRONT_CALL_GUARD_H
#define QUEX_SRC_FRONT_CALL_GUARD_H

#include "../remote/module_proxy.h"
#include "../common/trace.h"

namespace quex::detail {

// Standard: enter and exit lines from level 1 (the checks write successes from
// level 2). PerRecord: lines from level 3, failures from level 1.
enum class Gate { Standard, PerRecord };

template <typename Call>
inline QXStatus runGuarded(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return QX_ERR_EXCEPTION_THROWN;
  }
}

// A call with the component in its trace lines. `proxyCall` is a ModuleProxy
// member, `entry` the module's entry point; both take (component, args...,
// errorCode). The proxy wins when there is one; with neither, the answer is
// QX_ERR_INVALID_OPERATION after the enter line.
// The error code is reset on entry unless `resetErrorCode` is false.
template <Gate gate, bool resetErrorCode = true, typename ProxyCall, typename Entry,
          typename... Args>
inline QXStatus componentCall(ExtensionWrapper* wrapper, const char* name, const char* detail,
                              ModuleProxy* proxy, ProxyCall proxyCall, Entry entry,
                              void* component, int* errorCode, Args... args) {
  if (resetErrorCode) *errorCode = 0;
  const int level = currentTraceLevel();
  if (level >= (gate == Gate::Standard ? 1 : 3))
    ExtensionWrapper::QXCHK_enter(wrapper, component, name);
  QXStatus status;
  if (proxy != nullptr)
    status = runGuarded([&] { return (proxy->*proxyCall)(component, args..., errorCode); });
  else if (entry != nullptr)
    status = runGuarded([&] { return entry(component, args..., errorCode); });
  else
    return QX_ERR_INVALID_OPERATION;
  if (gate == Gate::Standard ? level >= 1 : (level >= 3 || status != QX_OK))
    ExtensionWrapper::QXCHK_exit(wrapper, status, component, *errorCode, name,
                                 status == QX_OK ? detail : nullptr);
  return status;
}

// The exit line of a per-record call that failed below level 3; kept out of
// line so the record loop carries none of its weight.
[[gnu::cold, gnu::noinline]] inline void traceRecordFailure(ExtensionWrapper* wrapper,
                                                            QXStatus status, void* component,
                                                            int errorCode, const char* name) {
  ExtensionWrapper::QXCHK_exit(wrapper, status, component, errorCode, name, nullptr);
}

// The general per-record call, out of line so the fast path stays small.
template <typename ProxyCall, typename Entry, typename... Args>
[[gnu::noinline]] QXStatus perRecordCallTraced(ExtensionWrapper* wrapper, const char* name,
                                               ModuleProxy* proxy, ProxyCall proxyCall,
                                               Entry entry, void* component, int* errorCode,
                                               Args... args) {
  return componentCall<Gate::PerRecord>(wrapper, name, nullptr, proxy, proxyCall, entry,
                                        component, errorCode, args...);
}

// A per-record call. Below level 3 an in-process call does nothing but reset
// the error code, guard the entry and report a failure.
template <typename ProxyCall, typename Entry, typename... Args>
inline QXStatus perRecordCall(ExtensionWrapper* wrapper, const char* name, ModuleProxy* proxy,
                              ProxyCall proxyCall, Entry entry, void* component, int* errorCode,
                              Args... args) {
  if (__builtin_expect(proxy != nullptr || entry == nullptr || currentTraceLevel() >= 3, 0))
    return perRecordCallTraced(wrapper, name, proxy, proxyCall, entry, component, errorCode,
                               args...);
  *errorCode = 0;
  const QXStatus status = runGuarded([&] { return entry(component, args..., errorCode); });
  if (__builtin_expect(status != QX_OK, 0))
    traceRecordFailure(wrapper, status, component, *errorCode, name);
  return status;
}

// A call traced with the plain checks (no component in the lines).
// `call` runs only when `available`; otherwise QX_ERR_INVALID_OPERATION.
template <typename Call>
inline QXStatus plainCall(const char* name, const char* detail, bool available, int* errorCode,
                          Call&& call) {
  *errorCode = 0;
  if (currentTraceLevel() >= 1) ExtensionWrapper::QXCHK_enter(name);
  if (!available) return QX_ERR_INVALID_OPERATION;
  const QXStatus status = runGuarded(call);
  if (currentTraceLevel() >= 1)
    ExtensionWrapper::QXCHK_exit(status, *errorCode, name, status == QX_OK ? detail : nullptr);
  return status;
}

} // namespace quex::detail

#endif // QUEX_SRC_FRONT_CALL_GUARD_H
