// The child's way back to the host: callbacks on "main", allowed only while
// the host waits for the reply to one of its calls, and "Report"/"Send" on
// "async_fromremote" at any time. Every callback waits for its reply before
// anything else is sent on its channel.
#ifndef QUEX_TOOLS_QUEX_CHILD_HOST_LINK_H
#define QUEX_TOOLS_QUEX_CHILD_HOST_LINK_H

#include "batch_keeper.h"
#include "child_channel.h"

#include "remote/protocol/names.h"

#include <quex/qx.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace quex::child {

class HostLink {
public:
  // Between host calls, a callback on "main" is refused, unless `awaitHost`
  // (run under the lock of "main") receives the host's next call first.
  HostLink(ChildChannel& main, ChildChannel& asyncFrom, std::function<bool()> awaitHost)
      : main_(main), asyncFrom_(asyncFrom), keeper_(main.dataArea(), main.dataCapacity()),
        awaitHost_(std::move(awaitHost)) {}

  // Marks the span of one host call, during which callbacks on "main" may go.
  class ServingScope {
  public:
    explicit ServingScope(HostLink& link) : link_(link) {
      link_.serving_.store(true, std::memory_order_release);
    }
    ~ServingScope() { link_.serving_.store(false, std::memory_order_release); }
    ServingScope(const ServingScope&) = delete;
    ServingScope& operator=(const ServingScope&) = delete;

  private:
    HostLink& link_;
  };

  // A callback on "main" with handle key `key`: `put` writes the arguments
  // after the key and before the error code, `get` reads the reply's between
  // the status and the error code. `errorCode` may be null (no such argument).
  // QX_ERR_CALLBACK outside a host call, QX_ERR_REMOTE when the host is gone.
  template <typename Put, typename Get>
  QXStatus callMain(const char* name, uint64_t key, int* errorCode, Put&& put, Get&& get) {
    std::lock_guard<std::mutex> lock(mainLock_);
    if (!serving_.load(std::memory_order_acquire)) {
      if (!awaitHost_()) return QX_ERR_CALLBACK;
      serving_.store(true, std::memory_order_release); // until that call is served
    }
    // The callback's messages may write over the records kept so far.
    keeper_.lend();
    main_.takeReach();
    const QXStatus status = exchange(main_, mainCall_, name, key, errorCode, put, get);
    keeper_.giveBack(main_.takeReach());
    return status;
  }

  // The records of the batch being read, kept for the host in case this
  // child dies (batch_keeper.h): `use` runs under the lock of "main", so that
  // no callback moves the area meanwhile.
  template <typename Use>
  void withKeeper(Use&& use) {
    std::lock_guard<std::mutex> lock(mainLock_);
    use(keeper_);
  }

  // "Report" or "Send" on "async_fromremote".
  QXStatus callAsync(const char* name, uint64_t key, const char* text, size_t length,
                     int* errorCode);

private:
  template <typename Put, typename Get>
  static QXStatus exchange(ChildChannel& channel, Remote::RemoteCall& call, const char* name,
                           uint64_t key, int* errorCode, Put& put, Get& get) {
    call.beginCall(name);
    call.putSize(key);
    put(call);
    if (errorCode != nullptr) call.putInt(errorCode);
    if (!channel.send(call) || !channel.receive(call)) return QX_ERR_REMOTE;
    std::string reply;
    int32_t status = 0;
    if (!call.readName(reply) || reply != Remote::protocol::kReturn || !call.getInt(status)) return QX_ERR_REMOTE;
    get(call);
    int32_t code = 0;
    if (errorCode != nullptr && call.getInt(code)) *errorCode = code;
    return static_cast<QXStatus>(status);
  }

  ChildChannel& main_;
  ChildChannel& asyncFrom_;
  std::mutex mainLock_;
  BatchKeeper keeper_;
  std::mutex asyncLock_;
  Remote::RemoteCall mainCall_;
  Remote::RemoteCall asyncCall_;
  std::atomic<bool> serving_{false};
  const std::function<bool()> awaitHost_;
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_HOST_LINK_H
