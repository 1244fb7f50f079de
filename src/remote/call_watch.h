// What the monitor needs to bound a call: whether the host is waiting for the
// child, since when it has heard nothing from it, the call the host made, and
// the host's inactivity deadline. Written by the threads that talk to the
// child, read by the monitor; every field is a relaxed atomic, because the
// monitor acts on a moment's picture and the worst a stale value costs is one
// more wake-up.
#ifndef QUEX_SRC_REMOTE_CALL_WATCH_H
#define QUEX_SRC_REMOTE_CALL_WATCH_H

#include <atomic>
#include <chrono>
#include <cstdint>

namespace Remote {

class CallWatch {
  friend class WaitingForChild;

public:
  using Clock = std::chrono::steady_clock;

  // 0: no deadline.
  void setDeadline(std::chrono::milliseconds deadline) noexcept {
    deadlineMs_.store(deadline.count() > 0 ? deadline.count() : 0, std::memory_order_relaxed);
  }
  std::chrono::milliseconds deadline() const noexcept {
    return std::chrono::milliseconds(deadlineMs_.load(std::memory_order_relaxed));
  }

  // The call of the host that the coming exchanges belong to: a name with
  // static storage, the entry point as the host called it.
  void setHostCall(const char* name) noexcept { hostCall_.store(name, std::memory_order_relaxed); }
  const char* hostCall() const noexcept { return hostCall_.load(std::memory_order_relaxed); }

  // A thread starts or stops waiting for the child. Time the host spends
  // serving a callback is its own, so the main thread stops waiting then.
  void beginWaiting() noexcept {
    heard();
    waiters_.fetch_add(1, std::memory_order_relaxed);
  }
  void endWaiting() noexcept { waiters_.fetch_sub(1, std::memory_order_relaxed); }
  bool waiting() const noexcept { return waiters_.load(std::memory_order_relaxed) > 0; }
  // Whether an exchange with the child is under way, callbacks included.
  bool inCall() const noexcept { return calls_.load(std::memory_order_relaxed) > 0; }

  // A message arrived from the child (or the host just answered one): the
  // silence starts again.
  void heard() noexcept { lastHeard_.store(ticks(Clock::now()), std::memory_order_relaxed); }
  std::chrono::milliseconds silence(Clock::time_point now) const noexcept {
    const int64_t since = ticks(now) - lastHeard_.load(std::memory_order_relaxed);
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::duration(since));
  }

private:
  static int64_t ticks(Clock::time_point at) noexcept { return at.time_since_epoch().count(); }

  std::atomic<int64_t> deadlineMs_{0};
  std::atomic<int64_t> lastHeard_{0};
  std::atomic<int> waiters_{0};
  std::atomic<int> calls_{0};
  std::atomic<const char*> hostCall_{nullptr};
};

// Waits for the child for the life of the scope.
class WaitingForChild {
public:
  explicit WaitingForChild(CallWatch& watch) noexcept : watch_(watch) {
    watch_.calls_.fetch_add(1, std::memory_order_relaxed);
    watch_.beginWaiting();
  }
  ~WaitingForChild() {
    watch_.endWaiting();
    watch_.calls_.fetch_sub(1, std::memory_order_relaxed);
  }
  WaitingForChild(const WaitingForChild&) = delete;
  WaitingForChild& operator=(const WaitingForChild&) = delete;

private:
  CallWatch& watch_;
};

// The host serves a callback of the child for the life of the scope: its
// own time, which no deadline counts.
class ServingHost {
public:
  explicit ServingHost(CallWatch& watch) noexcept : watch_(watch) { watch_.endWaiting(); }
  ~ServingHost() { watch_.beginWaiting(); }
  ServingHost(const ServingHost&) = delete;
  ServingHost& operator=(const ServingHost&) = delete;

private:
  CallWatch& watch_;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_CALL_WATCH_H
