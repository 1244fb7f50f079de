// A connector over one named shared region and two named semaphores: the
// sender fills the region and releases "toremote"; the child acknowledges
// every chunk but the last on "fromremote" and answers the same way.
#ifndef QUEX_SRC_REMOTE_SHARED_MEMORY_CONNECTOR_H
#define QUEX_SRC_REMOTE_SHARED_MEMORY_CONNECTOR_H

#include "protocol/connector.h"
#include "protocol/region_header.h"

#include "../platform/named_semaphore.h"
#include "../platform/shared_region.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace Remote {

class SharedMemoryConnector : public Connector {
public:
  // Creates or opens the region "<base>.<channel>" and the semaphores
  // "<base>_<channel>.toremote" and "<base>_<channel>.fromremote".
  SharedMemoryConnector(const std::string& baseName, const std::string& channelName,
                        size_t regionSize);

  bool send(const void* data, size_t length) override;
  // Refuses a message announced longer than RemoteCall::kMaxMessageSize.
  bool receive() override;
  void close() override;
  void addListener(ConnectorListener* listener) override;

  // Removes the names once the child has opened them; the objects stay usable.
  void unlinkNames() noexcept;
  size_t chunkCapacity() const noexcept { return region_.size() - kRegionHeaderSize; }
  // The messages this end sends use at most the first `bytes` of the data
  // area: the rest is the peer's own between messages.
  void limitSentChunks(size_t bytes) noexcept { sendLimit_ = bytes; }
  // Maps the whole region into this process ahead of the messages.
  void prefault() noexcept { region_.prefault(region_.size()); }
  // The bytes after the header, which a peer may also use between messages.
  unsigned char* dataArea() const noexcept;
  bool isClosed() const noexcept { return closed_.load(std::memory_order_acquire); }
  // The length announced by the last message refused for being longer than
  // any message may be; 0 when none was.
  uint64_t refusedLength() const noexcept {
    return refusedLength_.load(std::memory_order_relaxed);
  }

private:
  RegionHeader& header() const noexcept;
  void release(quex::platform::NamedSemaphore& semaphore);

  std::vector<ConnectorListener*> listeners_;
  quex::platform::SharedRegion region_;
  quex::platform::NamedSemaphore toRemote_;
  quex::platform::NamedSemaphore fromRemote_;
  std::vector<unsigned char> incoming_; // reused between messages
  size_t sendLimit_ = SIZE_MAX;
  std::atomic<bool> closed_{false};
  std::atomic<uint64_t> refusedLength_{0};
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_SHARED_MEMORY_CONNECTOR_H
