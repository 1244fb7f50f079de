// The child's end of one channel: it opens the host's region and semaphores
// and runs the mirror image of the host's chunked signalling. It waits on
// "toremote", acknowledges every chunk but the last on "fromremote", and sends
// by filling the region and releasing "fromremote".
#ifndef QUEX_TOOLS_QUEX_CHILD_CHILD_CHANNEL_H
#define QUEX_TOOLS_QUEX_CHILD_CHILD_CHANNEL_H

#include "platform/named_semaphore.h"
#include "platform/shared_region.h"
#include "remote/protocol/remote_call.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace quex::child {

class ChildChannel {
public:
  // Opens the existing objects of `channelName`; throws quex::platform::SystemError.
  ChildChannel(const std::string& baseName, const std::string& channelName, size_t regionSize);

  // Waits for the host's next message and loads it into `call`. False when
  // `stop` was set meanwhile, or when the host sent the empty message.
  bool receive(Remote::RemoteCall& call, const std::atomic<bool>* stop = nullptr);
  // Sends what was written into `call`, or `length` bytes already encoded.
  bool send(const Remote::RemoteCall& call, const std::atomic<bool>* stop = nullptr);
  bool send(const void* data, size_t length, const std::atomic<bool>* stop = nullptr);
  // The region's data area, where a batch being read is kept between
  // messages, and the most bytes of it a message covered since the last
  // takeReach().
  unsigned char* dataArea() noexcept;
  size_t dataCapacity() const noexcept;
  size_t takeReach() noexcept { return reach_.exchange(0, std::memory_order_relaxed); }
  // Whether the host has sent a message that receive() has not taken yet.
  bool hostCalled() const noexcept { return toRemote_.value() > 0; }
  // Wakes a thread of this process that waits in receive() with a stop flag.
  void wake() noexcept { toRemote_.postIfZero(); }
  // Called every poll interval (kPollMilliseconds) while a thread waits here
  // with a stop flag.
  void whileWaiting(std::function<void()> check) { whileWaiting_ = std::move(check); }
  static constexpr int kPollMilliseconds = 100;
  // Maps the region's pages into this process ahead of the messages.
  void prefault() noexcept { region_.prefault(region_.size()); }
  // Removes the names of the region and semaphores, which stay open here.
  void removeNames() noexcept {
    region_.removeName();
    toRemote_.removeName();
    fromRemote_.removeName();
  }

private:
  bool waitForHost(const std::atomic<bool>* stop);
  void reached(size_t bytes) noexcept {
    size_t seen = reach_.load(std::memory_order_relaxed);
    while (bytes > seen && !reach_.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) {
    }
  }

  quex::platform::SharedRegion region_;
  quex::platform::NamedSemaphore toRemote_;
  quex::platform::NamedSemaphore fromRemote_;
  std::vector<unsigned char> incoming_; // reused between messages
  std::atomic<size_t> reach_{0};
  std::function<void()> whileWaiting_;
};

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_CHILD_CHANNEL_H
